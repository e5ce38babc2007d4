// The position a listener hears: device callbacks anchor it (frames handed over, less the
// device's own buffer), a monotonic clock carries it smoothly between them, and it never runs
// backwards while playing. An output that nobody hears (a dummy or our own paced thread) keeps
// no exact time, so there the monotonic clock alone runs it. Not locked itself; the channel
// guards it.
#pragma once

#include <cstdint>

namespace sound {

class HeardClock {
public:
    // endFrame: the stream's length in frames, or -1 when unknown.
    HeardClock(int sampleRate, int latencyFrames, bool followsDevice, std::int64_t endFrame);

    // The device took `delivered` stream frames starting at `startFrame` at time `now` (seconds).
    void recordCallback(double now, std::int64_t startFrame, int delivered);

    // Playback restarts from a new place (seek, pause): the position is exactly `milliseconds`
    // until the device is heard playing from `frame`.
    void restart(double now, double milliseconds, std::int64_t frame);
    void pause(double now);
    void resume(double now);
    bool isPaused() const { return paused; }
    // Stream time per real time (1 normal, 0.5 half speed); call right after restart().
    void setSpeed(double newSpeed) { speed = newSpeed; }

    // Milliseconds heard at `now`; call with non-decreasing times.
    double read(double now);

private:
    // The device's view: frames heard at `now`, and whether it is pinned at a bound (nothing
    // new heard yet, or all that was handed over already heard).
    double estimateFrames(double now, bool& pinned) const;

    double rate;
    double speed = 1.0;
    double latencyFrames;
    bool followsDevice;
    double endFrame;
    double restartTime = 0.0; // when playing from restartFrame began (or resumed)
    double position = 0.0;    // milliseconds reported last
    double lastRead = 0.0;
    bool paused = false;
    // The last read was held at a bound; the next one may not run on past the estimate.
    bool wasPinned = true;
    std::int64_t restartFrame = 0;
    bool anchored = false;
    double anchorTime = 0.0;
    std::int64_t anchorFrame = 0;
    int anchorDelivered = 0;
};

} // namespace sound
