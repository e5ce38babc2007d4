// The music's grid, the one definition every program and tool counts time by: rows of the sync
// clock per second (134.6 BPM at 8 rows a beat), beats, bars and phrases in rows, the show's
// length, and the 60 fps frame step its frames are addressed by.
#pragma once

namespace MusicGrid {

// The double nearest to 1346 / 75.
constexpr double rowsPerSecond = 17.946666666666665;
constexpr int rowsPerBeat = 8;
constexpr int rowsPerBar = 32;
constexpr int rowsPerPhrase = 256;
constexpr double showSeconds = 78.0;
constexpr double showRows = showSeconds * rowsPerSecond;
constexpr int framesPerSecond = 60;
constexpr double frameSeconds = 1.0 / framesPerSecond;
// The music the grid counts, and the cue sheet its synthesizer wrote beside it.
constexpr const char* musicFile = "Data/pim00dle_and_quandrel-vantorel.mp3";
constexpr const char* cueSheetFile = "Data/music.cues";

inline double rowAt(double seconds) {
    return seconds * rowsPerSecond;
}
inline double secondsAt(double row) {
    return row / rowsPerSecond;
}

} // namespace MusicGrid
