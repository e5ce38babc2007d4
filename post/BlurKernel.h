// The bloom's chain of one-dimensional Gaussian passes folded into one banded matrix, so the
// chain runs as one pass per axis: each output texel is a fixed weighted sum of its neighbours.
#pragma once

#include <vector>

struct BlurKernel {
    // How far each side of an output texel its inputs lie, and the weights kept per output
    // texel: 2 * reach + 1, padded to whole RGBA texels of the weight texture.
    static constexpr int reach = 10;
    static constexpr int band = 24;

    // weights[o * band + j] multiplies input texel o - reach + j; zero outside the texture.
    std::vector<float> weights;
};

// The passes as the single-pass shader drew them: five taps 1.5 * delta texels apart with
// Gaussian weights, filtered bilinearly, the border black past the edges (GL_CLAMP). Throws when
// the passes reach further than BlurKernel::reach.
BlurKernel foldBlurPasses(int size, const float* deltas, int passCount);
