// Reading and writing whole files on POSIX: reads that never block on a pipe or run past a limit,
// writes through an exclusively created temporary file renamed into place.
#include "platform/Files.h"

#include "kem/Exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

[[noreturn]] void fail(const char* verb, const std::string& path, const std::string& cause) {
    throw Kem::Exception(("cannot " + std::string(verb) + " '" + path + "': " + cause).c_str(),
                         "platform/linux/Files", __LINE__);
}

std::string describeLimit(std::uint64_t limitBytes) {
    if (limitBytes >= mebibyte && limitBytes % mebibyte == 0)
        return std::to_string(limitBytes / mebibyte) + " MiB";
    return std::to_string(limitBytes) + " bytes";
}

const char* describeKind(mode_t mode) {
    if (S_ISDIR(mode))
        return "it is a folder";
    if (S_ISLNK(mode))
        return "it is a symbolic link";
    if (S_ISFIFO(mode))
        return "it is a pipe";
    if (S_ISSOCK(mode))
        return "it is a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device";
    return "it is not a regular file";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd; }
    // Closes now, so that a failing close is seen.
    int close() {
        int result = ::close(fd);
        fd = -1;
        return result;
    }

private:
    int fd;
};

// Reads into bytes; false when the path names nothing and absentIsFine.
bool readFile(const std::string& path, std::uint64_t limitBytes, const char* kind,
              std::vector<unsigned char>& bytes, bool absentIsFine) {
    // Non-blocking, so that opening a pipe with no writer returns at once.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        if (absentIsFine && errno == ENOENT)
            return false;
        fail("read", path, std::strerror(errno));
    }
    struct stat info;
    if (::fstat(file.get(), &info) != 0)
        fail("read", path, std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        fail("read", path, describeKind(info.st_mode));
    const std::string tooLarge =
        "larger than the " + describeLimit(limitBytes) + " limit for " + kind + " files";
    if (std::uint64_t(info.st_size) > limitBytes)
        fail("read", path, tooLarge);

    // The size is only a hint (a file may grow, and some report 0): the limit holds whatever it.
    bytes.clear();
    bytes.reserve(size_t(info.st_size));
    unsigned char chunk[65536];
    for (;;) {
        ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            fail("read", path, std::strerror(errno));
        }
        if (got == 0)
            break;
        if (bytes.size() + size_t(got) > limitBytes)
            fail("read", path, tooLarge);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The target's mode when it is a regular file, 0 when it does not exist; refuses anything else.
mode_t existingTarget(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return 0;
        fail("write", path, std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        fail("write", path, describeKind(info.st_mode));
    return info.st_mode & 07777;
}

mode_t creationMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A new file beside path, created exclusively (never through a link left under its name) with
// the mode the target has or a new file would get. Open on return.
int createBeside(const std::string& path, std::string& temporary) {
    mode_t mode = existingTarget(path);
    if (path.empty() || path.back() == '/')
        fail("write", path, "it names no file");
    temporary = path + ".partial.XXXXXX";
    int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        fail("write", path, std::strerror(errno));
    if (::fchmod(fd, mode ? mode : creationMode()) != 0) {
        int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        fail("write", path, std::strerror(error));
    }
    return fd;
}

// Renames the complete temporary file over path, checking the target again just before; on
// failure the temporary file is removed.
void renameOver(const std::string& temporary, const std::string& path) {
    try {
        existingTarget(path);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        fail("write", path, std::strerror(error));
    }
    // The new name itself reaches the disk once the folder is flushed; a failure here loses
    // nothing that a crash before the rename would not.
    Descriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

// The bytes in a flushed temporary file beside path, whose name is returned; on failure it is
// removed and Kem::Exception thrown.
std::string writeTemporary(const std::string& path, const unsigned char* data, size_t size) {
    std::string temporary;
    Descriptor file(createBeside(path, temporary));
    // The first failure's errno; 0 while all is well.
    int error = 0;
    size_t done = 0;
    while (error == 0 && done < size) {
        ssize_t wrote = ::write(file.get(), data + done, size - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            error = wrote < 0 ? errno : ENOSPC;
        else
            done += size_t(wrote);
    }
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    if (file.close() != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        fail("write", path, std::strerror(error));
    }
    return temporary;
}

void writeAll(const std::string& path, const unsigned char* data, size_t size) {
    renameOver(writeTemporary(path, data, size), path);
}

} // namespace

std::vector<unsigned char> readFileLimited(const std::string& path, std::uint64_t limitBytes,
                                           const char* kind) {
    std::vector<unsigned char> bytes;
    readFile(path, limitBytes, kind, bytes, false);
    return bytes;
}

bool readFileIfPresent(const std::string& path, std::uint64_t limitBytes, const char* kind,
                       std::vector<unsigned char>& bytes) {
    return readFile(path, limitBytes, kind, bytes, true);
}

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    writeAll(path, bytes.data(), bytes.size());
}

void writeFileAtomically(const std::string& path, const std::string& text) {
    writeAll(path, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> temporaries;
    try {
        for (const auto& [path, bytes] : files)
            temporaries.push_back(writeTemporary(
                path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    } catch (...) {
        for (const std::string& temporary : temporaries)
            ::unlink(temporary.c_str());
        throw;
    }
    // Every file is on the disk; now each replaces its target.
    for (size_t i = 0; i < files.size(); ++i) {
        try {
            renameOver(temporaries[i], files[i].first);
        } catch (...) {
            for (size_t rest = i + 1; rest < temporaries.size(); ++rest)
                ::unlink(temporaries[rest].c_str());
            throw;
        }
    }
}

void checkWritable(const std::string& path) {
    std::string probe;
    ::close(createBeside(path, probe));
    ::unlink(probe.c_str());
}

std::string createTemporaryBeside(const std::string& path) {
    std::string temporary;
    ::close(createBeside(path, temporary));
    return temporary;
}

void replaceWithTemporary(const std::string& temporary, const std::string& path) {
    Descriptor file(::open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    int error = file.get() < 0 ? errno : 0;
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        fail("write", path, std::strerror(error));
    }
    renameOver(temporary, path);
}

} // namespace platform
