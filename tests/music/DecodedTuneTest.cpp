// The MP3 as the show hears it (libmpg123, gapless): on the grid, in tempo, kicks where the cue
// sheet says, loud enough, never clipped, and silent by the show's end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Grid.h"
#include "Loudness.h"
#include "Mp3Decoder.h"
#include "OnsetAnalysis.h"

using namespace Synth;

namespace {

const double kRowSamples = kSampleRate / kRowsPerSecond;

struct Cue {
    double row;
    std::string kind;
};

class DecodedTune : public testing::Test {
protected:
    static void SetUpTestSuite() {
        audio = new StereoBuffer(decodeMp3("Data/pim00dle_and_quandrel-vantorel.mp3"));
        std::ifstream file("Data/music.cues");
        for (std::string line; std::getline(file, line);) {
            if (line.empty() || line[0] == '#')
                continue;
            std::istringstream words(line);
            Cue cue;
            words >> cue.row >> cue.kind;
            cues.push_back(cue);
        }
    }
    static void TearDownTestSuite() {
        delete audio;
        audio = nullptr;
    }

    static std::vector<double> cueSamples(const std::string& kind) {
        std::vector<double> samples;
        for (const Cue& cue : cues)
            if (cue.kind == kind)
                samples.push_back(cue.row * kRowSamples);
        return samples;
    }

    static StereoBuffer slice(double fromSeconds, double toSeconds) {
        size_t from = static_cast<size_t>(fromSeconds * kSampleRate);
        size_t to = std::min(audio->size(), static_cast<size_t>(toSeconds * kSampleRate));
        StereoBuffer part(to - from);
        std::copy(audio->left.begin() + from, audio->left.begin() + to, part.left.begin());
        std::copy(audio->right.begin() + from, audio->right.begin() + to, part.right.begin());
        return part;
    }

    static double nearest(const std::vector<double>& list, double value) {
        double best = 1e30;
        for (double item : list)
            best = std::min(best, std::abs(item - value));
        return best;
    }

    static StereoBuffer* audio;
    static std::vector<Cue> cues;
};

StereoBuffer* DecodedTune::audio = nullptr;
std::vector<Cue> DecodedTune::cues;

} // namespace

TEST_F(DecodedTune, GaplessDecodingGivesExactlyTheRenderedLength) {
    // No encoder delay or padding left over: 80 s at 44.1 kHz, to the sample.
    EXPECT_EQ(audio->size(), 80u * kSampleRate);
}

TEST_F(DecodedTune, FirstBeatsStartOnTheirCueRows) {
    // The opening hit at row 0 is the first sound.
    long first = firstSampleAbove(*audio, 0.01f);
    ASSERT_GE(first, 0);
    EXPECT_LE(first, 0.005 * kSampleRate) << "first sound at sample " << first;
    // The first kick's onset, found in the low band, lies on its cue row.
    const std::vector<double> kicks = cueSamples("kick");
    ASSERT_FALSE(kicks.empty());
    std::vector<double> onsets = pickOnsets(onsetSignal(*audio, 100.0f), 6.0f, 12.0f, 0.1);
    double error = nearest(onsets, kicks.front());
    EXPECT_LE(error, 0.005 * kSampleRate) << "first kick " << error << " samples off its row";
}

TEST_F(DecodedTune, TempoFromTheAudioIs134Point6) {
    double bpm = estimateTempo(onsetSignal(*audio, 0.0f).strength, 100.0, 180.0);
    EXPECT_NEAR(bpm, 134.6, 0.1);
    // The kicks alone give it too.
    EXPECT_NEAR(estimateTempo(onsetSignal(slice(14.0, 71.0), 100.0f).strength, 100.0, 180.0), 134.6,
                0.1);
}

TEST_F(DecodedTune, KickOnsetsMatchTheCueSheet) {
    const std::vector<double> kicks = cueSamples("kick"), accents = cueSamples("accent");
    ASSERT_GT(kicks.size(), 100u);
    const OnsetSignal lowBand = onsetSignal(*audio, 100.0f);
    // Recall with a lenient detector (a kick right after another rises less), precision with a
    // strict one.
    const std::vector<double> onsets = pickOnsets(lowBand, 4.0f, 10.0f, 0.1);
    const std::vector<double> strongOnsets = pickOnsets(lowBand, 8.0f, 8.0f, 0.1);
    ASSERT_GT(strongOnsets.size(), kicks.size() / 2);
    int missed = 0;
    for (size_t i = 0; i < kicks.size(); ++i) {
        const double kick = kicks[i];
        // A kick less than a beat after the previous one (around the fills) rises out of its
        // tail too little for this detector; every other kick must be found.
        if (i > 0 && kick - kicks[i - 1] < 8.0 * kRowSamples - 1.0)
            continue;
        if (nearest(onsets, kick) > kRowSamples) {
            ++missed;
            ADD_FAILURE() << "no onset within a row of the kick at row " << kick / kRowSamples;
            if (missed > 5)
                break;
        }
    }
    // Every strong low-band onset is a cued kick or a cued impact.
    int strays = 0;
    for (double onset : strongOnsets)
        if (nearest(kicks, onset) > kRowSamples && nearest(accents, onset) > kRowSamples) {
            ++strays;
            ADD_FAILURE() << "low-band onset without a cue at row " << onset / kRowSamples;
            if (strays > 5)
                break;
        }
}

TEST_F(DecodedTune, LoudnessPeaksAndOffsetMeetTheMasteringTargets) {
    EXPECT_NEAR(integratedLoudness(*audio), -14.0, 1.0);
    EXPECT_LE(toDecibels(truePeak(*audio)), -1.0);
    long clipped = 0;
    double sumLeft = 0.0, sumRight = 0.0;
    for (size_t n = 0; n < audio->size(); ++n) {
        clipped += std::abs(audio->left[n]) >= 0.999f || std::abs(audio->right[n]) >= 0.999f;
        sumLeft += audio->left[n];
        sumRight += audio->right[n];
    }
    EXPECT_EQ(clipped, 0);
    EXPECT_LT(std::abs(sumLeft / audio->size()), 1e-3);
    EXPECT_LT(std::abs(sumRight / audio->size()), 1e-3);
}

TEST_F(DecodedTune, SectionsAreDistinctAndTheTuneEndsBeforeTheShow) {
    auto loudness = [](double fromRow, double toRow) {
        return integratedLoudness(slice(rowsToSeconds(fromRow), rowsToSeconds(toRow)));
    };
    double intro = loudness(0, 256), groove = loudness(256, 512), breakdown = loudness(512, 640);
    double drop = loudness(768, 1024), drop2 = loudness(1024, 1280);
    EXPECT_LT(intro, groove - 3.0);
    EXPECT_LT(breakdown, drop - 3.0);
    EXPECT_GT(drop2, drop - 0.5) << "the second drop is at least as full as the first";
    // The last hit rings out and dies away by 78 s.
    EXPECT_GT(truePeak(slice(rowsToSeconds(1280), rowsToSeconds(1300))), 0.3f);
    StereoBuffer after = slice(78.0, 80.0);
    EXPECT_LT(truePeak(after), 0.001f) << "silence (-60 dB) after the show's end";
}
