// Heard-position estimate with a slewed monotonic clock, so animation driven by it is smooth.
#include "platform/sound/HeardClock.h"

#include <algorithm>
#include <cmath>

namespace sound {

namespace {
// Corrections are spread out: the clock runs at most this much faster or slower than real time.
constexpr double slewFraction = 0.05;
// Beyond this the estimate is trusted outright (a stall or a burst, not jitter).
constexpr double jumpMilliseconds = 60.0;
} // namespace

HeardClock::HeardClock(int sampleRate, int latencyFrames, bool followsDevice, std::int64_t endFrame)
    : rate(sampleRate), latencyFrames(latencyFrames), followsDevice(followsDevice),
      endFrame(endFrame >= 0 ? double(endFrame) : HUGE_VAL) {}

void HeardClock::recordCallback(double now, std::int64_t startFrame, int delivered) {
    anchored = true;
    anchorTime = now;
    anchorFrame = startFrame;
    anchorDelivered = delivered;
}

void HeardClock::restart(double now, double milliseconds, std::int64_t frame) {
    position = milliseconds;
    lastRead = now;
    restartTime = now;
    restartFrame = frame;
    wasPinned = true;
    anchored = false;
}

void HeardClock::pause(double now) {
    if (paused)
        return;
    read(now);
    paused = true;
}

void HeardClock::resume(double now) {
    if (!paused)
        return;
    paused = false;
    lastRead = now;
    // Pausing restarted at the heard place, so playing goes on from exactly there.
    restartTime = now;
}

double HeardClock::estimateFrames(double now, bool& pinned) const {
    double low = double(restartFrame);
    if (!followsDevice) {
        double heard = low + (now - restartTime) * rate * speed;
        pinned = heard >= endFrame;
        return std::max(low, std::min(heard, endFrame));
    }
    if (!anchored) {
        pinned = true;
        return low;
    }
    double heard = double(anchorFrame) - latencyFrames * speed + (now - anchorTime) * rate * speed;
    // Nothing past the frames handed over can have been heard, however late the next callback.
    double handedOver = std::max(low, double(anchorFrame + anchorDelivered));
    pinned = heard <= low || heard >= handedOver;
    return std::clamp(heard, low, handedOver);
}

double HeardClock::read(double now) {
    if (paused)
        return position;
    double elapsed = std::max(0.0, (now - lastRead) * 1000.0 * speed);
    lastRead = now;
    double predicted = position + elapsed;
    bool pinned = false;
    double estimate = estimateFrames(now, pinned) * 1000.0 / rate;
    bool leavingPin = wasPinned;
    wasPinned = pinned;
    if (pinned || leavingPin) {
        position = std::max(position, std::min(predicted, estimate));
        return position;
    }
    double error = estimate - predicted;
    if (error > jumpMilliseconds)
        position = estimate;
    else if (error < -jumpMilliseconds)
        position = std::max(position, estimate);
    else
        position = predicted + std::clamp(error, -slewFraction * elapsed, slewFraction * elapsed);
    return position;
}

} // namespace sound
