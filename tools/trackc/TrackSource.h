// In-memory form of sync tracks as authored: named key lists with where they came from.
#pragma once

#include "MusicGrid.h"

#include <cstdint>
#include <string>
#include <vector>

struct SourceKey {
    std::int32_t row = 0;
    float value = 0.0f;
    int interpolation = 0; // 0 hold, 1 linear, 2 smooth, 3 ease-in
    int line = 0;          // source line, for messages
};

struct TrackSource {
    std::string name;
    std::string file;
    int line = 0;
    std::vector<SourceKey> keys;
};

constexpr int rowsPerBeat = MusicGrid::rowsPerBeat;
constexpr int rowsPerBar = MusicGrid::rowsPerBar;
// Bytes a track's name may hold: the show opens "Data/_<name>.track" through a 259-byte path.
constexpr std::size_t longestTrackName = 200;
// Rows the text format holds: from -lastTextRow to lastTextRow.
constexpr std::int32_t lastTextRow = 99999999;

// "hold", "linear", "smooth", "easein" (also "ease-in"), or -1 when unknown.
int interpolationFromName(const std::string& name);
const char* interpolationName(int interpolation);
