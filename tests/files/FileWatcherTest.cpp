// The folder watcher, by inotify and by polling: a file written, renamed in, emptied, removed or
// moved away is reported once, by its path; files in other folders are not.
#include "platform/FileWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Changes until `path` is reported, looking for at most two seconds (polling looks every quarter
// of a second).
std::vector<std::string> changesUntil(platform::FileWatcher& watcher, const std::string& path) {
    std::vector<std::string> changed;
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::find(changed.begin(), changed.end(), path) == changed.end() &&
           std::chrono::steady_clock::now() < giveUp) {
        watcher.takeChanges(changed);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return changed;
}

TEST(FileWatcher, ReportsFilesWrittenMovedInEmptiedRemovedAndMovedAway) {
    struct Change {
        const char* name;
        std::function<void(const fs::path& folder)> make;
    };
    // Each changes "_Part.track" (which exists before each but the first two).
    const Change changes[] = {
        {"written", [](const fs::path& f) { writeFile(f / "_Part.track", "1234"); }},
        {"renamed in",
         [](const fs::path& f) {
             writeFile(f / "new.partial", "12345678");
             fs::rename(f / "new.partial", f / "_Part.track");
         }},
        {"emptied", [](const fs::path& f) { writeFile(f / "_Part.track", ""); }},
        {"removed", [](const fs::path& f) { fs::remove(f / "_Part.track"); }},
        {"moved away",
         [](const fs::path& f) { fs::rename(f / "_Part.track", f.parent_path() / "away"); }},
    };
    for (bool polling : {false, true}) {
        SCOPED_TRACE(polling ? "polling" : "inotify");
        if (polling)
            setenv("OXBRINE_POLL_FILES", "1", 1);
        fs::path root = fs::temp_directory_path() / ("oxbrine-watch-" + std::to_string(polling));
        fs::remove_all(root);
        fs::create_directories(root / "Data");
        std::string folder = (root / "Data").string();
        std::unique_ptr<platform::FileWatcher> watcher = platform::createFileWatcher();
        EXPECT_STREQ(watcher->getMethod(), polling ? "polling" : "inotify");
        watcher->watchFolder(folder);
        const std::string path = folder + "/_Part.track";
        for (const Change& change : changes) {
            SCOPED_TRACE(change.name);
            if (std::string(change.name) == "removed" || std::string(change.name) == "moved away") {
                writeFile(path, "old");
                changesUntil(*watcher, path);
            }
            change.make(root / "Data");
            writeFile(root / "elsewhere", "not watched");
            std::vector<std::string> changed = changesUntil(*watcher, path);
            EXPECT_EQ(std::count(changed.begin(), changed.end(), path), 1);
            EXPECT_EQ(std::count(changed.begin(), changed.end(), (root / "elsewhere").string()), 0);
        }
        unsetenv("OXBRINE_POLL_FILES");
        fs::remove_all(root);
    }
}

} // namespace
