// Golden frames: the show at moments that between them hold every scene, every title card, the
// grading and the bloom at work and the fade to black; and each scene under a track set that
// switches on every track it reads. A failure leaves the expected, the actual and the difference
// (four times amplified) under golden-failures/ in the build folder.
#include "golden/ChildShow.h"
#include "golden/GoldenImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using golden::Image;

// At most 24 pixels off by more than 16 levels in some channel, a mean difference of at most
// 1 level and no 8 x 8 block off by more than 2 on average. llvmpipe gives the same frames
// with one thread or many; a frame drawn after another history differs by 1 pixel over 16 and
// blocks of 0.25. The "go" card moved by one pixel of the full frame gives 69 pixels over 16
// and a block of 3.0; a swapped colour channel gives hundreds to thousands of pixels.
const golden::Tolerance tolerance{16, 24, 1.0, 2.0};

struct Moment {
    const char* name;
    double seconds;
};

const double rowsPerSecond = 17.946666666666665;

// The running order from the show's tracks.
const Moment showMoments[] = {
    {"show-03.0-morvelin-card", 3.0},     {"show-05.8-intro-cloud", 5.8},
    {"show-07.9-w0lvar-card", 7.9},       {"show-12.0-pim00dle-card", 12.0},
    {"show-14.0-architecture", 14.0},     {"show-17.0-ducknipples", 17.0},
    {"show-24.0-ducknipples-late", 24.0}, {"show-29.5-colon-washed-out", 29.5},
    {"show-30.8-vexaroon-card", 30.8},    {"show-34.2-brisko-card", 34.2},
    {"show-37.0-sphurrs-cloud", 37.0},    {"show-41.8-sphurrs-tree", 41.8},
    {"show-42.6-bloom-swell", 42.6},      {"show-43.5-drusucks", 43.5},
    {"show-52.0-drusucks-late", 52.0},    {"show-57.08-garbitch-inverted", 57.08},
    {"show-58.5-go-sliding-in", 58.5},    {"show-60.5-go-card", 60.5},
    {"show-66.0-garbitch", 66.0},         {"show-70.6-halftone-dots", 70.6},
    {"show-71.5-ending-inverting", 71.5}, {"show-73.0-architecture-ending", 73.0},
    {"show-76.0-end-card", 76.0},         {"show-77.4-fading", 77.4},
    {"show-77.97-black", 77.97},
};

// The stretches of tests/golden/scenes.tl, each at its middle row.
const Moment sceneMoments[] = {
    {"scene-ducknipples", 50 / rowsPerSecond},   {"scene-sphurrs-cloud", 150 / rowsPerSecond},
    {"scene-sphurrs-tree", 250 / rowsPerSecond}, {"scene-drusucks", 350 / rowsPerSecond},
    {"scene-colon", 450 / rowsPerSecond},        {"scene-architecture", 550 / rowsPerSecond},
    {"scene-garbitch", 650 / rowsPerSecond},     {"scene-every-card", 750 / rowsPerSecond},
};

template <size_t N>
void checkAgainstGoldens(const Moment (&moments)[N], const std::string& tracks) {
    std::vector<double> seconds;
    for (const Moment& m : moments)
        seconds.push_back(m.seconds);
    std::vector<Image> frames = golden::renderInChild(tracks, seconds);

    const char* update = std::getenv("OXBRINE_GOLDEN_UPDATE");
    fs::path failures = OXBRINE_GOLDEN_FAILURES;
    golden::Difference largest;
    for (size_t i = 0; i < frames.size(); ++i) {
        std::string name = moments[i].name;
        if (update) {
            golden::save((fs::path(update) / (name + ".png")).string(), frames[i]);
            continue;
        }
        Image expected = golden::load((fs::path(OXBRINE_GOLDEN_DIR) / (name + ".png")).string());
        bool sameSize = expected.width == frames[i].width && expected.height == frames[i].height;
        golden::Difference d;
        if (sameSize) {
            d = golden::compare(expected, frames[i], tolerance.level);
            largest.mean = std::max(largest.mean, d.mean);
            largest.overLevel = std::max(largest.overLevel, d.overLevel);
            largest.worstBlock = std::max(largest.worstBlock, d.worstBlock);
        }
        if (sameSize && golden::within(d, tolerance))
            continue;
        fs::create_directories(failures);
        std::string stem = (failures / name).string();
        golden::save(stem + "-actual.png", frames[i]);
        if (sameSize) {
            golden::save(stem + "-expected.png", expected);
            golden::save(stem + "-diff.png", golden::differenceImage(expected, frames[i]));
        }
        ADD_FAILURE() << name << " differs from its golden frame: mean " << d.mean
                      << ", pixels over " << tolerance.level << ": " << d.overLevel
                      << ", worst 8x8 block " << d.worstBlock
                      << (sameSize ? "" : " (no golden of this size)") << "; see " << stem
                      << "-{expected,actual,diff}.png";
    }
    // For judging the tolerance: how close the passing frames came.
    std::printf("largest differences: mean %.3f, pixels over %d: %d, block %.2f\n", largest.mean,
                tolerance.level, largest.overLevel, largest.worstBlock);
}

TEST(GoldenFrames, MomentsOfTheShow) {
    checkAgainstGoldens(showMoments, "");
}

TEST(GoldenFrames, EachSceneWithEveryTrackOn) {
    std::string tracks = golden::compileTracks(OXBRINE_GOLDEN_TRACKS);
    checkAgainstGoldens(sceneMoments, tracks);
    fs::remove_all(tracks);
}

} // namespace
