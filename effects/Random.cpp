// Marsaglia's multiply-with-carry pair, kept to 32-bit wrapping arithmetic.
#include "Random.h"

void Random::advance() {
    z = 36969u * (z & 0xFFFFu) + (z >> 16);
    w = 18000u * (w & 0xFFFFu) + (w >> 16);
}

float Random::nextFloat(float min, float max) {
    advance();
    std::uint32_t n = (((z << 16) + w) >> 16) & 0x7FFFu;
    float u = float(n) / 32767.0f;
    return u * (max - min) + min;
}

std::int32_t Random::nextInt() {
    advance();
    return static_cast<std::int32_t>((z << 16) + w);
}
