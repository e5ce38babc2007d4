// A fixed ring of interleaved stereo frames between the decoder and the device callback. Not
// locked itself: its owner guards it, holding the lock only for the copies.
#pragma once

#include <cstddef>
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

    // Adds up to frameCount frames onto out, read `step` held frames apart starting `phase` (a
    // fraction of a frame) past the first held one, interpolating linearly: the stream played at
    // 1/step of its speed. Drops the whole frames passed and leaves phase as the fraction into
    // the next. Returns the frames written; `consumed` gets the frames dropped.
    int popStepping(float* out, int frameCount, double step, double& phase, int& consumed) {
        int written = 0;
        double position = phase;
        while (written < frameCount) {
            int index = int(position);
            if (index + 1 >= count)
                break;
            float fraction = float(position - index);
            size_t a = size_t((start + index) % capacity) * 2;
            size_t b = size_t((start + index + 1) % capacity) * 2;
            out[written * 2] += samples[a] + (samples[b] - samples[a]) * fraction;
            out[written * 2 + 1] += samples[a + 1] + (samples[b + 1] - samples[a + 1]) * fraction;
            position += step;
            ++written;
        }
        consumed = int(position) < count ? int(position) : count;
        start = (start + consumed) % capacity;
        count -= consumed;
        phase = position - consumed;
        return written;
    }

private:
    std::vector<float> samples;
    int capacity;
    int start = 0;
    int count = 0;
};

} // namespace sound
