// A fixed ring of interleaved stereo frames between the decoder and the device callback. Not
// locked itself: its owner guards it, holding the lock only for the copies.
#pragma once

#include <vector>

namespace sound {

class FrameRing {
public:
    explicit FrameRing(int capacityFrames)
        : samples(size_t(capacityFrames) * 2), capacity(capacityFrames) {}

    int getCount() const { return count; }
    int getSpace() const { return capacity - count; }
    void clear() {
        start = 0;
        count = 0;
    }

    // Copies in as many frames as fit; returns how many.
    int push(const float* frames, int frameCount) {
        int pushed = frameCount < getSpace() ? frameCount : getSpace();
        for (int i = 0; i < pushed; ++i) {
            int slot = (start + count + i) % capacity;
            samples[size_t(slot) * 2] = frames[i * 2];
            samples[size_t(slot) * 2 + 1] = frames[i * 2 + 1];
        }
        count += pushed;
        return pushed;
    }

    // Adds up to frameCount frames onto out (the device mixes channels by summing); returns how
    // many.
    int popAdding(float* out, int frameCount) {
        int popped = frameCount < count ? frameCount : count;
        for (int i = 0; i < popped; ++i) {
            int slot = (start + i) % capacity;
            out[i * 2] += samples[size_t(slot) * 2];
            out[i * 2 + 1] += samples[size_t(slot) * 2 + 1];
        }
        start = (start + popped) % capacity;
        count -= popped;
        return popped;
    }

private:
    std::vector<float> samples;
    int capacity;
    int start = 0;
    int count = 0;
};

} // namespace sound
