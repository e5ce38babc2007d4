// Offline mastering: the whole mix is known, so the limiter looks ahead by reading the future.
#include "Limiter.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "Grid.h"
#include "Loudness.h"

namespace Synth {

void limiterGain(const std::vector<float>& peaks, float makeUp, float ceiling, int lookAhead,
                 double releaseSeconds, std::vector<float>& scratch, std::vector<float>& gain) {
    const long count = static_cast<long>(peaks.size());
    // Gain each sample needs on its own (the interval before it included).
    std::vector<float>& needed = scratch;
    needed.resize(count);
    gain.resize(count);
    for (long n = 0; n < count; ++n) {
        float peak = peaks[n];
        if (n > 0)
            peak = std::max(peak, peaks[n - 1]);
        float loud = peak * makeUp;
        needed[n] = loud > ceiling ? ceiling / loud : 1.0f;
    }
    // Minimum over the coming look-ahead window (monotonic queue, linear time).
    std::deque<long> window;
    for (long n = count - 1; n >= 0; --n) {
        while (!window.empty() && needed[window.back()] >= needed[n])
            window.pop_back();
        window.push_back(n);
        while (window.front() > n + lookAhead)
            window.pop_front();
        gain[n] = needed[window.front()];
    }
    // Release: recover towards unity slowly, never above what is needed.
    // (In double: in float the last steps towards unity round away and the level sticks below 1.)
    const double recover = std::exp(-1.0 / (releaseSeconds * kSampleRate));
    double level = 1.0;
    for (long n = 0; n < count; ++n) {
        level = std::min<double>(gain[n], 1.0 - (1.0 - level) * recover);
        gain[n] = static_cast<float>(level);
    }
    // Box average over the look-ahead: a smooth ramp that still meets every sample's need,
    // since each averaged value already holds the minimum of the window ahead of it.
    std::vector<float> recent(lookAhead + 1, 1.0f);
    double sum = 0.0;
    for (long n = 0; n < count; ++n) {
        float& slot = recent[n % (lookAhead + 1)];
        if (n > lookAhead)
            sum -= slot;
        slot = gain[n];
        sum += slot;
        long width = std::min<long>(n, lookAhead) + 1;
        gain[n] = static_cast<float>(sum / width) * makeUp;
    }
}

MasterReport master(StereoBuffer& mix, const MasterSettings& settings) {
    MasterReport report;
    const std::vector<float> power = kWeightedPower(mix);
    const std::vector<float> peaks = truePeakEnvelope(mix);
    report.inputLufs = integratedLoudness(power);
    const float ceiling = static_cast<float>(std::pow(10.0, settings.ceilingDbtp / 20.0));
    const int lookAhead = static_cast<int>(settings.lookAheadSeconds * kSampleRate);

    double makeUpDb = settings.targetLufs - report.inputLufs;
    std::vector<float> gain, scratch;
    for (int pass = 0; pass < 6; ++pass) {
        limiterGain(peaks, static_cast<float>(std::pow(10.0, makeUpDb / 20.0)), ceiling, lookAhead,
                    settings.releaseSeconds, scratch, gain);
        double reached = integratedLoudness(power, gain);
        makeUpDb += settings.targetLufs - reached;
        if (std::abs(settings.targetLufs - reached) < 0.02)
            break;
    }
    report.makeUpDb = makeUpDb;
    float smallest = 1e9f;
    for (size_t n = 0; n < mix.size(); ++n) {
        mix.left[n] *= gain[n];
        mix.right[n] *= gain[n];
        smallest = std::min(smallest, gain[n]);
    }
    report.maxReductionDb = makeUpDb - toDecibels(smallest);
    // Interpolated peaks of a gain-modulated signal can edge past the estimate: trim the rest.
    float peak = truePeak(mix);
    if (peak > ceiling) {
        float trim = ceiling / peak;
        for (size_t n = 0; n < mix.size(); ++n) {
            mix.left[n] *= trim;
            mix.right[n] *= trim;
        }
        peak = ceiling;
    }
    report.truePeakDbtp = toDecibels(peak);
    report.outputLufs = integratedLoudness(mix);
    return report;
}

} // namespace Synth
