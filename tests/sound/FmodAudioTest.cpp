// FmodAudio over the sound layer: version check, unit conversions, behaviour before a stream.
#include "FmodAudio.h"
#include "SoundFiles.h"
#include "kem/Exception.h"
#include "platform/Clock.h"
#include "platform/sound/SoundControl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class FmodAudioTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        mp3 = soundtest::makeToneMp3(soundtest::makeTemporaryFolder(), 3.0);
    }
    void SetUp() override {
        ASSERT_FALSE(mp3.empty());
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override {
        SoundControl::setNonRealTime(false);
        SoundControl::setReportedVersion(0x00044005);
    }
    static std::string mp3;
};
std::string FmodAudioTest::mp3;

TEST_F(FmodAudioTest, RefusesAnyOtherLibraryVersion) {
    for (unsigned int version : {0x00044006u, 0x00044004u}) {
        SoundControl::setReportedVersion(version);
        try {
            FmodAudio audio;
            FAIL() << "accepted version " << std::hex << version;
        } catch (const Kem::Exception& error) {
            EXPECT_STREQ(error.getMessage().getData(), "Incorrect version of FMOD");
        }
    }
}

TEST_F(FmodAudioTest, BeforeTheStreamNothingPlaysAndEveryCallIsHarmless) {
    FmodAudio audio;
    EXPECT_FALSE(audio.isLoaded());
    EXPECT_EQ(audio.getPosition(), 0.0);
    audio.play();
    audio.setPosition(3.0);
    audio.pause();
    audio.stop();
    audio.update();
    EXPECT_FALSE(audio.isPlaying());
    EXPECT_EQ(audio.getPosition(), 0.0);
}

TEST_F(FmodAudioTest, ConvertsMillisecondsExactlyBothWays) {
    SoundControl::setNonRealTime(true);
    FmodAudio audio;
    audio.startStream(mp3.c_str());
    ASSERT_TRUE(audio.isLoaded());
    EXPECT_TRUE(audio.isPlaying());
    SoundControl::setNonRealTimePosition(1500);
    EXPECT_EQ(audio.getPosition(), 1.5);
    SoundControl::setNonRealTimePosition(0xFFFFFFFFu);
    EXPECT_EQ(audio.getPosition(), 4294967.295);
    audio.setPosition(2.0009);
    EXPECT_EQ(SoundControl::getNonRealTimePosition(), 2000u);
    audio.pause();
    EXPECT_FALSE(audio.isPlaying());
    audio.play();
    EXPECT_TRUE(audio.isPlaying());
    // Stopping leaves the flag and the channel as they were.
    audio.stop();
    EXPECT_TRUE(audio.isPlaying());
    EXPECT_TRUE(audio.isLoaded());
}

TEST_F(FmodAudioTest, PlaysAtOnceAndKeepsTheHeardPosition) {
    FmodAudio audio;
    audio.startStream(mp3.c_str());
    ASSERT_TRUE(audio.isLoaded());
    platform::sleepMilliseconds(300);
    double playing = audio.getPosition();
    EXPECT_GT(playing, 0.2);
    audio.pause();
    double held = audio.getPosition();
    platform::sleepMilliseconds(100);
    EXPECT_EQ(audio.getPosition(), held);
    audio.setPosition(1.25);
    EXPECT_EQ(audio.getPosition(), 1.25);
}

// Music that cannot be played is an error naming the file, and leaves no channel behind.
TEST_F(FmodAudioTest, MissingMusicIsAnErrorAndLeavesNoChannel) {
    FmodAudio audio;
    std::string message;
    try {
        audio.startStream("Data/no-such-music.mp3");
    } catch (const Kem::Exception& error) {
        message = error.getMessage().getData();
    }
    EXPECT_NE(message.find("Data/no-such-music.mp3"), std::string::npos) << message;
    EXPECT_FALSE(audio.isLoaded());
    EXPECT_EQ(audio.getPosition(), 0.0);
}

} // namespace
