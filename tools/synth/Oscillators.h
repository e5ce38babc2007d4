// Band-limited oscillators (PolyBLEP saw and pulse) and a sine, stepped one sample at a time.
#pragma once

#include <cmath>
#include <vector>

#include "Grid.h"

namespace Synth {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

// Smooths the step of a naive waveform over the sample either side of the wrap.
inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

inline float hzToStep(float hz) {
    return hz / static_cast<float>(kSampleRate);
}

inline float midiToHz(float note) {
    return 440.0f * std::exp2((note - 69.0f) / 12.0f);
}

struct SawOsc {
    float phase = 0.0f;

    float next(float step) {
        float value = 2.0f * phase - 1.0f - polyBlep(phase, step);
        phase += step;
        if (phase >= 1.0f)
            phase -= 1.0f;
        return value;
    }
};

// Many saws at once, laid out so the compiler can vectorise the loop (no branches per saw).
struct SawBank {
    std::vector<float> phases, steps, inverseSteps;

    void add(float phase, float step) {
        phases.push_back(phase);
        steps.push_back(step);
        inverseSteps.push_back(1.0f / step);
    }

    // Writes one sample of every saw into `out`.
    void next(float* __restrict out) {
        const size_t count = phases.size();
        float* __restrict phase = phases.data();
        const float* __restrict step = steps.data();
        const float* __restrict inverse = inverseSteps.data();
        for (size_t k = 0; k < count; ++k) {
            float p = phase[k], dt = step[k];
            float a = p * inverse[k];
            float b = (p - 1.0f) * inverse[k];
            float rising = p < dt ? a + a - a * a - 1.0f : 0.0f;
            float falling = p > 1.0f - dt ? b * b + b + b + 1.0f : 0.0f;
            out[k] = 2.0f * p - 1.0f - rising - falling;
            p += dt;
            phase[k] = p >= 1.0f ? p - 1.0f : p;
        }
    }
};

struct PulseOsc {
    float phase = 0.0f;

    float next(float step, float width = 0.5f) {
        float value = phase < width ? 1.0f : -1.0f;
        value += polyBlep(phase, step);
        float shifted = phase - width;
        if (shifted < 0.0f)
            shifted += 1.0f;
        value -= polyBlep(shifted, step);
        phase += step;
        if (phase >= 1.0f)
            phase -= 1.0f;
        return value;
    }
};

struct SineOsc {
    double phase = 0.0;

    float next(double step) {
        float value = static_cast<float>(std::sin(phase * 6.283185307179586));
        phase += step;
        if (phase >= 1.0)
            phase -= 1.0;
        return value;
    }
};

} // namespace Synth
