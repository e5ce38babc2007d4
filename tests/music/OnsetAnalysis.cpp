// Onset strength from band-limited log energy, autocorrelation tempo with a long-lag refinement.
#include "OnsetAnalysis.h"

#include <algorithm>
#include <cmath>

#include "Filters.h"
#include "Grid.h"

OnsetSignal onsetSignal(const Synth::StereoBuffer& audio, float lowPassHz) {
    Synth::Svf first, second;
    if (lowPassHz > 0.0f) {
        first.set(lowPassHz, 0.7f);
        second.set(lowPassHz, 0.7f);
    }
    const size_t frames = audio.size() / kOnsetHop;
    std::vector<float> hopPeak(frames, 0.0f);
    for (size_t frame = 0; frame < frames; ++frame) {
        for (size_t n = frame * kOnsetHop; n < (frame + 1) * kOnsetHop; ++n) {
            float mono = 0.5f * (audio.left[n] + audio.right[n]);
            if (lowPassHz > 0.0f) {
                first.process(mono);
                second.process(first.low);
                mono = second.low;
            }
            hopPeak[frame] = std::max(hopPeak[frame], std::abs(mono));
        }
    }
    // Peak of the trailing 20 ms: a full period of a 50 Hz kick, so its tail does not ripple.
    const size_t window = 14;
    std::vector<float> level(frames, -100.0f);
    for (size_t frame = 0; frame < frames; ++frame) {
        size_t from = frame >= window ? frame - window + 1 : 0;
        float peak = *std::max_element(hopPeak.begin() + from, hopPeak.begin() + frame + 1);
        level[frame] = 20.0f * std::log10(peak + 1e-6f);
    }
    // Rise over the previous few frames, so slow swells do not count as onsets.
    const size_t lag = 8;
    std::vector<float> strength(frames, 0.0f);
    for (size_t frame = lag; frame < frames; ++frame) {
        float floor = *std::min_element(level.begin() + frame - lag, level.begin() + frame);
        strength[frame] = std::max(0.0f, level[frame] - floor);
    }
    return {level, strength};
}

namespace {

double autocorrelation(const std::vector<float>& x, double lag) {
    // Linear interpolation gives sub-frame lags for the refinement.
    const size_t whole = static_cast<size_t>(lag);
    const double fraction = lag - whole;
    double sum = 0.0;
    for (size_t n = 0; n + whole + 1 < x.size(); ++n)
        sum += x[n] * ((1.0 - fraction) * x[n + whole] + fraction * x[n + whole + 1]);
    return sum;
}

double bestLag(const std::vector<float>& x, double from, double to, double step) {
    double best = from, bestValue = -1.0;
    for (double lag = from; lag <= to; lag += step) {
        double value = autocorrelation(x, lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    return best;
}

} // namespace

double estimateTempo(const std::vector<float>& strength, double minBpm, double maxBpm) {
    const double framesPerSecond = static_cast<double>(Synth::kSampleRate) / kOnsetHop;
    std::vector<float> centred(strength);
    double mean = 0.0;
    for (float v : centred)
        mean += v;
    mean /= centred.size();
    for (float& v : centred)
        v -= static_cast<float>(mean);
    // Coarse: one beat; then refine on the lag of 16 beats, where a frame is a 16th of the error.
    double beat =
        bestLag(centred, 60.0 * framesPerSecond / maxBpm, 60.0 * framesPerSecond / minBpm, 1.0);
    const int beats = 16;
    double longLag = bestLag(centred, (beat - 1.0) * beats, (beat + 1.0) * beats, 0.25);
    return 60.0 * framesPerSecond / (longLag / beats);
}

std::vector<double> pickOnsets(const OnsetSignal& onsets, float riseDb, float headroomDb,
                               double gapSeconds) {
    const std::vector<float>& level = onsets.level;
    std::vector<float> sorted(level);
    std::sort(sorted.begin(), sorted.end());
    const float loud = sorted[sorted.size() * 99 / 100] - headroomDb;
    const long gap = static_cast<long>(gapSeconds * Synth::kSampleRate / kOnsetHop);
    const long count = static_cast<long>(level.size());
    std::vector<double> found;
    long last = -gap - 1;
    float lastStrength = 0.0f;
    for (long frame = 8; frame + 24 < count; ++frame) {
        const float strength = onsets.strength[frame];
        if (strength < riseDb)
            continue;
        if (*std::max_element(level.begin() + frame, level.begin() + frame + 24) < loud)
            continue;
        // Of rises closer than the gap, the strongest wins (a bass note just before a kick).
        const bool close = frame - last <= gap;
        if (close && strength <= lastStrength)
            continue;
        // The onset is the first hop of the rise that got us here.
        long start = frame;
        for (long back = frame - 6; back < frame; ++back)
            if (level[back] - level[back - 1] > 1.0f) {
                start = back;
                break;
            }
        if (close)
            found.back() = static_cast<double>(start) * kOnsetHop;
        else
            found.push_back(static_cast<double>(start) * kOnsetHop);
        last = frame;
        lastStrength = strength;
    }
    return found;
}

long firstSampleAbove(const Synth::StereoBuffer& audio, float threshold, long from) {
    for (long n = from; n < static_cast<long>(audio.size()); ++n)
        if (std::abs(audio.left[n]) >= threshold || std::abs(audio.right[n]) >= threshold)
            return n;
    return -1;
}
