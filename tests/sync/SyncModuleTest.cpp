// The sync module: clock attachment, the row it evaluates at, the wall-clock fallback.
#include "TrackFiles.h"
#include "kem/Exception.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include "support/StillAudio.h"

namespace {

const double rowsPerSecond = 17.946666666666665;

class SyncModule : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.empty());
        synctest::writeTrack(folder, "Ramp", {{0, 0.0f, Linear}, {1000, 1000.0f, Hold}});
        Sync::setTrackDirectory(folder.c_str());
        Sync::setAudio(&audio, rowsPerSecond);
    }
    void TearDown() override { Sync::setAudio(nullptr, rowsPerSecond); }
    std::string folder = synctest::makeTemporaryFolder();
    StillAudio audio;
};

TEST_F(SyncModule, RowRateTurnsSecondsIntoRows) {
    audio.position = 10.0;
    EXPECT_EQ(Sync::getRow(), 179.46666666666664);
    EXPECT_FLOAT_EQ(Sync::getValue("Ramp"), 179.46666666666664f);
    // Same result as asking the track directly at that row.
    EXPECT_EQ(Sync::getValue("Ramp"),
              Sync::getTracks()->getTrack("Ramp")->getValue(Sync::getRow()));
    EXPECT_EQ(Sync::getTime(), 10.0);
}

TEST_F(SyncModule, ReadsTracksFromTheChosenFolder) {
    EXPECT_STREQ(Sync::getTracks()->getBase(), folder.c_str());
    audio.position = 1.0;
    Sync::getValue("Ramp");
    EXPECT_EQ(Sync::getTracks()->getTrackCount(), 1);
    EXPECT_EQ(Sync::getValue("Nothing here"), 0.0f);
    EXPECT_EQ(Sync::getTracks()->getTrackCount(), 2);
}

TEST_F(SyncModule, WithoutAudioValuesAreZeroAndTimeIsTheWallClock) {
    audio.position = 30.0;
    Sync::setAudio(nullptr, rowsPerSecond);
    EXPECT_EQ(Sync::getValue("Ramp"), 0.0f);
    double before = Sync::getTime();
    platform::sleepMilliseconds(60);
    double after = Sync::getTime();
    EXPECT_GE(after - before, 0.05);
    EXPECT_LT(after - before, 1.0);
}

TEST_F(SyncModule, AClockWithoutAChannelGivesRowZeroButTimeRunsOnTheWallClock) {
    audio.loaded = false;
    audio.position = 30.0;
    EXPECT_EQ(Sync::getRow(), 0.0);
    EXPECT_EQ(Sync::getValue("Ramp"), 0.0f);
    EXPECT_NE(Sync::getTime(), 30.0);
}

} // namespace
