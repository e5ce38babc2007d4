// The tune's time grid: rows of the show's clock mapped to sample positions, without drift.
#pragma once

#include "src/MusicGrid.h"

#include <cmath>
#include <cstdint>

namespace Synth {

constexpr int kSampleRate = 44100;
constexpr double kRowsPerSecond = MusicGrid::rowsPerSecond;

// Every event starts exactly on the sample nearest its row; computed from the row, never summed.
inline int64_t rowToSample(double row) {
    return static_cast<int64_t>(std::llround(row / kRowsPerSecond * kSampleRate));
}

inline double sampleToRow(double sample) {
    return sample / kSampleRate * kRowsPerSecond;
}

inline double rowsToSeconds(double rows) {
    return rows / kRowsPerSecond;
}

} // namespace Synth
