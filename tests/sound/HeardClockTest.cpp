// The heard-position estimate against a simulated device whose callbacks come irregularly.
#include "platform/sound/HeardClock.h"
#include "platform/sound/FrameRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int rate = 48000;
constexpr int period = 480; // 10 ms

// A device taking one period per callback, each callback late by a pseudo-random 0-4 ms.
struct JitteryDevice {
    double start;
    std::int64_t nextFrame = 0;
    int calls = 0;
    unsigned seed = 12345;

    double nextCallTime() {
        seed = seed * 1103515245u + 12345u;
        double late = double((seed >> 16) % 4000) / 1e6;
        return start + double(calls) * period / rate + late;
    }
};

TEST(HeardClock, FollowsAJitteryDeviceSmoothlyAndNeverBackwards) {
    sound::HeardClock clock(rate, period, true, -1);
    JitteryDevice device{100.0};
    clock.restart(device.start, 0.0, 0);
    double callAt = device.nextCallTime();
    double last = 0.0;
    double worstStep = 0.0;
    // Reads every 0.7 ms for 5 s, callbacks interleaved at their times.
    for (double now = device.start; now < device.start + 5.0; now += 0.0007) {
        while (callAt <= now) {
            clock.recordCallback(callAt, device.nextFrame, period);
            device.nextFrame += period;
            ++device.calls;
            callAt = device.nextCallTime();
        }
        double heard = clock.read(now);
        ASSERT_GE(heard, last);
        if (now > device.start + 0.5)
            worstStep = std::max(worstStep, std::fabs((heard - last) - 0.7));
        last = heard;
    }
    EXPECT_LT(worstStep, 0.1);
    // What the device took over 5 s, less its buffer: the heard position, within a few ms.
    EXPECT_NEAR(last, 5000.0 - 1000.0 * period / rate, 4.0);
}

TEST(HeardClock, HoldsAtTheSeekTargetUntilTheDeviceIsHeardPlayingIt) {
    sound::HeardClock clock(rate, period, true, -1);
    clock.restart(10.0, 2000.0, 96000);
    EXPECT_DOUBLE_EQ(clock.read(10.005), 2000.0);
    // The first callback from the new place: its frames are heard one buffer later.
    clock.recordCallback(10.006, 96000, period);
    EXPECT_DOUBLE_EQ(clock.read(10.010), 2000.0);
    EXPECT_NEAR(clock.read(10.020), 2000.0 + 20.0 - 10.0 - 6.0, 0.6);
}

TEST(HeardClock, StopsWhereTheHandedOverFramesEnd) {
    sound::HeardClock clock(rate, period, true, -1);
    clock.restart(0.0, 0.0, 0);
    clock.recordCallback(0.0, 0, period);
    clock.recordCallback(0.010, period, 100); // the stream ran out
    for (double now = 0.011; now < 0.2; now += 0.001)
        clock.read(now);
    EXPECT_NEAR(clock.read(0.2), 1000.0 * (period + 100) / rate, 0.01);
}

// A channel as the sound layer drives it: callbacks every period (late by 0-4 ms) while
// playing, pause and seek restarting the clock where the listener is, and a read every
// millisecond, as a frame loop would.
struct SimulatedChannel {
    sound::HeardClock clock;
    double now = 100.0;
    std::int64_t nextFrame = 0;
    bool paused = false;
    unsigned seed = 777;
    double nextCall = 100.0;

    explicit SimulatedChannel(bool followsDevice) : clock(rate, period, followsDevice, -1) {
        clock.restart(now, 0.0, 0);
    }
    double readAfter(double seconds) {
        double end = now + seconds;
        double heard = clock.read(now);
        while (now < end - 1e-9) {
            now = std::min(end, now + 0.001);
            while (nextCall <= now) {
                if (!paused) {
                    clock.recordCallback(nextCall, nextFrame, period);
                    nextFrame += period;
                }
                seed = seed * 1103515245u + 12345u;
                nextCall += double(period) / rate + double((seed >> 16) % 4000) / 1e6 / 10;
            }
            heard = clock.read(now);
        }
        return heard;
    }
    void seek(double milliseconds) {
        std::int64_t frame = std::llround(milliseconds * rate / 1000.0);
        clock.restart(now, milliseconds, frame);
        nextFrame = frame;
    }
    void pause() {
        clock.pause(now);
        paused = true;
        seek(clock.read(now));
    }
    void resume() {
        clock.resume(now);
        paused = false;
    }
};

// After a resume, a seek either way (a loop wraps with one) the music position read ten times
// over a second advances one second per second, on a device that reports what it heard and on
// an output nobody hears (paced or silent). Tolerance: a device's clock slews at most 5 %, and
// starts up to two periods and its buffer late.
TEST(HeardClock, AfterResumeAndSeeksReadingsAdvanceAtOneSecondPerSecond) {
    struct Move {
        const char* name;
        // Applies the move; the milliseconds heard right after it.
        double (*apply)(SimulatedChannel&);
    };
    const Move moves[] = {
        {"resume after 3 s paused",
         [](SimulatedChannel& c) {
             c.pause();
             double held = c.readAfter(3.0);
             c.resume();
             return held;
         }},
        {"seek forward",
         [](SimulatedChannel& c) {
             c.seek(40000.0);
             return 40000.0;
         }},
        {"seek back (a loop wrap)",
         [](SimulatedChannel& c) {
             c.seek(500.0);
             return 500.0;
         }},
    };
    for (bool device : {true, false})
        for (const Move& move : moves) {
            SCOPED_TRACE(std::string(device ? "device: " : "unheard output: ") + move.name);
            SimulatedChannel channel(device);
            channel.readAfter(2.0);
            double target = move.apply(channel);
            double lag = device ? 1000.0 * 3 * period / rate : 1e-6;
            double last = channel.readAfter(0.1);
            EXPECT_LE(last, target + 100.0 + 1e-6);
            EXPECT_GE(last, target + 100.0 - lag);
            for (int step = 2; step <= 11; ++step) {
                double heard = channel.readAfter(0.1);
                EXPECT_NEAR(heard - last, 100.0, device ? 5.0 : 1e-6) << "reading " << step;
                last = heard;
            }
        }
}

TEST(HeardClock, UnheardOutputRunsOnTheWallClockUpToTheStreamEnd) {
    sound::HeardClock clock(rate, period, false, rate * 2);
    clock.restart(0.0, 0.0, 0);
    // Callbacks from a slow dummy driver do not slow the clock down.
    clock.recordCallback(0.5, 0, period);
    EXPECT_NEAR(clock.read(1.0), 1000.0, 1e-6);
    EXPECT_NEAR(clock.read(3.0), 2000.0, 1e-6);
}

} // namespace

// Slowed playback: the ring hands the device frames read `speed` stream frames apart, in between
// interpolated, and the clock hears the stream move at that speed against the device's time.
TEST(HeardClock, SlowedPlaybackResamplesAndHearsTheStreamAtItsSpeed) {
    for (double speed : {1.0, 0.5, 0.25}) {
        SCOPED_TRACE(speed);
        // A ramp: frame i holds i on both sides.
        sound::FrameRing ring(4096);
        std::vector<float> ramp(2 * 4096);
        for (int i = 0; i < 4096; ++i)
            ramp[size_t(i) * 2] = ramp[size_t(i) * 2 + 1] = float(i);
        ring.push(ramp.data(), 4096);
        std::vector<float> out(2 * 64, 0.0f);
        double phase = 0.0;
        int consumed = 0, written = 0, heard = 0;
        for (int call = 0; call < 10; ++call) {
            std::fill(out.begin(), out.end(), 0.0f);
            written = ring.popStepping(out.data(), 64, speed, phase, consumed);
            ASSERT_EQ(written, 64);
            for (int k = 0; k < 64; ++k)
                ASSERT_FLOAT_EQ(out[size_t(k) * 2], float((call * 64 + k) * speed))
                    << "output frame " << call * 64 + k;
            heard += consumed;
        }
        EXPECT_EQ(heard, int(std::lround(640 * speed)));

        // A device taking a period a callback hears period * speed stream frames each time.
        sound::HeardClock clock(rate, period, true, -1);
        JitteryDevice device{100.0};
        clock.restart(device.start, 0.0, 0);
        clock.setSpeed(speed);
        double callAt = device.nextCallTime();
        double now = device.start;
        for (; now < device.start + 4.0; now += 0.0007) {
            while (callAt <= now) {
                int delivered = int(std::lround(period * speed));
                clock.recordCallback(callAt, device.nextFrame, delivered);
                device.nextFrame += delivered;
                ++device.calls;
                callAt = device.nextCallTime();
            }
            clock.read(now);
        }
        EXPECT_NEAR(clock.read(now), 4000.0 * speed, 30.0);
    }
}
