// The sound layer through its FMOD-style calls: rate, pause, seek, monotonicity, fallbacks.
#include "SoundFiles.h"
#include "platform/Clock.h"
#include "platform/sound/SoundControl.h"
#include "platform/sound/fmod.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

    // Milliseconds the position moved over `wall` milliseconds of real time, after it started.
    double measureRate(int wall) {
        while (position() < 50)
            platform::sleepMilliseconds(1);
        auto start = std::chrono::steady_clock::now();
        unsigned int from = position();
        platform::sleepMilliseconds(wall);
        unsigned int to = position();
        double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        return double(to - from) / elapsed;
    }

    // A position read `wait` ms after an action, with the least and most real time that can
    // have passed between the two (the machine may pause this thread anywhere).
    struct Bracket {
        double position;
        double shortest;
        double longest;
    };
    template <typename Action> Bracket timed(Action action, int wait) {
        using Clock = std::chrono::steady_clock;
        auto beforeAction = Clock::now();
        action();
        auto afterAction = Clock::now();
        platform::sleepMilliseconds(wait);
        auto beforeRead = Clock::now();
        unsigned int read = position();
        auto afterRead = Clock::now();
        auto milliseconds = [](Clock::duration span) {
            return std::chrono::duration<double, std::milli>(span).count();
        };
        return {double(read), milliseconds(beforeRead - afterAction),
                milliseconds(afterRead - beforeAction)};
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

TEST_F(SoundLayer, DummyDriverAdvancesAtTheRealRate) {
    startTone();
    EXPECT_EQ(SoundControl::getOutputName(), "sdl:dummy");
    EXPECT_NEAR(measureRate(3000), 1.0, 0.01);
}

TEST_F(SoundLayer, WithoutAnyDeviceTheStreamStillKeepsTime) {
    SoundControl::setDeviceDisabled(true);
    startTone();
    EXPECT_EQ(SoundControl::getOutputName(), "paced");
    EXPECT_NEAR(measureRate(1500), 1.0, 0.01);
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

TEST_F(SoundLayer, PauseHoldsThePositionAndPlayResumesFromIt) {
    startTone();
    platform::sleepMilliseconds(400);
    channel->setPaused(true);
    unsigned int held = position();
    platform::sleepMilliseconds(300);
    EXPECT_EQ(position(), held);
    // Resumes from where it stopped: it moves by the time played, not the time paused.
    Bracket resumed = timed([&] { channel->setPaused(false); }, 300);
    EXPECT_GE(resumed.position, held + resumed.shortest - 30.0);
    EXPECT_LE(resumed.position, held + resumed.longest + 1.0);
}

TEST_F(SoundLayer, SeekLandsOnTheRequestedMillisecond) {
    startTone();
    platform::sleepMilliseconds(200);
    Bracket landed = timed([&] { channel->setPosition(5000, FMOD_TIMEUNIT_MS); }, 0);
    EXPECT_GE(landed.position, 5000.0);
    EXPECT_LE(landed.position, 5000.0 + landed.longest + 1.0);
    Bracket moved = timed([&] { channel->setPosition(5000, FMOD_TIMEUNIT_MS); }, 200);
    EXPECT_GE(moved.position, 5000.0 + moved.shortest - 30.0);
    EXPECT_LE(moved.position, 5000.0 + moved.longest + 1.0);
    // Backwards too, and while paused it stays exactly there.
    channel->setPaused(true);
    channel->setPosition(1234, FMOD_TIMEUNIT_MS);
    EXPECT_EQ(position(), 1234u);
    platform::sleepMilliseconds(100);
    EXPECT_EQ(position(), 1234u);
    Bracket resumed = timed([&] { channel->setPaused(false); }, 200);
    EXPECT_GE(resumed.position, 1234.0 + resumed.shortest - 30.0);
    EXPECT_LE(resumed.position, 1234.0 + resumed.longest + 1.0);
}

TEST_F(SoundLayer, PositionStopsAtTheEndOfTheStream) {
    startTone();
    channel->setPosition(7900, FMOD_TIMEUNIT_MS);
    platform::sleepMilliseconds(400);
    unsigned int end = position();
    EXPECT_GE(end, 7950u);
    EXPECT_LE(end, 8000u);
    platform::sleepMilliseconds(100);
    EXPECT_EQ(position(), end);
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
