// Deterministic pseudo-random numbers (xorshift32): the same seed gives the same tune everywhere.
#pragma once

#include <cstdint>
#include <string>

namespace Synth {

class Rng {
public:
    explicit Rng(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}

    uint32_t nextInt() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

    // Uniform in [-1, 1).
    float nextBipolar() { return static_cast<float>(nextInt() >> 8) * (2.0f / 16777216.0f) - 1.0f; }

    // Uniform in [0, 1).
    float nextUnit() { return static_cast<float>(nextInt() >> 8) * (1.0f / 16777216.0f); }

private:
    uint32_t state;
};

// FNV-1a: stable seeds from names, independent of the standard library's hash.
inline uint32_t hashSeed(const std::string& text, uint32_t salt = 0) {
    uint32_t hash = 2166136261u ^ salt;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

} // namespace Synth
