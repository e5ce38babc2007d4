// Folder watching with inotify, and by polling file times and sizes where inotify is missing.
#include "platform/FileWatcher.h"

#include "kem/Exception.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string asFolder(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

void addOnce(std::vector<std::string>& list, std::string path) {
    if (std::find(list.begin(), list.end(), path) == list.end())
        list.push_back(std::move(path));
}

[[noreturn]] void cannotWatch(const std::string& folder) {
    throw Kem::Exception(("Cannot watch folder \"" + folder + "\"").c_str(),
                         "platform/linux/FileWatcher", __LINE__);
}

class InotifyWatcher final : public FileWatcher {
public:
    explicit InotifyWatcher(int descriptor) : descriptor(descriptor) {}
    ~InotifyWatcher() override { close(descriptor); }

    void watchFolder(const std::string& folder) override {
        int watch = inotify_add_watch(descriptor, folder.c_str(),
                                      IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM |
                                          IN_ONLYDIR);
        if (watch < 0)
            cannotWatch(folder);
        folders[watch] = asFolder(folder);
    }

    void takeChanges(std::vector<std::string>& changed) override {
        for (;;) {
            ssize_t got = read(descriptor, buffer, sizeof buffer);
            if (got <= 0)
                return; // EAGAIN: nothing more now
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                auto folder = folders.find(event->wd);
                if (folder != folders.end() && event->len > 0 && !(event->mask & IN_ISDIR))
                    addOnce(changed, folder->second + event->name);
                at += ssize_t(sizeof(inotify_event)) + event->len;
            }
        }
    }

    const char* getMethod() const override { return "inotify"; }

private:
    int descriptor;
    std::map<int, std::string> folders;
    alignas(inotify_event) char buffer[16384];
};

class PollingWatcher final : public FileWatcher {
public:
    void watchFolder(const std::string& folder) override {
        std::string name = asFolder(folder);
        DIR* directory = opendir(folder.c_str());
        if (!directory)
            cannotWatch(folder);
        closedir(directory);
        folders.push_back(name);
        look(name, nullptr);
    }

    void takeChanges(std::vector<std::string>& changed) override {
        auto now = std::chrono::steady_clock::now();
        if (now - lastLook < std::chrono::milliseconds(250))
            return;
        lastLook = now;
        for (const std::string& folder : folders)
            look(folder, &changed);
    }

    const char* getMethod() const override { return "polling"; }

private:
    struct Stamp {
        long long modified = 0;
        long long size = 0;
        bool operator!=(const Stamp& other) const {
            return modified != other.modified || size != other.size;
        }
    };

    // Records every file's stamp; with a list, reports those that are new, differ or are gone.
    void look(const std::string& folder, std::vector<std::string>* changed) {
        DIR* directory = opendir(folder.c_str());
        if (!directory)
            return;
        std::map<std::string, Stamp> before;
        for (auto known = stamps.lower_bound(folder);
             known != stamps.end() && known->first.compare(0, folder.size(), folder) == 0;)
            if (known->first.find('/', folder.size()) == std::string::npos) {
                before.insert(*known);
                known = stamps.erase(known);
            } else {
                ++known;
            }
        while (dirent* entry = readdir(directory)) {
            std::string path = folder + entry->d_name;
            struct stat info;
            if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            Stamp stamp{(long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec,
                        (long long)info.st_size};
            auto known = before.find(path);
            bool differs = known == before.end() || known->second != stamp;
            if (differs && changed)
                addOnce(*changed, path);
            if (known != before.end())
                before.erase(known);
            stamps[path] = stamp;
        }
        closedir(directory);
        if (changed)
            for (const auto& gone : before)
                addOnce(*changed, gone.first);
    }

    std::vector<std::string> folders;
    std::map<std::string, Stamp> stamps;
    std::chrono::steady_clock::time_point lastLook;
};

} // namespace

std::unique_ptr<FileWatcher> createFileWatcher() {
    int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor >= 0 && !std::getenv("OXBRINE_POLL_FILES"))
        return std::make_unique<InotifyWatcher>(descriptor);
    if (descriptor >= 0)
        close(descriptor);
    return std::make_unique<PollingWatcher>();
}

} // namespace platform
