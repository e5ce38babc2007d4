// Track files from the keys in memory, encoded by the track compiler's writer.
#include "TrackSaving.h"

#include "TrackWriter.h"
#include "kem/Exception.h"

#include <cstdio>
#include <fstream>

void replaceFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::string temporary = path + ".saving";
    {
        std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size()));
        stream.close();
        if (!stream) {
            std::remove(temporary.c_str());
            throw Kem::Exception((path + " cannot be written").c_str(), "tools/link/TrackSaving",
                                 __LINE__);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw Kem::Exception((path + " cannot be replaced").c_str(), "tools/link/TrackSaving",
                             __LINE__);
    }
}

void saveTracks(const TrackSet& tracks, const std::string& base) {
    TrackSource source;
    for (int i = 0; i < tracks.getTrackCount(); ++i) {
        const Track* track = tracks.getTrackAt(i);
        source.name = track->getName();
        source.keys.clear();
        for (int k = 0; k < track->getKeyCount(); ++k) {
            const TrackKey& key = track->getKeys()[k];
            SourceKey copy;
            copy.row = key.row;
            copy.value = key.value;
            copy.interpolation = key.interpolation;
            source.keys.push_back(copy);
        }
        replaceFile(base + "_" + source.name + ".track", encodeTrack(source));
    }
}
