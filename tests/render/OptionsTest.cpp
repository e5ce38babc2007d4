// oxbrine-render's arguments: exact frame rates, frame times and the messages for bad input.
#include "Options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Options parse(std::vector<const char*> args) {
    args.insert(args.begin(), "oxbrine-render");
    return parseOptions(int(args.size()), args.data());
}

std::string refusal(std::vector<const char*> args) {
    try {
        parse(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(FrameRate, FractionsAndDecimalsStayExact) {
    FrameRate ntsc = parseFrameRate("60000/1001");
    EXPECT_EQ(ntsc.numerator, 60000);
    EXPECT_EQ(ntsc.denominator, 1001);
    FrameRate film = parseFrameRate("23.976");
    EXPECT_EQ(film.numerator, 23976);
    EXPECT_EQ(film.denominator, 1000);
    EXPECT_EQ(parseFrameRate("30").perSecond(), 30.0);
    for (const char* bad : {"0", "-5", "abc", "1/0", "60/", "2000", "1e3"})
        EXPECT_THROW(parseFrameRate(bad), UsageError) << bad;
}

TEST(FrameRate, FrameTimesRoundToTheNearestMillisecondWithoutDrift) {
    FrameRate ntsc = parseFrameRate("60000/1001");
    EXPECT_EQ(ntsc.frameMilliseconds(0), 0);
    EXPECT_EQ(ntsc.frameMilliseconds(1), 17);          // 16.683 ms
    EXPECT_EQ(ntsc.frameMilliseconds(60000), 1001000); // exactly 1001 s, no accumulated error
    FrameRate sixty = parseFrameRate("60");
    EXPECT_EQ(sixty.frameMilliseconds(3), 50);
    EXPECT_EQ(sixty.firstFrameAtOrAfter(0.05), 3);
    EXPECT_EQ(sixty.firstFrameAtOrAfter(78.0), 4680) << "frames before the end of the show";
    EXPECT_EQ(ntsc.firstFrameAtOrAfter(78.0), 4676);
}

TEST(Options, CommandsAndDefaults) {
    Options frame = parse({"frame", "12.5", "out.png"});
    EXPECT_EQ(frame.mode, Mode::Frame);
    EXPECT_EQ(frame.resolution, 1);
    EXPECT_EQ(frame.time, 12.5);
    Options video = parse({"--resolution", "1024x768", "--tracks", "t", "video", "v.mp4"});
    EXPECT_EQ(video.resolution, 2);
    EXPECT_EQ(video.tracks, "t");
    EXPECT_EQ(video.fps.perSecond(), 60.0);
    Options frames = parse({"frames", "--fps", "24", "--from", "1", "--to", "2", "dir"});
    EXPECT_EQ(frames.mode, Mode::Frames);
    EXPECT_EQ(frames.output, "dir");
    EXPECT_EQ(parse({"bench"}).rangeGiven, false);
    EXPECT_EQ(parse({"sheet", "--every", "2", "s.png"}).every, 2.0);
    EXPECT_EQ(parse({"--help"}).mode, Mode::Help);
}

TEST(Options, BadArgumentsSayWhatIsWrong) {
    EXPECT_NE(refusal({"--resolution", "800x600", "frame", "1", "a.png"}).find("unknown resolution"),
              std::string::npos);
    EXPECT_NE(refusal({"frame", "80", "a.png"}).find("outside the show"), std::string::npos);
    EXPECT_NE(refusal({"frame", "78", "a.png"}).find("before the end"), std::string::npos);
    EXPECT_NE(refusal({"frame", "-1", "a.png"}).find("outside the show"), std::string::npos);
    EXPECT_NE(refusal({"frames", "--fps", "24", "dir"}).find("needs --fps, --from and --to"),
              std::string::npos);
    EXPECT_NE(refusal({"frames", "--fps", "24", "--from", "3", "--to", "2", "d"}).find("before"),
              std::string::npos);
    EXPECT_NE(refusal({"sheet", "s.png"}).find("--every"), std::string::npos);
    EXPECT_NE(refusal({"dance"}).find("unknown command"), std::string::npos);
    EXPECT_NE(refusal({"frame", "1"}).find("takes 2"), std::string::npos);
    EXPECT_NE(refusal({"--fast", "bench"}).find("unknown option"), std::string::npos);
    EXPECT_NE(refusal({"video", "--from", "1", "v.mp4"}).find("does not apply"), std::string::npos);
}
