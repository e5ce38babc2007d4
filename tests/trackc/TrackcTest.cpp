// The track compiler: positions, both input formats, the binary output read back by the
// program's own loader, the checker's findings, and compiled tracks exported back to text.
#include "Checker.h"
#include "Sync.h"
#include "Timeline.h"
#include "TimelineWriter.h"
#include "TrackReader.h"
#include "TrackWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string freshFolder(const std::string& name) {
    std::string folder = testing::TempDir() + "trackc_" + name + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

const char* const timelineText = R"(
# camera dolly
track Camera Z
  0        -10    linear   # start
  1:       -20    smooth
  1:2:4    2.5    easein
track Part
  0  4
  2: 0 hold
)";

const char* const editorXml = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- saved by a sync editor -->
<tracks>
  <track name="Camera Z">
    <key row="0" value="-10" interpolation="1"/>
    <key row="32" value="-20" interpolation="2"/>
    <key row="52" value="2.5" interpolation="3"/>
  </track>
  <track name="Part">
    <key row="0" value="4" interpolation="0"/>
    <key row="64" value="0" interpolation="0"/>
  </track>
</tracks>
)";

} // namespace

TEST(Timeline, PositionsAsRowsOrBarBeatRow) {
    EXPECT_EQ(parsePosition("17"), 17);
    EXPECT_EQ(parsePosition("8:"), 256);
    EXPECT_EQ(parsePosition("8:2"), 272);
    EXPECT_EQ(parsePosition("8:2:4"), 276);
    EXPECT_EQ(parsePosition("0:0:3"), 3);
    EXPECT_THROW(parsePosition(":2"), TimelineError);
    EXPECT_THROW(parsePosition("1:2:3:4"), TimelineError);
    EXPECT_THROW(parsePosition("x"), TimelineError);
    EXPECT_THROW(parsePosition("1:-2"), TimelineError);
    EXPECT_THROW(parsePosition("99999999:"), TimelineError) << "past the last row";
}

TEST(Timeline, ParsesTracksKeysAndReportsWhereItFails) {
    auto tracks = parseTimeline(timelineText, "show.tl");
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Camera Z");
    ASSERT_EQ(tracks[0].keys.size(), 3u);
    EXPECT_EQ(tracks[0].keys[2].row, 52);
    EXPECT_FLOAT_EQ(tracks[0].keys[2].value, 2.5f);
    EXPECT_EQ(tracks[0].keys[2].interpolation, 3);
    EXPECT_EQ(tracks[1].keys[0].interpolation, 0) << "hold is the default";

    try {
        parseTimeline("track A\n  0 1 linear\n  4 nope\n", "bad.tl");
        FAIL() << "a bad value must be refused";
    } catch (const TimelineError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.tl:3"), std::string::npos) << e.what();
    }
    EXPECT_THROW(parseTimeline("0 1\n", "x.tl"), TimelineError);
    EXPECT_THROW(parseTimeline("track A\n 0 1 bouncy\n", "x.tl"), TimelineError);
    EXPECT_THROW(parseTimeline("track A\n 0 1 hold extra\n", "x.tl"), TimelineError);
}

TEST(Timeline, EditorXmlEqualsItsHandWrittenTwin) {
    auto fromText = parseTimeline(timelineText, "show.tl");
    auto fromXml = parseEditorXml(editorXml, "show.xml");
    ASSERT_EQ(fromXml.size(), fromText.size());
    for (size_t t = 0; t < fromText.size(); ++t) {
        EXPECT_EQ(fromXml[t].name, fromText[t].name);
        EXPECT_EQ(encodeTrack(fromXml[t]), encodeTrack(fromText[t])) << fromText[t].name;
    }
    EXPECT_THROW(parseEditorXml("<tracks><key row=\"1\" value=\"1\" interpolation=\"0\"/>"
                                "</tracks>",
                                "x.xml"),
                 TimelineError);
    auto escaped = parseEditorXml("<tracks><track name=\"A &amp; B\"/></tracks>", "x.xml");
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(escaped[0].name, "A & B");
}

TEST(TrackWriter, CompiledFilesReadBackEqualToTheirSource) {
    std::string folder = freshFolder("readback");
    std::ofstream(folder + "_Stale.track") << "old";
    auto tracks = parseTimeline(timelineText, "show.tl");
    writeTracks(tracks, folder);
    EXPECT_FALSE(std::filesystem::exists(folder + "_Stale.track"));
    EXPECT_EQ(std::filesystem::file_size(folder + "_Camera Z.track"), 4u + 3u * 9u);

    TrackSet set(folder.c_str());
    for (const TrackSource& source : tracks) {
        const Track* track = set.getTrack(source.name.c_str());
        ASSERT_EQ(track->getKeyCount(), int(source.keys.size())) << source.name;
        for (size_t i = 0; i < source.keys.size(); ++i) {
            EXPECT_EQ(track->getKeys()[i].row, source.keys[i].row);
            EXPECT_EQ(track->getKeys()[i].value, source.keys[i].value);
            EXPECT_EQ(track->getKeys()[i].interpolation, source.keys[i].interpolation);
        }
    }
    EXPECT_FLOAT_EQ(set.getTrack("Camera Z")->getValue(16.0), -15.0f);
}

TEST(Checker, StructureProblems) {
    auto tracks = parseTimeline("track A\n 0 1\n 8 2\n 8 3\ntrack B\ntrack A\n 0 0\n", "s.tl");
    tracks[1].keys.push_back(SourceKey{0, 0.0f, 7, 9});
    auto problems = checkStructure(tracks);
    auto mentions = [&](const std::string& text) {
        for (const auto& p : problems)
            if (p.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(mentions("row 8 does not follow row 8"));
    EXPECT_TRUE(mentions("interpolation 7"));
    EXPECT_TRUE(mentions("'A' already defined"));
    EXPECT_EQ(problems.size(), 3u);
}

TEST(Checker, FindsNamesBothWaysCaseSensitively) {
    auto names = findReadTrackNames(R"src(
        float mix = Sync::getValue("Perkproc Mix");
        program->setUniform1f("Flash", Sync::getValue( "PerkProc Flash" ));
        Track* t = Sync::getTracks()->getTrack("Garbitch Rot");
        log("getValue(\"not a track\")");
    )src");
    EXPECT_EQ(names, (std::set<std::string>{"Perkproc Mix", "PerkProc Flash", "Garbitch Rot"}));

    auto tracks = parseTimeline("track Perkproc Mix\n 0 1\ntrack PerkProc flash\n 0 1\n", "s.tl");
    auto problems = checkCoverage(tracks, names);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[0].find("'PerkProc flash' is never read"), std::string::npos);
    EXPECT_NE(problems[1].find("'Garbitch Rot', which has no source"), std::string::npos);
    EXPECT_NE(problems[2].find("'PerkProc Flash', which has no source"), std::string::npos);
}

TEST(Checker, ChoicesAndReadsThroughVariablesCount) {
    std::string garbitch = R"src(
        edge.spread = Sync::getValue(first ? "Garbitch Spread 1" : "Garbitch Spread 2");
    )src";
    EXPECT_EQ(findReadTrackNames(garbitch),
              (std::set<std::string>{"Garbitch Spread 1", "Garbitch Spread 2"}));
    EXPECT_TRUE(findIndirectTrackNames(garbitch).empty());

    std::string demo = R"src(
        const Card cards[] = {{morvelinCard, "Morvelin Fade"}};
        float alpha = Sync::getValue(card.fade);
    )src";
    EXPECT_TRUE(findReadTrackNames(demo).empty());
    auto indirect = findIndirectTrackNames(demo);
    EXPECT_EQ(indirect, (std::set<std::string>{"Morvelin Fade"}));

    // A literal named only indirectly excuses an unread source but is never demanded.
    auto tracks = parseTimeline("track Morvelin Fade\n 0 1\ntrack Brisko Fade\n 0 1\n", "c.tl");
    auto problems = checkCoverage(tracks, {}, indirect);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("'Brisko Fade' is never read"), std::string::npos);
}

TEST(Checker, LimitsCatchValuesBetweenKeys) {
    std::string folder = freshFolder("limits");
    // A smooth rise from 0 to 5 stays inside; a linear fall from 4 to -1 drops below 1.
    writeTracks(parseTimeline("track Part\n 0 0 smooth\n 64 5 hold\n"
                              "track Duck Res\n 0 4 linear\n 32 -1 hold\n",
                              "s.tl"),
                folder);
    auto limits = parseLimits("# comment\n0 5.99 Part\n1 * Duck Res\n");
    ASSERT_EQ(limits.size(), 2u);
    EXPECT_EQ(limits[1].name, "Duck Res");
    auto problems = checkLimits(limits, folder, 78.0, 17.946666666666665);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("'Duck Res'"), std::string::npos);
    EXPECT_THROW(parseLimits("x 1 Part\n"), TimelineError);
    EXPECT_THROW(parseLimits("0 1\n"), TimelineError);
}

namespace {

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

// Compiled tracks to text and back: the show's own tracks and awkward values give the same
// bytes again.
TEST(Export, CompiledTracksRoundTripToIdenticalBytes) {
    std::vector<std::string> sources;
    for (const auto& entry :
         std::filesystem::directory_iterator(OXBRINE_SOURCE_DIR "/content/tracks"))
        if (entry.path().extension() == ".tl")
            sources.push_back(entry.path().string());
    std::vector<TrackSource> tracks = readTrackFiles(sources);
    std::string first = freshFolder("export_first");
    writeTracks(tracks, first);

    // Values that take every digit, the smallest and largest floats, minus zero, and rows in an
    // order the compiler would refuse but a live editor's file may hold.
    TrackSource awkward{"Awkward: values", "", 0, {}};
    const float values[] = {
        0.1f,           -0.0f,           1.0f / 3.0f, 1e-45f,      1.17549435e-38f,
        3.40282347e38f, -3.40282347e38f, 16777217.0f, 123456.789f, 1.00000012f,
        1e-7f};
    std::int32_t rows[] = {0, 7, 99999999, 5, 5, 300, 1, 2, 3, 4, 6};
    for (size_t i = 0; i < std::size(values); ++i)
        awkward.keys.push_back(SourceKey{rows[i], values[i], int(i % 4), 0});
    writeFileBytes(first + "_Awkward: values.track", encodeTrack(awkward));

    std::vector<TrackSource> compiled;
    for (const auto& entry : std::filesystem::directory_iterator(first))
        compiled.push_back(readCompiledTrack(entry.path().string()));
    ASSERT_EQ(compiled.size(), tracks.size() + 1);
    std::string text = formatTimeline(compiled, {"exported"});
    std::string second = freshFolder("export_second");
    writeTracks(parseTimeline(text, "exported.tl"), second);
    for (const auto& entry : std::filesystem::directory_iterator(first)) {
        std::string name = entry.path().filename().string();
        EXPECT_EQ(fileBytes(second + name), fileBytes(entry.path().string())) << name;
    }
    EXPECT_EQ(formatValue(0.1f), "0.1");
    EXPECT_EQ(formatValue(-0.0f), "-0");
    EXPECT_EQ(formatValue(1e-45f), "1e-45");
    EXPECT_EQ(formatValue(1.0f / 3.0f), "0.33333334");
    EXPECT_EQ(formatValue(-24.0f), "-24");
}

TEST(Export, RefusesWhatTheTextCannotHold) {
    std::string folder = freshFolder("export_refused");
    struct Case {
        const char* what;
        std::string file;
        std::vector<unsigned char> bytes;
    };
    auto track = [](float value, int interpolation) {
        return encodeTrack(TrackSource{"T", "", 0, {{0, 1, 0, 0}, {8, value, interpolation, 0}}});
    };
    const Case refused[] = {
        {"not a number", "_A.track", track(std::nanf(""), 0)},
        {"infinite", "_B.track", track(-INFINITY, 1)},
        {"interpolation 7", "_C.track", track(1, 7)},
        {"a row past the text's rows", "_R.track",
         encodeTrack(TrackSource{"R", "", 0, {{100000000, 1, 0, 0}}})},
        {"a name that does not read back", "_ D.track", track(1, 0)},
        {"a name with a comment sign", "_E#1.track", track(1, 0)},
        {"not a track file name", "F.trk", track(1, 0)},
        {"shorter than a count", "_G.track", {1, 0}},
        {"missing", "_H.track", {}},
    };
    std::vector<unsigned char> cut = track(2, 1);
    cut.resize(cut.size() - 3);
    std::vector<unsigned char> negative = track(2, 1);
    negative[3] = 0x80;
    const Case lying[] = {{"a count past the keys held", "_Cut.track", cut},
                          {"a negative count", "_Neg.track", negative}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        if (!c.bytes.empty())
            writeFileBytes(folder + c.file, c.bytes);
        EXPECT_THROW(formatTimeline({readCompiledTrack(folder + c.file)}, {}), TimelineError);
    }
    for (const Case& c : lying) {
        SCOPED_TRACE(c.what);
        writeFileBytes(folder + c.file, c.bytes);
        try {
            readCompiledTrack(folder + c.file);
            ADD_FAILURE() << "taken";
        } catch (const TimelineError& e) {
            EXPECT_NE(std::string(e.what()).find(c.file + ": the header counts"), std::string::npos)
                << e.what();
        }
    }
    // Bytes after the counted keys, short of a whole key, are left out, as the show does.
    std::vector<unsigned char> tail = track(2, 1);
    tail.insert(tail.end(), {1, 2, 3});
    writeFileBytes(folder + "_Tail.track", tail);
    TrackSource read = readCompiledTrack(folder + "_Tail.track");
    EXPECT_EQ(read.name, "Tail");
    ASSERT_EQ(read.keys.size(), 2u);
}
