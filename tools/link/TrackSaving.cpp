// Track files from the keys in memory, through the track compiler's one writer of track files.
#include "TrackSaving.h"

#include "TrackWriter.h"

void saveTracks(const TrackSet& tracks, const std::string& base) {
    std::vector<TrackSource> sources;
    for (int i = 0; i < tracks.getTrackCount(); ++i) {
        const Track* track = tracks.getTrackAt(i);
        TrackSource source;
        source.name = track->getName();
        for (int k = 0; k < track->getKeyCount(); ++k) {
            const TrackKey& key = track->getKeys()[k];
            source.keys.push_back(SourceKey{key.row, key.value, key.interpolation, 0});
        }
        sources.push_back(std::move(source));
    }
    writeTrackFiles(sources, base);
}
