// The tune's text format: notes, patterns, holds, repeats, automation, errors; and the cue sheet.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "CueSheet.h"
#include "SongParser.h"
#include "kem/Exception.h"

using namespace Synth;

namespace {

const char* kSmallSong = R"(
length 4
master lufs=-16 ceiling=-2
instrument kick kick
instrument bass bass humanize=0
instrument pad pad
chord Am A3 C4 E4
pattern beat step=2
  kick x . . . x . . . | x . . . x . . .
  bass . A1 - - . C2 . . | . . . . . . . E1!
end
pattern chords step=32
  pad Am
end
play 0 beat x2
play 64 chords
automate pad cutoff 0:100 64:200
automate master gain 0:0 32:-6
section 0 start
accent 48 big flash
)";

std::string messageOf(const std::string& text) {
    try {
        parseSong(text, "bad.song");
    } catch (const Kem::Exception& error) {
        return error.getMessage().getData();
    }
    return "";
}

} // namespace

TEST(SongParser, NoteNamesFollowMidiNumbering) {
    EXPECT_EQ(parseNoteName("A4"), 69);
    EXPECT_EQ(parseNoteName("C4"), 60);
    EXPECT_EQ(parseNoteName("C#4"), 61);
    EXPECT_EQ(parseNoteName("Bb1"), 34);
    EXPECT_EQ(parseNoteName("A0"), 21);
    EXPECT_EQ(parseNoteName("H4"), -1);
    EXPECT_EQ(parseNoteName("A"), -1);
    EXPECT_EQ(parseNoteName("A44"), -1);
    EXPECT_EQ(parseNoteName("x"), -1);
}

TEST(SongParser, PatternsExpandIntoEventsOnTheGrid) {
    Song song = parseSong(kSmallSong, "small.song");
    EXPECT_DOUBLE_EQ(song.seconds, 4.0);
    EXPECT_DOUBLE_EQ(song.targetLufs, -16.0);
    EXPECT_DOUBLE_EQ(song.ceilingDbtp, -2.0);
    int kick = song.findInstrument("kick"), bass = song.findInstrument("bass");
    std::vector<double> kickRows, bassRows, bassLengths;
    for (const NoteEvent& event : song.events) {
        if (event.instrument == kick)
            kickRows.push_back(event.row);
        if (event.instrument == bass) {
            bassRows.push_back(event.row);
            bassLengths.push_back(event.lengthRows);
        }
    }
    // Bar lines are ignored; the pattern (32 rows) repeats back to back.
    EXPECT_EQ(kickRows, (std::vector<double>{0, 8, 16, 24, 32, 40, 48, 56}));
    // A1 is held for two more steps; C2 is one step; the accent keeps its row.
    EXPECT_EQ(bassRows, (std::vector<double>{2, 10, 30, 34, 42, 62}));
    EXPECT_EQ(bassLengths, (std::vector<double>{6, 2, 2, 6, 2, 2}));
    ASSERT_TRUE(
        std::is_sorted(song.events.begin(), song.events.end(),
                       [](const NoteEvent& a, const NoteEvent& b) { return a.row < b.row; }));
}

TEST(SongParser, AccentsChordsAndOrdinals) {
    Song song = parseSong(kSmallSong, "small.song");
    int bass = song.findInstrument("bass"), pad = song.findInstrument("pad");
    std::vector<int> ordinals;
    for (const NoteEvent& event : song.events) {
        if (event.instrument == bass) {
            ordinals.push_back(event.ordinal);
            if (std::fmod(event.row, 32.0) == 30.0)
                EXPECT_FLOAT_EQ(event.velocity, 1.0f) << "'!' marks a full-velocity accent";
            else
                EXPECT_FLOAT_EQ(event.velocity, 0.8f) << "no humanising when humanize=0";
        }
        if (event.instrument == pad) {
            EXPECT_EQ(event.pitches, (std::vector<int>{57, 60, 64}));
            EXPECT_DOUBLE_EQ(event.row, 64.0);
            EXPECT_DOUBLE_EQ(event.lengthRows, 32.0);
        }
    }
    EXPECT_EQ(ordinals, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST(SongParser, AutomationInterpolatesAndHoldsItsEnds) {
    Song song = parseSong(kSmallSong, "small.song");
    const Instrument& pad = song.instruments[song.findInstrument("pad")];
    EXPECT_DOUBLE_EQ(pad.paramAt("cutoff", -5.0, 0.0), 100.0);
    EXPECT_DOUBLE_EQ(pad.paramAt("cutoff", 16.0, 0.0), 125.0);
    EXPECT_DOUBLE_EQ(pad.paramAt("cutoff", 1000.0, 0.0), 200.0);
    EXPECT_DOUBLE_EQ(pad.paramAt("resonance", 10.0, 0.7), 0.7);
    EXPECT_DOUBLE_EQ(song.masterGain.at(16.0), -3.0);
}

TEST(SongParser, MistakesAreReportedWithTheirLine) {
    EXPECT_NE(messageOf("instrument a kick\nplay 0 nothing\n").find("bad.song:2"),
              std::string::npos);
    EXPECT_NE(messageOf("pattern p step=2\n  ghost x\nend\n").find("unknown instrument"),
              std::string::npos);
    EXPECT_NE(messageOf("instrument b bass\npattern p step=2\n  b Q9\nend\n").find("'Q9'"),
              std::string::npos);
    EXPECT_NE(messageOf("pattern p step=2\n").find("end"), std::string::npos);
    EXPECT_NE(messageOf("instrument a kick\nautomate a gain 8:0 4:1\n").find("increase"),
              std::string::npos);
    EXPECT_NE(messageOf("length soon\n").find("number"), std::string::npos);
    EXPECT_NE(messageOf("tempo 120\n").find("unknown keyword"), std::string::npos);
    EXPECT_NE(messageOf("instrument a kick\ninstrument a clap\n").find("twice"), std::string::npos);
}

TEST(CueSheet, ListsSectionsAccentsKicksInRowOrder) {
    Song song = parseSong(kSmallSong, "small.song");
    std::istringstream sheet(cueSheet(song));
    std::vector<std::string> events;
    for (std::string line; std::getline(sheet, line);)
        if (!line.empty() && line[0] != '#')
            events.push_back(line);
    EXPECT_EQ(events, (std::vector<std::string>{"0 section start", "0 kick", "8 kick", "16 kick",
                                                "24 kick", "32 kick", "40 kick",
                                                "48 accent big flash", "48 kick", "56 kick"}));
}

TEST(CueSheet, TheBuiltSheetComesFromTheTuneSource) {
    std::ifstream built(std::string(OXBRINE_RUN_DIR) + "/Data/music.cues", std::ios::binary);
    ASSERT_TRUE(built) << "the build writes Data/music.cues";
    std::stringstream text;
    text << built.rdbuf();
    Song tune = loadSong(std::string(OXBRINE_SOURCE_DIR) + "/content/music/tune.song");
    EXPECT_EQ(text.str(), cueSheet(tune));
    // The arrangement the scenes follow: sections at the phrase changes.
    for (const char* line :
         {"\n0 section intro\n", "\n256 section groove\n", "\n512 section breakdown\n",
          "\n640 section build\n", "\n768 section drop\n", "\n1024 section drop2\n",
          "\n1280 section ending\n"})
        EXPECT_NE(text.str().find(line), std::string::npos) << line;
}
