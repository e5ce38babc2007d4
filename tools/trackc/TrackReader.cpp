// Compiled track files read through the engine's TrackSet.
#include "TrackReader.h"

#include "FileIo.h"
#include "Sync.h"
#include "Timeline.h"

#include <filesystem>
#include <system_error>

namespace {

// Row (int32), value (float) and interpolation (one byte).
constexpr std::size_t keyBytes = 9;

} // namespace

std::string trackNameFromPath(const std::string& path) {
    std::string file = std::filesystem::path(path).filename().string();
    const std::string suffix = ".track";
    if (file.size() <= 1 + suffix.size() || file[0] != '_' ||
        file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
        throw TimelineError(path + ": not a compiled track file (_<name>.track)");
    return file.substr(1, file.size() - 1 - suffix.size());
}

TrackSource readCompiledTrack(const std::string& path) {
    namespace fs = std::filesystem;
    std::string name = trackNameFromPath(path);
    std::error_code error;
    auto size = fs::file_size(path, error);
    if (error || !fs::is_regular_file(path))
        throw TimelineError(path + ": cannot be read");
    std::string folder = fs::path(path).parent_path().string();
    if (!folder.empty() && folder.back() != '/')
        folder += '/';

    // The loader quietly leaves a track empty when it cannot open its file, and its path
    // buffer holds 259 characters.
    if (folder.size() + name.size() + 7 >= 260)
        throw TimelineError(path + ": path too long for the show's track loader");
    if (size < 4)
        throw TimelineError(path + ": shorter than a key count");
    // The loader takes what a short file holds; an export of it would lose keys unnoticed.
    std::string bytes = readWholeFile(path);
    std::uint32_t count =
        std::uint32_t(std::uint8_t(bytes[0])) | std::uint32_t(std::uint8_t(bytes[1])) << 8 |
        std::uint32_t(std::uint8_t(bytes[2])) << 16 | std::uint32_t(std::uint8_t(bytes[3])) << 24;
    std::uint64_t whole = (bytes.size() - 4) / keyBytes;
    if (count > whole)
        throw TimelineError(path + ": the header counts " + std::to_string(std::int32_t(count)) +
                            " keys, the file holds " + std::to_string(whole));
    TrackSet set(folder.c_str());
    const Track* track = set.getTrack(name.c_str());
    TrackSource source;
    source.name = name;
    source.file = path;
    for (int i = 0; i < track->getKeyCount(); ++i) {
        const TrackKey& key = track->getKeys()[i];
        source.keys.push_back(SourceKey{key.row, key.value, key.interpolation, 0});
    }
    return source;
}
