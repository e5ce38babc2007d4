// Coverage buffer operations and the box-filter approximation of a Gaussian blur.
#include "Mask.h"

#include <algorithm>
#include <cmath>

void Mask::cover(int x, int y, float coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return;
    }
    float& v = at(x, y);
    v = std::max(v, std::min(coverage, 1.0f));
}

float Mask::sample(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0.0f;
    }
    return at(x, y);
}

// One running-sum box pass over `count` samples spaced `stride` apart, zero beyond the ends.
static void boxPass(const float* in, float* out, int count, int stride, int radius) {
    float sum = 0;
    float scale = 1.0f / (2 * radius + 1);
    for (int i = 0; i < std::min(radius, count); ++i) {
        sum += in[i * stride];
    }
    for (int i = 0; i < count; ++i) {
        int add = i + radius, remove = i - radius - 1;
        if (add < count) {
            sum += in[add * stride];
        }
        if (remove >= 0) {
            sum -= in[remove * stride];
        }
        out[i * stride] = sum * scale;
    }
}

Mask blur(const Mask& source, float sigma) {
    // Three boxes of width w have variance 3 (w^2 - 1) / 12.
    int radius =
        std::max(1, static_cast<int>(std::lround((std::sqrt(4.0f * sigma * sigma + 1) - 1) / 2)));
    Mask a = source, b(source.width, source.height);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < a.height; ++y) {
            boxPass(&a.values[static_cast<size_t>(y) * a.width],
                    &b.values[static_cast<size_t>(y) * a.width], a.width, 1, radius);
        }
        std::swap(a.values, b.values);
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (int x = 0; x < a.width; ++x) {
            boxPass(&a.values[x], &b.values[x], a.height, a.width, radius);
        }
        std::swap(a.values, b.values);
    }
    return a;
}
