// Master stage: make-up gain searched for the loudness target, then a look-ahead true-peak limiter.
#pragma once

#include <vector>

#include "StereoBuffer.h"

namespace Synth {

struct MasterSettings {
    double targetLufs = -14.0;
    double ceilingDbtp = -1.5;
    double lookAheadSeconds = 0.003;
    double releaseSeconds = 0.12;
};

struct MasterReport {
    double inputLufs = 0.0;
    double makeUpDb = 0.0;
    double outputLufs = 0.0;
    double truePeakDbtp = 0.0;
    double maxReductionDb = 0.0;
};

// Fills `gain` (sized like `peaks`) with the gain per sample that keeps `gain * peaks` under
// `ceiling`, with a ramp of `lookAhead` samples ahead of each peak and an exponential release.
// `scratch` is working space, reused between calls.
void limiterGain(const std::vector<float>& peaks, float makeUp, float ceiling, int lookAhead,
                 double releaseSeconds, std::vector<float>& scratch, std::vector<float>& gain);

// Masters `mix` in place and reports what it did.
MasterReport master(StereoBuffer& mix, const MasterSettings& settings);

} // namespace Synth
