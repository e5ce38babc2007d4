// Reading and writing whole files on Windows: only regular files are read, never past a limit;
// writes go to an exclusively created temporary file that replaces the target when complete.
#include "platform/Files.h"

#include "kem/Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

namespace {

[[noreturn]] void fail(const char* verb, const std::string& path, const std::string& cause) {
    throw Kem::Exception(("cannot " + std::string(verb) + " '" + path + "': " + cause).c_str(),
                         "platform/win32/Files", __LINE__);
}

std::string describeLimit(std::uint64_t limitBytes) {
    if (limitBytes >= mebibyte && limitBytes % mebibyte == 0)
        return std::to_string(limitBytes / mebibyte) + " MiB";
    return std::to_string(limitBytes) + " bytes";
}

bool readFile(const std::string& path, std::uint64_t limitBytes, const char* kind,
              std::vector<unsigned char>& bytes, bool absentIsFine) {
    struct _stat64 info;
    if (_stat64(path.c_str(), &info) != 0) {
        if (absentIsFine && errno == ENOENT)
            return false;
        fail("read", path, std::strerror(errno));
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG)
        fail("read", path,
             (info.st_mode & _S_IFMT) == _S_IFDIR ? "it is a folder" : "it is not a regular file");
    const std::string tooLarge =
        "larger than the " + describeLimit(limitBytes) + " limit for " + kind + " files";
    if (std::uint64_t(info.st_size) > limitBytes)
        fail("read", path, tooLarge);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        fail("read", path, std::strerror(errno));
    bytes.clear();
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes.size() + got > limitBytes) {
            std::fclose(file);
            fail("read", path, tooLarge);
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        fail("read", path, "read error");
    return true;
}

void existingTarget(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        fail("write", path, "it is a folder");
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        fail("write", path, "it is a link");
}

void writeAll(const std::string& path, const unsigned char* data, size_t size) {
    existingTarget(path);
    std::string temporary = path + ".partial";
    int fd =
        _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        fail("write", path, std::strerror(errno));
    int error = 0;
    size_t done = 0;
    while (error == 0 && done < size) {
        unsigned int part = unsigned(std::min<size_t>(size - done, 1u << 30));
        int wrote = _write(fd, data + done, part);
        if (wrote <= 0)
            error = wrote < 0 ? errno : ENOSPC;
        else
            done += size_t(wrote);
    }
    if (error == 0 && _commit(fd) != 0)
        error = errno;
    if (_close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && !MoveFileExA(temporary.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = EACCES;
    if (error != 0) {
        DeleteFileA(temporary.c_str());
        fail("write", path, std::strerror(error));
    }
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

void checkWritable(const std::string& path) {
    existingTarget(path);
}

std::string createTemporaryBeside(const std::string& path) {
    existingTarget(path);
    std::string temporary = path + ".partial";
    int fd =
        _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        fail("write", path, std::strerror(errno));
    _close(fd);
    return temporary;
}

void replaceWithTemporary(const std::string& temporary, const std::string& path) {
    existingTarget(path);
    if (!MoveFileExA(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        fail("write", path, "the file could not be replaced");
    }
}

} // namespace platform
