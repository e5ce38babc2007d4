// The seeded multiply-with-carry generator the scenes lay out their objects with; each user has
// its own instance so every layout starts from the same sequence.
#pragma once

#include <cstdint>

class Random {
public:
    Random(std::uint32_t z = 1, std::uint32_t w = 2) : z(z), w(w) {}

    // A value in min ... max, both ends possible.
    float nextFloat(float min, float max);
    // The raw 32-bit word; callers take truncating remainders of it.
    std::int32_t nextInt();

private:
    void advance();

    std::uint32_t z;
    std::uint32_t w;
};
