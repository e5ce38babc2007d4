// The one way files are read and written, by the show and by every tool: only regular files are
// read, never past a size limit; files are written whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Size limits of each kind of file read.
constexpr std::uint64_t mebibyte = 1024 * 1024;
constexpr std::uint64_t shaderLimit = 16 * mebibyte;
constexpr std::uint64_t trackLimit = 16 * mebibyte;
constexpr std::uint64_t sourceLimit = 16 * mebibyte;
constexpr std::uint64_t imageLimit = 64 * mebibyte;
constexpr std::uint64_t musicLimit = 256 * mebibyte;
// The widest or tallest image decoded.
constexpr int imageSideLimit = 16384;

// The whole file. A pipe, device or directory is refused without blocking, with the message an
// unreadable file gets; a file larger than limitBytes is refused with a message naming the limit
// and the kind ("shader", "image"...). Throws Kem::Exception "cannot read '<path>': <cause>".
std::vector<unsigned char> readFileLimited(const std::string& path, std::uint64_t limitBytes,
                                           const char* kind);
// As readFileLimited, but a path naming nothing gives false instead of an error.
bool readFileIfPresent(const std::string& path, std::uint64_t limitBytes, const char* kind,
                       std::vector<unsigned char>& bytes);

// Writes a temporary file beside the target, flushes it to the disk and renames it over the
// target. The target must be absent or a regular file; a directory, device, pipe or link is
// refused. On any failure nothing is left behind and Kem::Exception "cannot write '<path>':
// <cause>" is thrown.
void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
void writeFileAtomically(const std::string& path, const std::string& text);
// Several files as one save: every file's temporary is written and flushed before the first one
// replaces its target, so a failure before that (a folder that takes no file, a full disk) leaves
// every target as it was. Throws as writeFileAtomically does, naming the file that failed.
void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// Refuses early, before long work, a target writeFileAtomically would refuse: one that is not a
// regular file, or a folder where no file can be created. Throws as writeFileAtomically does.
void checkWritable(const std::string& path);

// For files another program writes: an empty temporary file beside path, made as
// writeFileAtomically makes its own, and its name.
std::string createTemporaryBeside(const std::string& path);
// Flushes the complete temporary file and renames it over path with writeFileAtomically's checks;
// on failure it is removed and Kem::Exception thrown.
void replaceWithTemporary(const std::string& temporary, const std::string& path);

} // namespace platform
