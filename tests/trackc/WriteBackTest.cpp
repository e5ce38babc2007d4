// Saving edits into timeline files: untouched text stays byte for byte, the edited block keeps
// the file's notation and comments, refused saves leave every file alone, and XML stays as the
// editor wrote it.
#include "EditModel.h"
#include "FileIo.h"
#include "Timeline.h"
#include "TimelineWriter.h"
#include "TrackWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

std::string freshFolder(const std::string& name) {
    std::string folder = testing::TempDir() + "writeback_" + name + "/";
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<TrackKey> keysOf(const TrackSource& track) {
    std::vector<TrackKey> keys;
    for (const SourceKey& key : track.keys)
        keys.push_back(TrackKey{key.row, key.value, key.interpolation});
    return keys;
}

std::vector<std::string> showSources() {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(OXBRINE_SOURCE_DIR "/content/tracks"))
        if (entry.path().extension() == ".tl")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The file's text before `first` and from `last` on (1-based lines).
std::string linesOutside(const std::string& text, int first, int last) {
    std::string out;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (line < first || line > last)
            out += text[i];
        line += text[i] == '\n';
    }
    return out;
}

} // namespace

// Every track of the show's own sources: written back unchanged gives the same bytes; edited,
// only its block changes and the file reads back as the edit and the other tracks as they were.
TEST(WriteBack, ShowSourcesStayByteForByteOutsideTheEditedBlock) {
    int checked = 0;
    for (const std::string& file : showSources()) {
        std::string text = readWholeFile(file);
        std::vector<TrackSource> tracks = parseTimeline(text, file);
        for (const TrackSource& track : tracks) {
            SCOPED_TRACE(file + ": " + track.name);
            EXPECT_EQ(replaceTrackBlock(text, file, track.name, keysOf(track)), text);

            std::vector<TrackKey> keys = keysOf(track);
            keys.front().value += 0.5f;
            keys.front().interpolation = (keys.front().interpolation + 1) % 4;
            if (keys.size() > 2)
                keys.erase(keys.begin() + 1);
            keys.push_back(TrackKey{keys.back().row + 3, 0.1f, 3});
            std::string edited = replaceTrackBlock(text, file, track.name, keys);
            int last = track.keys.back().line;
            int added = int(std::count(edited.begin(), edited.end(), '\n')) -
                        int(std::count(text.begin(), text.end(), '\n'));
            EXPECT_EQ(linesOutside(edited, track.line, last + added),
                      linesOutside(text, track.line, last));
            std::vector<TrackSource> after = parseTimeline(edited, file);
            ASSERT_EQ(after.size(), tracks.size());
            for (size_t i = 0; i < after.size(); ++i)
                EXPECT_TRUE(sameKeys(keysOf(after[i]),
                                     after[i].name == track.name ? keys : keysOf(tracks[i])))
                    << after[i].name;
            ++checked;
        }
    }
    EXPECT_GT(checked, 90) << "the show has about a hundred tracks";
}

TEST(WriteBack, KeepsNotationCommentsColumnsAndLineEndings) {
    const std::string bars = "# Glow, in bars.\n"
                             "track Glow\n"
                             "  0:      0     hold    # dark\n"
                             "  # the rise\n"
                             "  4:      1     smooth\n"
                             "  8:2     0.50  linear  # half\n"
                             "  16:     0     hold\n"
                             "\n"
                             "# next\n"
                             "track Other   # kept\n"
                             "  0:      1     hold\n";
    struct Case {
        const char* what;
        std::string text;
        const char* name;
        std::vector<TrackKey> keys;
        std::string expected;
    };
    const Case cases[] = {
        {"bar:beat:row: a key added, a value and an interpolation changed, keys removed",
         bars,
         "Glow",
         {{0, 0, 1}, {128, 1, 2}, {136, 0.75f, 1}, {272, 0.5f, 0}, {600, 2, 0}},
         "# Glow, in bars.\n"
         "track Glow\n"
         "  0:      0     linear  # dark\n"
         "  # the rise\n"
         "  4:      1     smooth\n"
         "  4:1     0.75  linear\n"
         "  8:2     0.50  hold    # half\n"
         "  18:3    2     hold\n"
         "\n"
         "# next\n"
         "track Other   # kept\n"
         "  0:      1     hold\n"},
        {"a removed key's comment stays; a key before the first goes after the track line",
         "track A\n"
         "  # lead\n"
         "  8:0:0   1   linear   # one\n"
         "  9:0:4   2   hold\n",
         "A",
         {{4, -1, 3}, {292, 2, 0}},
         "track A\n"
         "  0:0:4   -1  easein\n"
         "  # lead\n"
         "  # one\n"
         "  9:0:4   2   hold\n"},
        {"plain rows, CRLF, hold left out, ease-in spelled the file's way, no final newline",
         "track A\r\n 0\t5\r\n 10\t6 ease-in\r\n 20\t7",
         "A",
         {{0, 5, 0}, {10, 6, 3}, {15, 1e-7f, 3}, {20, 8, 0}},
         "track A\r\n 0\t5\r\n 10\t6 ease-in\r\n 15 1e-07 ease-in\r\n 20\t8"},
        {"a track the file lacks is appended in its style",
         "track A\n    0     1      hold\n",
         "New",
         {{0, 1, 0}, {64, 0.25f, 2}},
         "track A\n    0     1      hold\n\ntrack New\n    0     1      hold\n"
         "    64    0.25   smooth\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string written = replaceTrackBlock(c.text, "t.tl", c.name, c.keys);
        EXPECT_EQ(written, c.expected);
        for (const TrackSource& track : parseTimeline(c.text, "t.tl"))
            EXPECT_EQ(replaceTrackBlock(c.text, "t.tl", track.name, keysOf(track)), c.text);
        for (const TrackSource& track : parseTimeline(written, "t.tl")) {
            if (track.name == c.name) {
                EXPECT_TRUE(sameKeys(keysOf(track), c.keys));
            }
        }
    }
}

TEST(WriteBack, SaveWritesTheBlockAndTheCompiledTrack) {
    std::string folder = freshFolder("save");
    std::string data = folder + "Data/";
    const std::string text = "# lights\ntrack Part\n  0    4    hold   # intro\n  256  0    hold\n"
                             "\n# other\ntrack Bloom Wet\n  0    1    linear\n";
    writeText(folder + "show.tl", text);
    EditModel model;
    model.load({folder + "show.tl"});
    EXPECT_TRUE(model.save({data, ""}).empty()) << "nothing edited, nothing written";
    EXPECT_FALSE(fs::exists(data));

    model.insertKey("Part", {128, 2, 0});
    ASSERT_TRUE(model.isDirty("Part"));
    std::uint64_t changes = model.getChangeCount();
    EXPECT_EQ(model.save({data, OXBRINE_SOURCE_DIR "/content/tracks/limits.txt"}),
              std::vector<std::string>{folder + "show.tl"});
    EXPECT_EQ(readWholeFile(folder + "show.tl"),
              "# lights\ntrack Part\n  0    4    hold   # intro\n  128  2    hold\n"
              "  256  0    hold\n\n# other\ntrack Bloom Wet\n  0    1    linear\n");
    EXPECT_FALSE(model.isAnyDirty());
    EXPECT_GT(model.getChangeCount(), changes);
    EXPECT_EQ(model.findTrack("Part")->origin.lastLine, 5);
    EXPECT_EQ(model.findTrack("Bloom Wet")->origin.firstLine, 8) << "spans follow the edit";
    EXPECT_TRUE(fs::exists(data + "_Part.track"));
    EXPECT_FALSE(fs::exists(data + "_Bloom Wet.track")) << "only edited tracks are compiled";
    TrackSet compiled(data.c_str());
    const Track* part = compiled.getTrack("Part");
    ASSERT_EQ(part->getKeyCount(), 3);
    EXPECT_EQ(part->getKeys()[1].row, 128);
    EXPECT_EQ(part->getKeys()[1].value, 2.0f);

    // Undoing after a save makes the track edited again, against the saved keys.
    model.undo();
    EXPECT_TRUE(model.isDirty("Part"));
    model.save({"", ""});
    EXPECT_EQ(readWholeFile(folder + "show.tl"), text);
}

TEST(WriteBack, RefusedSaveLeavesEveryFileUntouched) {
    const std::string text = "track Part\n  0    4    hold\n  256  0    hold\n"
                             "track Bloom Wet\n  0    1    linear\n";
    struct Case {
        const char* what;
        std::function<void(EditModel&, const std::string& file)> edit;
        const char* message;
    };
    const Case cases[] = {
        {"a value outside the limits",
         [](EditModel& m, const std::string&) {
             m.insertKey("Part", {128, 9, 1});
         },
         "'Part' is"},
        {"a track without keys",
         [](EditModel& m, const std::string&) {
             m.insertKey("Part", {4, 1, 0});
             m.deleteKeys({{"Part", 0}, {"Part", 4}, {"Part", 256}});
         },
         "has no keys"},
        {"the block changed in the file since it was loaded",
         [](EditModel& m, const std::string& file) {
             m.insertKey("Part", {128, 2, 0});
             writeText(file, "track Part\n  0    5    hold\n  256  0    hold\n"
                             "track Bloom Wet\n  0    1    linear\n");
         },
         "changed in the file since it was loaded"},
        {"the block was taken out of the file since it was loaded",
         [](EditModel& m, const std::string& file) {
             m.insertKey("Part", {128, 2, 0});
             writeText(file, "track Bloom Wet\n  0    1    linear\n");
         },
         "taken out of the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = freshFolder("refused");
        writeText(folder + "show.tl", text);
        EditModel model;
        model.load({folder + "show.tl"});
        model.insertKey("Bloom Wet", {8, 2, 0}); // a good edit in the same save
        c.edit(model, folder + "show.tl");
        std::string before = readWholeFile(folder + "show.tl");
        try {
            model.save({folder + "Data/", OXBRINE_SOURCE_DIR "/content/tracks/limits.txt"});
            ADD_FAILURE() << "the save must be refused";
        } catch (const TimelineError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(readWholeFile(folder + "show.tl"), before);
        EXPECT_FALSE(fs::exists(folder + "Data"));
        EXPECT_TRUE(model.isDirty("Part"));
        EXPECT_TRUE(model.isDirty("Bloom Wet"));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << "no temporary files left behind";
    }
}

TEST(WriteBack, EditorXmlStaysAndItsTextTwinOverridesIt) {
    std::string folder = freshFolder("xml");
    const std::string xml = "<tracks>\n  <track name=\"Part\">\n"
                            "    <key row=\"0\" value=\"4\" interpolation=\"0\"/>\n  </track>\n"
                            "  <track name=\"Bloom Wet\">\n"
                            "    <key row=\"0\" value=\"1\" interpolation=\"1\"/>\n  </track>\n"
                            "</tracks>\n";
    writeText(folder + "show.xml", xml);
    EditModel model;
    model.load({folder + "show.xml"});
    EXPECT_EQ(model.getSaveFile("Part"), folder + "show.xml.tl");
    model.insertKey("Part", {64, 1, 2});
    model.save({"", ""});
    EXPECT_EQ(readWholeFile(folder + "show.xml"), xml);
    EXPECT_EQ(readWholeFile(folder + "show.xml.tl"),
              "track Part\n  0       4         hold\n  64      1         smooth\n");
    EXPECT_EQ(model.findTrack("Part")->origin.file, folder + "show.xml.tl");
    EXPECT_EQ(model.getSourceFiles().back(), folder + "show.xml.tl");

    // The build reads both: the twin's track wins, no track is defined twice.
    std::vector<TrackSource> tracks = readTrackFiles({folder + "show.xml", folder + "show.xml.tl"});
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].name, "Bloom Wet");
    EXPECT_EQ(tracks[1].name, "Part");
    EXPECT_EQ(tracks[1].keys.size(), 2u);
    EXPECT_TRUE(model.reload(model.getSourceFiles()).empty());
    EXPECT_FALSE(model.isAnyDirty());
}

// A save touching several files writes them all or none: here the last compiled file cannot be
// written (a link stands in its place), so neither source changes.
TEST(WriteBack, ASaveOfSeveralFilesIsAllOrNothing) {
    std::string folder = freshFolder("together");
    writeText(folder + "a.tl", "track Alpha\n  0    1    hold\n");
    writeText(folder + "b.tl", "track Beta\n  0    2    hold\n");
    fs::create_directories(folder + "Data");
    fs::create_symlink(folder + "elsewhere", folder + "Data/_Beta.track");
    EditModel model;
    model.load({folder + "a.tl", folder + "b.tl"});
    model.insertKey("Alpha", {8, 3, 0});
    model.insertKey("Beta", {8, 4, 0});
    try {
        model.save({folder + "Data/", ""});
        ADD_FAILURE() << "the save must fail";
    } catch (const TimelineError& e) {
        EXPECT_NE(std::string(e.what()).find("_Beta.track"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readWholeFile(folder + "a.tl"), "track Alpha\n  0    1    hold\n");
    EXPECT_EQ(readWholeFile(folder + "b.tl"), "track Beta\n  0    2    hold\n");
    EXPECT_FALSE(fs::exists(folder + "Data/_Alpha.track"));
    EXPECT_TRUE(model.isDirty("Alpha"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3)
        << "no temporary files left behind";
}
