// Track evaluation and track-file loading through a TrackSet of our own.
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using synctest::writeTrack;

class TrackTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.empty()); }
    Track* load(const std::string& name, const std::vector<TrackKey>& keys) {
        writeTrack(folder, name, keys);
        return set.getTrack(name.c_str());
    }
    Track* loadBytes(const std::string& name, const std::vector<unsigned char>& bytes) {
        synctest::writeBytes(folder + "_" + name + ".track", bytes);
        return set.getTrack(name.c_str());
    }
    std::string folder = synctest::makeTemporaryFolder();
    TrackSet set{folder.c_str()};
};

TEST_F(TrackTest, InterpolatesEachSegmentByItsFirstKeysType) {
    Track* linear = load("Linear", {{0, 0.0f, Linear}, {10, 1.0f, Hold}});
    EXPECT_FLOAT_EQ(linear->getValue(5.0), 0.5f);
    EXPECT_FLOAT_EQ(linear->getValue(9.99), 0.999f);
    EXPECT_FLOAT_EQ(linear->getValue(10.0), 1.0f);
    EXPECT_FLOAT_EQ(linear->getValue(1000.0), 1.0f);
    EXPECT_FLOAT_EQ(linear->getValue(-3.0), 0.0f);

    Track* smooth = load("Smooth", {{0, 0.0f, Smooth}, {10, 1.0f, Hold}});
    EXPECT_FLOAT_EQ(smooth->getValue(5.0), 0.5f);
    EXPECT_FLOAT_EQ(smooth->getValue(2.5), 0.15625f);

    Track* easeIn = load("Ease", {{0, 0.0f, EaseIn}, {10, 1.0f, Hold}});
    EXPECT_FLOAT_EQ(easeIn->getValue(5.0), 0.25f);

    Track* hold = load("Hold", {{0, 3.0f, Hold}, {10, 1.0f, Hold}});
    EXPECT_FLOAT_EQ(hold->getValue(9.9), 3.0f);

    // A type byte outside 0-3 makes its segment read 0; the next segment is unaffected.
    Track* unknown = load("Unknown", {{0, 5.0f, 7}, {10, 2.0f, Linear}, {20, 4.0f, Hold}});
    EXPECT_EQ(unknown->getValue(5.0), 0.0f);
    EXPECT_FLOAT_EQ(unknown->getValue(15.0), 3.0f);
}

TEST_F(TrackTest, ExactHitsUseTheFractionalRowWithinTheSegment) {
    Track* track = load("Hit", {{0, 0.0f, Linear}, {10, 2.0f, Linear}, {20, 4.0f, Hold}});
    // floor(10.5) hits the key at row 10 exactly; t is still 0.05.
    EXPECT_FLOAT_EQ(track->getValue(10.5), 2.1f);
    EXPECT_FLOAT_EQ(track->getValue(10.0), 2.0f);
    EXPECT_FLOAT_EQ(track->getValue(19.0), 3.8f);
}

TEST_F(TrackTest, ASingleKeyHoldsEverywhere) {
    Track* track = load("Single", {{4, 7.0f, Linear}});
    for (double row : {-100.0, 0.0, 4.0, 4.5, 1e6})
        EXPECT_EQ(track->getValue(row), 7.0f);
}

TEST_F(TrackTest, RowsBeyondTheIntRangeHoldTheEndValues) {
    Track* track = load("Range", {{-5, 1.0f, Linear}, {5, 2.0f, Hold}});
    EXPECT_EQ(track->getValue(1e300), 2.0f);
    EXPECT_EQ(track->getValue(-1e300), 1.0f);
    EXPECT_EQ(track->getValue(-std::numeric_limits<double>::infinity()), 1.0f);
}

TEST_F(TrackTest, KeysOnTheSameRowHoldTheSegmentsFirstValue) {
    Track* track = load("Same", {{0, 1.0f, Linear}, {10, 2.0f, Linear}, {10, 7.0f, Linear}});
    float value = track->getValue(10.5);
    EXPECT_TRUE(std::isfinite(value));
    EXPECT_EQ(value, 2.0f);
}

TEST_F(TrackTest, LoadsEachNameOnceAndAMissingFileStaysEmpty) {
    Track* missing = set.getTrack("Later");
    EXPECT_EQ(missing->getKeyCount(), 0);
    EXPECT_EQ(missing->getValue(3.0), 0.0f);
    // The file appearing afterwards changes nothing: it is not looked for again.
    writeTrack(folder, "Later", {{0, 9.0f, Hold}});
    EXPECT_EQ(set.getTrack("Later"), missing);
    EXPECT_EQ(missing->getValue(3.0), 0.0f);
    EXPECT_EQ(set.getTrackCount(), 1);
    // Names are compared whole and case-sensitively.
    EXPECT_NE(set.getTrack("later"), missing);
    EXPECT_NE(set.getTrack("Late"), missing);
    EXPECT_EQ(set.getTrackCount(), 3);
}

TEST_F(TrackTest, ReadsFromBaseUnderscoreNameDotTrack) {
    writeTrack(folder, "Camera X", {{0, 42.0f, Hold}});
    EXPECT_EQ(set.getTrack("Camera X")->getValue(0.0), 42.0f);
}

TEST_F(TrackTest, MalformedFilesAreReadOnlyAsFarAsTheyHoldWholeKeys) {
    auto two = synctest::encodeTrack({{0, 1.0f, Linear}, {10, 3.0f, Hold}});

    auto overclaimed = two;
    overclaimed[0] = 5; // claims five keys, holds two
    EXPECT_EQ(loadBytes("Over", overclaimed)->getKeyCount(), 2);

    auto huge = two;
    huge[0] = 0xff, huge[1] = 0xff, huge[2] = 0xff, huge[3] = 0x7f; // 2^31 - 1 keys
    Track* hugeTrack = loadBytes("Huge", huge);
    EXPECT_EQ(hugeTrack->getKeyCount(), 2);
    EXPECT_FLOAT_EQ(hugeTrack->getValue(5.0), 2.0f);

    auto negative = two;
    negative[0] = 0xfe, negative[1] = 0xff, negative[2] = 0xff, negative[3] = 0xff; // -2
    EXPECT_EQ(loadBytes("Negative", negative)->getKeyCount(), 0);

    auto cut = two;
    cut.resize(cut.size() - 4); // the second key is torn
    Track* cutTrack = loadBytes("Cut", cut);
    EXPECT_EQ(cutTrack->getKeyCount(), 1);
    EXPECT_EQ(cutTrack->getValue(8.0), 1.0f);

    EXPECT_EQ(loadBytes("Tiny", {2, 0})->getKeyCount(), 0);
    EXPECT_EQ(loadBytes("Empty", {})->getKeyCount(), 0);

    auto underclaimed = two;
    underclaimed[0] = 1; // trailing bytes beyond the count are ignored
    EXPECT_EQ(loadBytes("Under", underclaimed)->getKeyCount(), 1);
}

TEST_F(TrackTest, ANameTooLongForThePathLeavesTheTrackEmpty) {
    // base + "_" + name + ".track" must fit 259 characters and the terminator.
    int room = 259 - int(folder.size()) - 1 - 6;
    ASSERT_GT(room, 10);
    std::string fits(size_t(room), 'f');
    std::string tooLong(size_t(room + 1), 'g');
    writeTrack(folder, fits, {{0, 1.0f, Hold}});
    writeTrack(folder, tooLong, {{0, 1.0f, Hold}});
    EXPECT_EQ(set.getTrack(fits.c_str())->getKeyCount(), 1);
    Track* refused = set.getTrack(tooLong.c_str());
    EXPECT_EQ(refused->getKeyCount(), 0);
    EXPECT_STREQ(refused->getName(), tooLong.c_str());
    std::string enormous(5000, 'h');
    EXPECT_EQ(set.getTrack(enormous.c_str())->getValue(1.0), 0.0f);
}

} // namespace
