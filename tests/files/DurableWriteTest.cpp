// The file writer against crashes and failing system calls: write, fsync and rename are
// interposed, so a test sees every call the writer makes and can fail or stop it at any one.
// Whatever the step, the real name holds the old file or the new one, whole; after a power cut
// too, where only flushed data and flushed folders survive.
#include "kem/Exception.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Call { Write, Flush, Rename };

struct Event {
    Call call;
    std::string path;   // the file written or flushed, or the rename's source
    std::string target; // the rename's target
};

// What the interposed calls do: log calls on files under `watched`, and fail or stop the one
// numbered `failAt` / `stopAt`.
struct Interposer {
    std::string watched;
    std::vector<Event> events;
    int failAt = -1;
    int stopAt = -1;
} interposer;

std::string pathOfDescriptor(int fd) {
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

// True when the call goes on; false when it is to fail with EIO.
bool intercept(Call call, const std::string& path, const std::string& target = "") {
    if (interposer.watched.empty() ||
        path.compare(0, interposer.watched.size(), interposer.watched) != 0)
        return true;
    int index = int(interposer.events.size());
    if (index == interposer.stopAt)
        _exit(0); // the power goes: nothing after this call happens
    interposer.events.push_back({call, path, target});
    if (index != interposer.failAt)
        return true;
    errno = EIO;
    return false;
}

template <typename Function> Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    static auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    if (!intercept(Call::Write, pathOfDescriptor(fd)))
        return -1;
    return next(fd, data, size);
}

extern "C" int fsync(int fd) {
    static auto next = real<int (*)(int)>("fsync");
    if (!intercept(Call::Flush, pathOfDescriptor(fd)))
        return -1;
    return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static auto next = real<int (*)(const char*, const char*)>("rename");
    if (!intercept(Call::Rename, from, to))
        return -1;
    return next(from, to);
}

namespace {

const std::string oldText = "old contents, whole\n";
const std::string newText = std::string(100000, 'n') + "\nnew contents, whole\n";
const std::string emptyFile = "";

struct Writer {
    const char* name;
    std::function<void(const std::string& path)> write;
};

void PrintTo(const Writer& writer, std::ostream* out) {
    *out << writer.name;
}

// Another program fills the temporary beside the file, the writer flushes and renames it.
void writeThroughTemporary(const std::string& path) {
    std::string temporary = platform::createTemporaryBeside(path);
    std::ofstream(temporary, std::ios::binary) << newText;
    platform::replaceWithTemporary(temporary, path);
}

const Writer writers[] = {
    {"writeFileAtomically",
     [](const std::string& path) { platform::writeFileAtomically(path, newText); }},
    {"replaceWithTemporary", writeThroughTemporary},
};

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// What the real name may hold after a power cut once `done` calls were made: data reaches the
// disk when its file is flushed, a rename when its folder is flushed afterwards.
std::set<std::string> survivors(const std::vector<Event>& done, const std::string& target) {
    std::string folder = std::filesystem::path(target).parent_path().string();
    std::set<std::string> flushed;
    bool renamed = false, renamedDataFlushed = false, folderFlushed = false;
    for (const Event& event : done) {
        if (event.call == Call::Flush && !renamed)
            flushed.insert(event.path);
        if (event.call == Call::Rename && event.target == target) {
            renamed = true;
            renamedDataFlushed = flushed.count(event.path) > 0;
        }
        if (event.call == Call::Flush && renamed && event.path == folder)
            folderFlushed = true;
    }
    std::set<std::string> possible;
    if (!folderFlushed)
        possible.insert(oldText);
    if (renamed)
        possible.insert(renamedDataFlushed ? newText : emptyFile);
    return possible;
}

class DurableWrite : public testing::TestWithParam<Writer> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/oxbrine-durable-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = std::filesystem::canonical(pattern).string();
        target = folder + "/track.tl";
    }
    void TearDown() override {
        interposer = Interposer{};
        std::filesystem::remove_all(folder);
    }

    // Writes the old file, then runs the writer with the calls watched; the calls it made.
    std::vector<Event> writeOverOld(int failAt, int stopAt, std::string* error = nullptr) {
        std::ofstream(target, std::ios::binary) << oldText;
        interposer = Interposer{folder, {}, failAt, stopAt};
        try {
            GetParam().write(target);
        } catch (const Kem::Exception& failure) {
            if (error)
                *error = failure.getMessage().getData();
        }
        std::vector<Event> events = interposer.events;
        interposer = Interposer{};
        return events;
    }

    std::string folder;
    std::string target;
};

TEST_P(DurableWrite, EveryStopLeavesTheOldOrTheNewFileWhole) {
    std::vector<Event> all = writeOverOld(-1, -1);
    ASSERT_EQ(contents(target), newText);
    EXPECT_EQ(filesIn(folder), std::set<std::string>{"track.tl"});
    // Once the writer returns, a power cut keeps the new file and nothing else.
    EXPECT_EQ(survivors(all, target), std::set<std::string>{newText})
        << "the new name is on the disk only once its folder is flushed after the rename";

    for (size_t stop = 0; stop <= all.size(); ++stop) {
        SCOPED_TRACE("stopped before call " + std::to_string(stop) + " of " +
                     std::to_string(all.size()));
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            writeOverOld(-1, int(stop));
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        std::string held = contents(target);
        EXPECT_TRUE(held == oldText || held == newText)
            << "a cut file: " << held.size() << " bytes";
        std::vector<Event> done(all.begin(), all.begin() + std::ptrdiff_t(stop));
        for (const std::string& kept : survivors(done, target))
            EXPECT_TRUE(kept == oldText || kept == newText)
                << "a power cut here may leave " << kept.size() << " bytes under the name";
    }
}

TEST_P(DurableWrite, AFailedCallLeavesTheOldFileAndNoTemporary) {
    std::vector<Event> all = writeOverOld(-1, -1);
    for (size_t failing = 0; failing < all.size(); ++failing) {
        SCOPED_TRACE("call " + std::to_string(failing) + " fails");
        std::string error;
        writeOverOld(int(failing), -1, &error);
        bool folderFlush = all[failing].call == Call::Flush && all[failing].path == folder;
        if (folderFlush) {
            // The new file is in place already: it is kept, as a crash here would keep it.
            EXPECT_EQ(error, "");
            EXPECT_EQ(contents(target), newText);
        } else {
            EXPECT_EQ(error, "cannot write '" + target + "': Input/output error");
            EXPECT_EQ(contents(target), oldText);
        }
        EXPECT_EQ(filesIn(folder), std::set<std::string>{"track.tl"});
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, DurableWrite, testing::ValuesIn(writers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
