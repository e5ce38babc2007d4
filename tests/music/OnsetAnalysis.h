// Listening by numbers: onset strength, tempo by autocorrelation, kick onsets in the low band.
#pragma once

#include <vector>

#include "StereoBuffer.h"

constexpr int kOnsetHop = 64; // samples per onset-strength frame (1.45 ms)

struct OnsetSignal {
    std::vector<float> level;    // dB, peak magnitude over the trailing 20 ms, per hop
    std::vector<float> strength; // dB of rise over the previous few hops, never negative
};

// Onset signal of the band below `lowPassHz` (all of it when 0).
OnsetSignal onsetSignal(const Synth::StereoBuffer& audio, float lowPassHz);

// Tempo in BPM from the autocorrelation of the onset strength, searched in [minBpm, maxBpm].
double estimateTempo(const std::vector<float>& strength, double minBpm, double maxBpm);

// Onsets (sample positions) that rise by at least `riseDb` to within `headroomDb` of the band's
// loud level (its 99th percentile), at least `gapSeconds` apart. The position is the first hop
// of the rise.
std::vector<double> pickOnsets(const OnsetSignal& onsets, float riseDb, float headroomDb,
                               double gapSeconds);

// First sample where the magnitude reaches `threshold`, or -1.
long firstSampleAbove(const Synth::StereoBuffer& audio, float threshold, long from = 0);
