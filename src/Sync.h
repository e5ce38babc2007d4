// Sync tracks: named key-frame curves read from "Data/_<name>.track", evaluated at the music row.
#pragma once

#include "Audio.h"

#include <cstdint>

namespace Sync {
float getValue(const char* name);
}

enum Interpolation { Hold = 0, Linear = 1, Smooth = 2, EaseIn = 3 };

struct TrackKey {
    std::int32_t row;
    float value;
    std::int32_t interpolation;
};

class Track {
public:
    Track() = default;
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    // 0 when the track has no keys; the first value before the first key, the last after the last.
    float getValue(double row) const;

    const char* getName() const { return name; }
    int getKeyCount() const { return count; }
    const TrackKey* getKeys() const { return keys; }
    // Replaces every key (sorted by row, one key per row) for the rest of the run or until the
    // next replacement. For the making tools; the show reads its tracks from files only.
    void setKeys(const TrackKey* newKeys, int newCount);
    // The read stamp current when the show last read this track through Sync::getValue.
    std::uint32_t getLastRead() const { return lastRead; }

private:
    friend class TrackSet;
    friend float Sync::getValue(const char* name);
    char* name = nullptr;
    TrackKey* keys = nullptr;
    std::int32_t count = 0;
    std::uint32_t lastRead = 0;
};

class TrackSet {
public:
    explicit TrackSet(const char* base);
    ~TrackSet();
    TrackSet(const TrackSet&) = delete;
    TrackSet& operator=(const TrackSet&) = delete;
    // The track of that name, loaded from its file the first time it is asked for. A missing
    // file leaves the track empty for the rest of the run.
    Track* getTrack(const char* name);

    const char* getBase() const { return base; }
    int getTrackCount() const { return count; }
    // Tracks in the order they were first asked for.
    Track* getTrackAt(int index) const { return tracks[index]; }
    // Reads the track's file again; a missing or unreadable file empties it.
    void reloadTrack(Track* track);

private:
    char* base = nullptr;
    Track** tracks = nullptr;
    std::int32_t count = 0;
};

namespace Sync {

void setAudio(Audio* audio, double rowsPerSecond);
// The named track's value at the current music row; 0 without audio.
float getValue(const char* name);
// Show time in seconds: the music position, or the wall clock while there is no music channel.
double getTime();
// The row getValue evaluates at this moment.
double getRow();
// The module's tracks (base "Data/" unless changed before first use).
TrackSet* getTracks();
// Reads tracks from another folder (ending in '/'). Meant for before the first track is asked
// for; later, a fresh set is started and tracks already handed out stay as they were.
void setTrackDirectory(const char* base);
// Starts a new read stamp, so a making tool can tell which tracks a frame read (stamps start at 1).
std::uint32_t nextReadStamp();

} // namespace Sync
