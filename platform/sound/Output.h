// Where mixed frames go: the SDL audio device (its default driver, else SDL's "dummy"), or a
// paced thread of our own when no device can be opened at all. Either way the mixer is called
// at the real-time rate, so a silent show still keeps time.
#pragma once

#include <memory>
#include <string>

namespace sound {

// Seconds on the clock every position is measured against (SoundControl::setClock).
double monotonicSeconds();

class Mixer {
public:
    // Fills `frames` interleaved stereo frames (zeroed on entry); `now` is when the call began.
    virtual void mix(float* out, int frames, double now) = 0;

protected:
    ~Mixer() = default;
};

class Output {
public:
    virtual ~Output() = default;
    // Frames the device holds between the callback and the speaker.
    virtual int getLatencyFrames() const = 0;
    virtual std::string getName() const = 0;
    // True when a real device consumes the frames at its own hardware rate.
    virtual bool isClocked() const = 0;

    // Starts calling mixer at sampleRate; never fails (the paced clock is the last resort).
    static std::unique_ptr<Output> open(int sampleRate, Mixer& mixer, bool deviceAllowed);
};

} // namespace sound
