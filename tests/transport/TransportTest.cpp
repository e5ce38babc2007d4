// The preview's transport moving backwards while the music plays on a clock the test moves: a
// seek back, a loop wrapping, a beat, a phrase and a frame back; what follows each is the time and
// row the picture and the editor are given, then one second per second from there.
#include "Transport.h"

#include "MusicGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// Music as the sound layer plays it: positions in whole milliseconds (a seek truncates), moving
// with the test's clock while playing.
class MusicOnTestClock : public Audio {
public:
    void advance(double seconds) { clock += seconds; }

    void update() override {}
    void pause() override {
        heldMilliseconds = heard();
        playing = false;
    }
    void play() override {
        startedAt = clock;
        playing = true;
    }
    void stop() override {}
    bool isLoaded() override { return true; }
    bool isPlaying() override { return playing; }
    double getPosition() override { return double(heard()) / 1000.0; }
    void setPosition(double seconds) override {
        heldMilliseconds = (long long)std::floor(seconds * 1000.0);
        startedAt = clock;
    }

private:
    long long heard() const {
        if (!playing)
            return heldMilliseconds;
        return heldMilliseconds + (long long)std::floor((clock - startedAt) * 1000.0 + 1e-6);
    }

    double clock = 0.0;
    double startedAt = 0.0;
    long long heldMilliseconds = 0;
    bool playing = true;
};

long long rowStartMilliseconds(double row) {
    return (long long)std::ceil(row / MusicGrid::rowsPerSecond * 1000.0 - 1e-6);
}

struct BackwardMove {
    const char* name;
    bool paused; // the move is made while paused (a frame step needs it)
    double from; // seconds
    std::function<void(Transport&, MusicOnTestClock&)> move;
    long long landsOn; // milliseconds
};

TEST(Transport, AfterEachMoveBackTheTimeAndRowFollowFromWhereItLanded) {
    const double row = 20.5 * MusicGrid::rowsPerSecond; // 367.9
    const BackwardMove moves[] = {
        {"seek back while playing", false, 20.5,
         [](Transport& t, MusicOnTestClock&) { t.seek(10.0); }, 10000},
        {"loop wrap", false, 20.5,
         [](Transport& t, MusicOnTestClock& music) {
             t.setLoop(19.0, 20.75);
             music.advance(0.3);
             EXPECT_TRUE(t.update()) << "the loop did not wrap";
         },
         19000},
        {"a beat back, between beats", false, 20.5,
         [](Transport& t, MusicOnTestClock&) { t.stepGrid(MusicGrid::rowsPerBeat, -1); },
         rowStartMilliseconds(std::floor(row / 8) * 8)},
        {"a beat back, on a beat", true, rowStartMilliseconds(360) / 1000.0,
         [](Transport& t, MusicOnTestClock&) { t.stepGrid(MusicGrid::rowsPerBeat, -1); },
         rowStartMilliseconds(352)},
        {"a phrase back", false, 20.5,
         [](Transport& t, MusicOnTestClock&) { t.stepGrid(MusicGrid::rowsPerPhrase, -1); },
         rowStartMilliseconds(256)},
        {"a frame back", true, 20.5, [](Transport& t, MusicOnTestClock&) { t.stepFrame(-1); },
         std::llround(1229 * 1000.0 / 60.0)},
    };
    for (const BackwardMove& move : moves) {
        SCOPED_TRACE(move.name);
        MusicOnTestClock music;
        Transport transport(music);
        transport.setPaused(move.paused);
        transport.seek(move.from);
        unsigned changes = transport.getChangeCount();
        move.move(transport, music);
        EXPECT_GT(transport.getChangeCount(), changes) << "the picture is not redrawn";
        EXPECT_EQ(std::llround(transport.getTime() * 1000.0), move.landsOn);
        EXPECT_EQ(std::floor(transport.getRow()),
                  std::floor(move.landsOn / 1000.0 * MusicGrid::rowsPerSecond));
        // Played on from there: one second later, one second further, and no loop wraps again.
        transport.setPaused(false);
        music.advance(1.0);
        transport.update();
        long long expected = move.landsOn + 1000;
        if (transport.hasLoop())
            expected = 19000 + (expected - 19000) % 1750;
        EXPECT_NEAR(transport.getTime() * 1000.0, double(expected), 1.0);
    }
}

} // namespace
