// Rendering: events land on their exact grid sample, renders repeat bit for bit, and the build's
// WAV is what the source renders to.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "Grid.h"
#include "Limiter.h"
#include "Renderer.h"
#include "SongParser.h"
#include "WavWriter.h"

using namespace Synth;

namespace {

std::string tuneSource() {
    return std::string(OXBRINE_SOURCE_DIR) + "/content/music/tune.song";
}

Song kickAt(const std::string& row) {
    return parseSong("length 80\ninstrument kick kick\npattern one step=8\n  kick x\nend\nplay " +
                         row + " one\n",
                     "kick.song");
}

// Samples of `row` from the tempo: beats of 60/134.6 s, eight rows each.
long samplesFromTempo(double row) {
    return std::lround(row / 8.0 * 60.0 / 134.6 * 44100.0);
}

std::vector<char> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(Render, EventsStartOnTheirExactGridSampleWithoutDrift) {
    const StereoBuffer reference = renderMix(kickAt("0"), 1.0);
    for (const char* row : {"8", "37", "1021.5", "1399"}) {
        const long shift = samplesFromTempo(std::stod(row));
        const StereoBuffer moved = renderMix(kickAt(row));
        ASSERT_GT(moved.size(), shift + reference.size());
        for (long n = 0; n < shift; ++n)
            ASSERT_EQ(moved.left[n], 0.0f) << "sound before row " << row << " at sample " << n;
        for (size_t n = 0; n < reference.size(); ++n)
            ASSERT_EQ(moved.left[shift + n], reference.left[n])
                << "row " << row << ", sample " << n;
    }
    EXPECT_NE(reference.left[10], 0.0f) << "the kick sounds from its first samples";
}

TEST(Render, RendersAreIdenticalRunToRun) {
    Song tune = loadSong(tuneSource());
    // Eight seconds from the groove: drums, bass, pads, arpeggio and effects all play.
    tune.seconds = 22.0;
    StereoBuffer first = renderMix(tune), second = renderMix(tune);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_TRUE(first.left == second.left && first.right == second.right);
    double energy = 0.0;
    for (size_t n = static_cast<size_t>(14.5 * kSampleRate); n < first.size(); ++n)
        energy += first.left[n] * first.left[n];
    EXPECT_GT(energy, 1.0) << "the groove section is not silent";
}

TEST(Render, TheBuildsWavIsWhatTheSourceRendersTo) {
    Song tune = loadSong(tuneSource());
    StereoBuffer mix = renderMix(tune);
    MasterSettings settings;
    settings.targetLufs = tune.targetLufs;
    settings.ceilingDbtp = tune.ceilingDbtp;
    master(mix, settings);
    const std::string path = testing::TempDir() + "/oxbrine-music-rerender.wav";
    writeWav16(path, mix);
    std::vector<char> again = readBytes(path),
                      built = readBytes(std::string(OXBRINE_BUILD_DIR) + "/music/tune.wav");
    std::remove(path.c_str());
    ASSERT_EQ(again.size(), built.size());
    EXPECT_TRUE(again == built);
}

TEST(Render, SidechainDucksRightAfterEachKickAndRecovers) {
    Song song = kickAt("16");
    std::vector<float> shape = sidechainShape(song, 2 * kSampleRate);
    const long kick = samplesFromTempo(16);
    EXPECT_EQ(shape[kick - 1], 0.0f);
    EXPECT_GT(shape[kick + static_cast<long>(0.006 * kSampleRate)], 0.9f);
    EXPECT_LT(shape[kick + static_cast<long>(0.35 * kSampleRate)], 0.1f);
    for (long n = kick + 1; n < kick + static_cast<long>(0.3 * kSampleRate); ++n)
        ASSERT_LE(std::abs(shape[n] - shape[n - 1]), 0.02f) << "the pump moves without clicks";
}
