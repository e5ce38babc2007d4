// Attack-decay-sustain-release envelope: linear attack, exponential decay and release.
#pragma once

#include <algorithm>
#include <cmath>

#include "Grid.h"

namespace Synth {

class Envelope {
public:
    Envelope(float attackSeconds, float decaySeconds, float sustain, float releaseSeconds)
        : attackStep(1.0f / std::max(1.0f, attackSeconds * kSampleRate)),
          decayFactor(timeFactor(decaySeconds)), sustain(sustain),
          releaseFactor(timeFactor(releaseSeconds)) {}

    // Advances one sample; `gate` false starts the release.
    float next(bool gate) {
        if (gate) {
            if (attacking) {
                level += attackStep;
                if (level >= 1.0f) {
                    level = 1.0f;
                    attacking = false;
                }
            } else {
                level = sustain + (level - sustain) * decayFactor;
            }
        } else {
            attacking = false;
            level *= releaseFactor;
        }
        return level;
    }

    float value() const { return level; }

    // Samples after the gate closes until the level falls below -80 dB (9.2 time constants).
    static long releaseSamples(float releaseSeconds) {
        return static_cast<long>(releaseSeconds * kSampleRate * 9.21f) + 64;
    }

private:
    // Per-sample factor for an exponential with the given time constant.
    static float timeFactor(float seconds) {
        return std::exp(-1.0f / std::max(1.0f, seconds * kSampleRate));
    }

    float attackStep, decayFactor, sustain, releaseFactor;
    float level = 0.0f;
    bool attacking = true;
};

} // namespace Synth
