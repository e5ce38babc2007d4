// The position a listener hears: device callbacks anchor it (frames handed over, less the
// device's own buffer), a monotonic clock carries it smoothly between them, and it never runs
// backwards while playing. Not locked itself; the channel guards it.
#pragma once

#include <cstdint>

namespace sound {

class HeardClock {
public:
    HeardClock(int sampleRate, int latencyFrames);

    // The device took `delivered` stream frames starting at `startFrame` at time `now` (seconds).
    void recordCallback(double now, std::int64_t startFrame, int delivered);

    // Playback restarts from a new place (seek, pause): the position is exactly `milliseconds`
    // until the device is heard playing from `frame`.
    void restart(double now, double milliseconds, std::int64_t frame);
    void pause(double now);
    void resume(double now);
    bool isPaused() const { return paused; }

    // Milliseconds heard at `now`; call with non-decreasing times.
    double read(double now);

private:
    // The device's view: frames heard at `now`, and whether it is pinned at a bound (nothing
    // new heard yet, or all that was handed over already heard).
    double estimateFrames(double now, bool& pinned) const;

    double rate;
    double latencyFrames;
    double position = 0.0; // milliseconds reported last
    double lastRead = 0.0;
    bool paused = false;
    std::int64_t restartFrame = 0;
    bool anchored = false;
    double anchorTime = 0.0;
    std::int64_t anchorFrame = 0;
    int anchorDelivered = 0;
};

} // namespace sound
