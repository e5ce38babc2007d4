// The track compiler: positions, both input formats, the binary output read back by the
// program's own loader, and the checker's findings.
#include "Checker.h"
#include "Sync.h"
#include "Timeline.h"
#include "TrackWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
