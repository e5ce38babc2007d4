// A block of stereo samples (float, full scale 1.0) that voices and effects add into.
#pragma once

#include <cstddef>
#include <vector>

namespace Synth {

struct StereoBuffer {
    std::vector<float> left, right;

    StereoBuffer() = default;
    explicit StereoBuffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}

    size_t size() const { return left.size(); }
};

} // namespace Synth
