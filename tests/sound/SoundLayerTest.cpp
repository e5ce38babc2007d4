// The sound layer through its FMOD-style calls: rate, pause, seek, monotonicity, fallbacks; the
// position over time on a clock the tests move.
#include "SoundFiles.h"
#include "platform/Clock.h"
#include "platform/sound/SoundControl.h"
#include "platform/sound/fmod.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace {

std::string toneMp3;

class SoundLayer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string folder = soundtest::makeTemporaryFolder();
        toneMp3 = soundtest::makeToneMp3(folder, 8.0);
    }

    void SetUp() override {
        ASSERT_FALSE(toneMp3.empty()) << "could not make the test MP3 with LAME";
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    void TearDown() override {
        if (system)
            system->release();
        SoundControl::setNonRealTime(false);
        SoundControl::setDeviceDisabled(false);
    }

    void startTone() {
        ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
        ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
        ASSERT_EQ(system->createStream(toneMp3.c_str(), FMOD_DEFAULT, nullptr, &sound), FMOD_OK);
        ASSERT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
        ASSERT_NE(channel, nullptr);
    }

    unsigned int position() {
        unsigned int milliseconds = 0;
        EXPECT_EQ(channel->getPosition(&milliseconds, FMOD_TIMEUNIT_MS), FMOD_OK);
        return milliseconds;
    }

    FMOD::System* system = nullptr;
    FMOD::Sound* sound = nullptr;
    FMOD::Channel* channel = nullptr;
};

TEST_F(SoundLayer, ReportsTheExpectedVersion) {
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    unsigned int version = 0;
    system->getVersion(&version);
    EXPECT_EQ(version, 0x00044005u);
}

TEST_F(SoundLayer, SuccessiveReadsNeverDecreaseAndFollowTheWallClock) {
    using Clock = std::chrono::steady_clock;
    startTone();
    unsigned int last = position();
    Clock::time_point lastTime = Clock::now();
    auto end = lastTime + std::chrono::milliseconds(1500);
    double worst = 0.0;
    while (Clock::now() < end) {
        Clock::time_point before = Clock::now();
        unsigned int now = position();
        Clock::time_point after = Clock::now();
        ASSERT_GE(now, last);
        // Only reads that were not descheduled midway say anything about the clock's steps.
        if (after - before < std::chrono::microseconds(500) && last >= 100) {
            double wallStep = std::chrono::duration<double, std::milli>(after - lastTime).count();
            worst = std::max(worst, std::abs(double(now - last) - wallStep));
        }
        last = now;
        lastTime = after;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    // Whole-millisecond readings: a step may differ from the wall clock's by rounding alone.
    EXPECT_LT(worst, 2.5);
    EXPECT_GT(last, 1300u);
}

// A clock the tests move: positions are measured against it instead of the system's.
std::atomic<double> testSeconds{1000.0};
double readTestClock() {
    return testSeconds;
}

// The outputs a machine without a sound card opens: SDL's dummy driver and our own paced thread.
// Neither is heard, so the clock alone runs their position, read here on the test's clock.
struct SilentOutput {
    const char* name;
    bool deviceDisabled;
};
const SilentOutput silentOutputs[] = {{"sdl:dummy", false}, {"paced", true}};

class SoundLayerOnTestClock : public SoundLayer {
public:
    // For the moves of the tables.
    using SoundLayer::channel;
    using SoundLayer::position;

    void SetUp() override {
        SoundLayer::SetUp();
        testSeconds = 1000.0;
        SoundControl::setClock(readTestClock);
    }
    void TearDown() override {
        SoundLayer::TearDown();
        system = nullptr;
        SoundControl::setClock(nullptr);
    }
    void startOn(const SilentOutput& output) {
        if (system)
            system->release();
        system = nullptr;
        testSeconds = 1000.0;
        SoundControl::setDeviceDisabled(output.deviceDisabled);
        startTone();
        EXPECT_EQ(SoundControl::getOutputName(), output.name);
    }
    unsigned int positionAfter(double seconds) {
        testSeconds = testSeconds + seconds;
        return position();
    }
};

// After a resume, a seek either way (a loop wraps with one) and a seek while paused, the
// position read ten times over a second advances one second per second: to the millisecond.
TEST_F(SoundLayerOnTestClock, ReadingsAdvanceOneSecondPerSecondAfterEveryMove) {
    struct Move {
        const char* name;
        // Applies the move on a tone played for 2 s; the position right after it.
        unsigned int (*apply)(SoundLayerOnTestClock&);
    };
    const Move moves[] = {
        {"resume after 3 s paused",
         [](SoundLayerOnTestClock& t) {
             t.channel->setPaused(true);
             unsigned int held = t.position();
             EXPECT_EQ(t.positionAfter(3.0), held) << "paused, the position moved";
             t.channel->setPaused(false);
             return held;
         }},
        {"seek forward",
         [](SoundLayerOnTestClock& t) {
             t.channel->setPosition(5000, FMOD_TIMEUNIT_MS);
             return 5000u;
         }},
        {"seek back (a loop wrap)",
         [](SoundLayerOnTestClock& t) {
             t.channel->setPosition(500, FMOD_TIMEUNIT_MS);
             return 500u;
         }},
        {"seek while paused, then resume",
         [](SoundLayerOnTestClock& t) {
             t.channel->setPaused(true);
             t.channel->setPosition(1234, FMOD_TIMEUNIT_MS);
             EXPECT_EQ(t.positionAfter(0.5), 1234u);
             t.channel->setPaused(false);
             return 1234u;
         }},
    };
    for (const SilentOutput& output : silentOutputs)
        for (const Move& move : moves) {
            SCOPED_TRACE(std::string(output.name) + ": " + move.name);
            startOn(output);
            EXPECT_NEAR(positionAfter(2.0), 2000.0, 1.0);
            unsigned int target = move.apply(*this);
            EXPECT_EQ(position(), target);
            for (int step = 1; step <= 10; ++step)
                EXPECT_NEAR(positionAfter(0.1), target + 100.0 * step, 1.0) << "reading " << step;
        }
}

TEST_F(SoundLayerOnTestClock, PositionStopsAtTheEndOfTheStream) {
    for (const SilentOutput& output : silentOutputs) {
        SCOPED_TRACE(output.name);
        startOn(output);
        channel->setPosition(7900, FMOD_TIMEUNIT_MS);
        unsigned int end = positionAfter(0.4);
        EXPECT_GE(end, 7950u);
        EXPECT_LE(end, 8000u);
        EXPECT_EQ(positionAfter(1.0), end);
    }
}

TEST_F(SoundLayer, NonRealTimePositionMovesOnlyWhenSet) {
    SoundControl::setNonRealTime(true);
    SoundControl::setNonRealTimePosition(0);
    startTone();
    EXPECT_EQ(SoundControl::getOutputName(), "none");
    platform::sleepMilliseconds(150);
    EXPECT_EQ(position(), 0u);
    SoundControl::setNonRealTimePosition(41708);
    EXPECT_EQ(position(), 41708u);
    channel->setPosition(1500, FMOD_TIMEUNIT_MS);
    EXPECT_EQ(position(), 1500u);
    EXPECT_EQ(SoundControl::getNonRealTimePosition(), 1500u);
}

TEST_F(SoundLayer, MissingFileGivesNoSoundAndNoChannel) {
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    system->init(1, FMOD_INIT_NORMAL, nullptr);
    FMOD::Sound* missing = reinterpret_cast<FMOD::Sound*>(&system);
    EXPECT_NE(system->createStream("no/such/file.mp3", FMOD_DEFAULT, nullptr, &missing), FMOD_OK);
    EXPECT_EQ(missing, nullptr);
    FMOD::Channel* none = nullptr;
    EXPECT_NE(system->playSound(FMOD_CHANNEL_FREE, missing, false, &none), FMOD_OK);
    EXPECT_EQ(none, nullptr);
}

} // namespace
