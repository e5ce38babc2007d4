// Binary track encoding and the output folder upkeep.
#include "TrackWriter.h"

#include "FileIo.h"
#include "Timeline.h"
#include "platform/Files.h"

#include <cstring>
#include <filesystem>
#include <set>

namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

std::vector<unsigned char> encodeTrack(const TrackSource& track) {
    std::vector<unsigned char> out;
    put32(out, static_cast<std::uint32_t>(track.keys.size()));
    for (const SourceKey& key : track.keys) {
        std::uint32_t valueBits;
        std::memcpy(&valueBits, &key.value, 4);
        put32(out, static_cast<std::uint32_t>(key.row));
        put32(out, valueBits);
        out.push_back(static_cast<unsigned char>(key.interpolation));
    }
    return out;
}

std::string trackFileName(const std::string& name) {
    return "_" + name + ".track";
}

std::vector<std::pair<std::string, std::string>>
compiledTrackFiles(const std::vector<TrackSource>& tracks, const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::string>> files;
    for (const TrackSource& track : tracks) {
        std::vector<unsigned char> bytes = encodeTrack(track);
        files.emplace_back((fs::path(folder) / trackFileName(track.name)).string(),
                           std::string(bytes.begin(), bytes.end()));
    }
    return files;
}

void writeTrackFiles(const std::vector<TrackSource>& tracks, const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    replaceFiles(compiledTrackFiles(tracks, folder));
}

void writeTracks(const std::vector<TrackSource>& tracks, const std::string& folder) {
    namespace fs = std::filesystem;
    writeTrackFiles(tracks, folder);
    std::set<std::string> written;
    for (const TrackSource& track : tracks)
        written.insert(trackFileName(track.name));
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        bool isTrack =
            name.size() > 7 && name[0] == '_' && name.compare(name.size() - 6, 6, ".track") == 0;
        if (isTrack && !written.count(name))
            fs::remove(entry.path());
    }
}
