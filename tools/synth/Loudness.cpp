// BS.1770 K-weighting and gating, and a 4x polyphase interpolator for true-peak detection.
#include "Loudness.h"

#include <algorithm>
#include <cmath>

#include "Grid.h"

namespace Synth {
namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;

    double process(double x) {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages (high shelf, then high-pass) derived for the sample rate.
void kWeighting(Biquad& shelf, Biquad& highPass) {
    const double pi = 3.14159265358979323846;
    double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(pi * f0 / kSampleRate);
    double vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
             (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = std::tan(pi * f0 / kSampleRate);
    a0 = 1.0 + k / q + k * k;
    highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

constexpr int kPhases = 4;
constexpr int kTapsPerPhase = 12;

// Windowed-sinc interpolation filter, one row of taps per fractional position.
struct Interpolator {
    float taps[kPhases][kTapsPerPhase];

    Interpolator() {
        const int total = kPhases * kTapsPerPhase;
        const double center = (total - 1) / 2.0; // symmetric prototype, points at n + 1/8 + p/4
        for (int phase = 0; phase < kPhases; ++phase) {
            double sum = 0.0;
            for (int t = 0; t < kTapsPerPhase; ++t) {
                int k = t * kPhases + phase;
                double x = (k - center) / kPhases;
                double sinc = std::abs(x) < 1e-9 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
                double w = 0.42 - 0.5 * std::cos(2 * M_PI * (k + 0.5) / total) +
                           0.08 * std::cos(4 * M_PI * (k + 0.5) / total);
                taps[phase][t] = static_cast<float>(sinc * w);
                sum += taps[phase][t];
            }
            for (float& tap : taps[phase])
                tap = static_cast<float>(tap / sum);
        }
    }
};

void channelPeaks(const std::vector<float>& x, std::vector<float>& peaks) {
    static const Interpolator interpolator;
    const size_t count = x.size();
    const int half = kTapsPerPhase / 2;
    // Zero margins on both sides keep the inner loop free of bounds checks.
    std::vector<float> padded(count + kTapsPerPhase, 0.0f);
    std::copy(x.begin(), x.end(), padded.begin() + kTapsPerPhase - half - 1);
    for (size_t n = 0; n < count; ++n) {
        const float* window = &padded[n]; // window[j] = x[n + half - (kTapsPerPhase - 1 - j)]
        float peak = std::abs(x[n]);
        for (int phase = 0; phase < kPhases; ++phase) {
            float value = 0.0f;
            for (int t = 0; t < kTapsPerPhase; ++t)
                value += interpolator.taps[phase][t] * window[kTapsPerPhase - 1 - t];
            peak = std::max(peak, std::abs(value));
        }
        peaks[n] = std::max(peaks[n], peak);
    }
}

} // namespace

std::vector<float> kWeightedPower(const StereoBuffer& audio) {
    std::vector<float> power(audio.size(), 0.0f);
    for (const std::vector<float>* channel : {&audio.left, &audio.right}) {
        Biquad shelf{}, highPass{};
        kWeighting(shelf, highPass);
        for (size_t n = 0; n < audio.size(); ++n) {
            double y = highPass.process(shelf.process((*channel)[n]));
            power[n] += static_cast<float>(y * y);
        }
    }
    return power;
}

double integratedLoudness(const std::vector<float>& power, const std::vector<float>& gain) {
    const size_t hop = static_cast<size_t>(0.1 * kSampleRate);
    // Sums over 100 ms hops; each 400 ms block (75 % overlap) is four consecutive hops.
    std::vector<double> hops(power.size() / hop, 0.0);
    for (size_t h = 0; h < hops.size(); ++h) {
        double sum = 0.0;
        for (size_t n = h * hop; n < (h + 1) * hop; ++n) {
            double g = gain.empty() ? 1.0 : gain[n];
            sum += g * g * power[n];
        }
        hops[h] = sum;
    }
    std::vector<double> blocks;
    for (size_t h = 0; h + 4 <= hops.size(); ++h)
        blocks.push_back((hops[h] + hops[h + 1] + hops[h + 2] + hops[h + 3]) / (4.0 * hop));
    auto loudnessOf = [](double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); };
    auto gatedMean = [&](double threshold) {
        double sum = 0.0;
        int count = 0;
        for (double z : blocks)
            if (z > 0.0 && loudnessOf(z) > threshold) {
                sum += z;
                ++count;
            }
        return count ? sum / count : 0.0;
    };
    double absolute = gatedMean(-70.0);
    if (absolute <= 0.0)
        return -HUGE_VAL;
    double relative = gatedMean(loudnessOf(absolute) - 10.0);
    return loudnessOf(relative);
}

double integratedLoudness(const StereoBuffer& audio) {
    return integratedLoudness(kWeightedPower(audio));
}

std::vector<float> truePeakEnvelope(const StereoBuffer& audio) {
    std::vector<float> peaks(audio.size(), 0.0f);
    channelPeaks(audio.left, peaks);
    channelPeaks(audio.right, peaks);
    return peaks;
}

float truePeak(const StereoBuffer& audio) {
    std::vector<float> peaks = truePeakEnvelope(audio);
    return peaks.empty() ? 0.0f : *std::max_element(peaks.begin(), peaks.end());
}

} // namespace Synth
