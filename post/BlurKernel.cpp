// Folds the bloom's blur passes by running each input texel's unit impulse through all of them.
#include "BlurKernel.h"

#include "kem/Exception.h"

#include <algorithm>
#include <cmath>

namespace {

// One pass along a row of `size` texels, in double precision.
std::vector<double> blurOnce(const std::vector<double>& row, double delta) {
    int size = int(row.size());
    double weights[5], total = 0.0;
    for (int i = -2; i <= 2; ++i)
        total += weights[i + 2] = std::exp(-double(i * i) / 2.9);
    std::vector<double> out(row.size(), 0.0);
    for (int o = 0; o < size; ++o) {
        for (int i = -2; i <= 2; ++i) {
            // Bilinear filtering with GL_CLAMP: the coordinate is clamped to the texture, and
            // texels past the edge are the black border.
            double x = std::clamp(o + 0.5 + i * 1.5 * delta, 0.0, double(size)) - 0.5;
            double left = std::floor(x);
            double fraction = x - left;
            int texel = int(left);
            double sample = 0.0;
            if (texel >= 0)
                sample += (1.0 - fraction) * row[texel];
            if (texel + 1 < size)
                sample += fraction * row[texel + 1];
            out[o] += weights[i + 2] / total * sample;
        }
    }
    return out;
}

} // namespace

BlurKernel foldBlurPasses(int size, const float* deltas, int passCount) {
    BlurKernel kernel;
    kernel.weights.assign(size_t(size) * BlurKernel::band, 0.0f);
    for (int input = 0; input < size; ++input) {
        std::vector<double> row(size_t(size), 0.0);
        row[input] = 1.0;
        for (int pass = 0; pass < passCount; ++pass)
            row = blurOnce(row, deltas[pass]);
        for (int o = 0; o < size; ++o) {
            if (row[o] == 0.0)
                continue;
            int j = input - o + BlurKernel::reach;
            if (j < 0 || j >= BlurKernel::band)
                throw Kem::Exception("the bloom's blur reaches too far", "BlurKernel", __LINE__);
            kernel.weights[size_t(o) * BlurKernel::band + j] = float(row[o]);
        }
    }
    return kernel;
}
