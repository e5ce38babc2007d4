// Filters: a zero-delay state-variable filter, a four-pole ladder and one-pole smoothers.
#pragma once

#include <algorithm>
#include <cmath>

#include "Grid.h"

namespace Synth {

// Soft saturation: a rational tanh approximation, exact slope 1 at 0, reaching +-1 at +-3.
inline float softClip(float x) {
    if (x <= -3.0f)
        return -1.0f;
    if (x >= 3.0f)
        return 1.0f;
    float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

inline float clampCutoff(float hz) {
    return std::clamp(hz, 10.0f, 0.45f * kSampleRate);
}

// Trapezoidal state-variable filter (Simper): stable under fast cutoff sweeps.
struct Svf {
    float ic1 = 0.0f, ic2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f, a3 = 0.0f, k = 1.0f;
    float low = 0.0f, band = 0.0f, high = 0.0f;

    void set(float cutoffHz, float q) {
        float g = std::tan(3.14159265f * clampCutoff(cutoffHz) / kSampleRate);
        k = 1.0f / q;
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }

    void process(float input) {
        float v3 = input - ic2;
        float v1 = a1 * ic1 + a2 * v3;
        float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        low = v2;
        band = v1;
        high = input - k * v1 - v2;
    }
};

// Four one-pole stages with resonant feedback and a saturating input: the bass's warm low-pass.
struct Ladder {
    float stage[4] = {0, 0, 0, 0};
    float g = 0.0f, resonance = 0.0f;

    void set(float cutoffHz, float res) {
        float w = std::tan(3.14159265f * clampCutoff(cutoffHz) / kSampleRate);
        g = w / (1.0f + w);
        resonance = res * 4.0f;
    }

    float process(float input) {
        float x = softClip(input - resonance * stage[3]);
        for (float& s : stage) {
            float v = g * (x - s);
            float y = v + s;
            s = y + v;
            x = y;
        }
        return x * (1.0f + resonance * 0.5f);
    }
};

// DC blocker / gentle high-pass.
struct OnePoleHighPass {
    float coefficient = 0.0f, lastIn = 0.0f, lastOut = 0.0f;

    explicit OnePoleHighPass(float cutoffHz = 10.0f) {
        coefficient = std::exp(-6.2831853f * cutoffHz / kSampleRate);
    }

    float process(float input) {
        lastOut = input - lastIn + coefficient * lastOut;
        lastIn = input;
        return lastOut;
    }
};

struct OnePoleLowPass {
    float coefficient = 0.0f, state = 0.0f;

    void set(float cutoffHz) {
        coefficient = 1.0f - std::exp(-6.2831853f * cutoffHz / kSampleRate);
    }
    float process(float input) { return state += coefficient * (input - state); }
};

} // namespace Synth
