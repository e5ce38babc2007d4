// A one-channel coverage buffer: what the card's ink covers, and its blurred copies for the glow
// and the shadow.
#pragma once

#include <cstddef>
#include <vector>

struct Mask {
    Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}

    int width;
    int height;
    std::vector<float> values;

    float& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    // Coverage is combined by the larger value, so touching shapes do not overbrighten.
    void cover(int x, int y, float coverage);
    // Zero outside the buffer.
    float sample(int x, int y) const;
};

// Three box passes in each direction, close to a Gaussian of the given standard deviation.
Mask blur(const Mask& source, float sigma);
