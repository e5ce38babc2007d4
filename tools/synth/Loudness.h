// Loudness per ITU-R BS.1770 (K-weighting, 400 ms blocks, absolute and relative gates) and true
// peak by 4x oversampling.
#pragma once

#include <cmath>
#include <vector>

#include "StereoBuffer.h"

namespace Synth {

// K-weighted power per sample, summed over both channels.
std::vector<float> kWeightedPower(const StereoBuffer& audio);

// Integrated loudness in LUFS of the audio whose K-weighted power is `power`, each sample scaled
// by `gain` (amplitude; empty means 1). Gain that varies slowly commutes with K-weighting closely
// enough for a limiter to search its make-up gain without re-filtering.
double integratedLoudness(const std::vector<float>& power, const std::vector<float>& gain = {});
double integratedLoudness(const StereoBuffer& audio);

// Largest magnitude of the 4x-oversampled signal in [n, n+1), over both channels, per sample.
std::vector<float> truePeakEnvelope(const StereoBuffer& audio);
// Largest true-peak magnitude (linear).
float truePeak(const StereoBuffer& audio);

inline double toDecibels(double linear) {
    return 20.0 * std::log10(linear);
}

} // namespace Synth
