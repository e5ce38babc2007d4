// Which files in a few folders were written or removed since the last look, without waiting: the
// making tools rebuild what those files make.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class FileWatcher {
public:
    virtual ~FileWatcher() = default;
    // Watches the files directly in the folder (not below it). A folder that cannot be watched
    // throws Kem::Exception naming it.
    virtual void watchFolder(const std::string& folder) = 0;
    // Appends each file written, created, moved into, removed from or moved out of a watched
    // folder since the last call, once, as the folder's path (ending in '/') followed by the
    // file's name; whether it is still there is for the caller to look.
    virtual void takeChanges(std::vector<std::string>& changed) = 0;
    // "inotify" or "polling".
    virtual const char* getMethod() const = 0;
};

// Kernel notifications where the system has them, otherwise a look at every file's time and size
// a few times a second.
std::unique_ptr<FileWatcher> createFileWatcher();

} // namespace platform
