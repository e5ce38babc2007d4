// Track files from the keys in memory, encoded by the track compiler's writer.
#include "TrackSaving.h"

#include "TrackWriter.h"
#include "platform/Files.h"

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
        platform::writeFileAtomically(base + "_" + source.name + ".track", encodeTrack(source));
    }
}
