// The edit model: each command's result, exact undo and redo back to the starting keys, drags
// as one step, and refused commands changing nothing.
#include "EditModel.h"
#include "Timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

const char* const source = R"(track A
  0    1    linear
  8    2    smooth
  16   3    hold
  24   4    easein
track B
  0    10   hold
  32   20   linear
)";

std::string writeSource(const std::string& name, const std::string& text) {
    std::string folder = testing::TempDir() + "editmodel_" + name + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "show.tl", std::ios::binary) << text;
    return folder + "show.tl";
}

// "row:value:interpolation" for each key, e.g. "0:1:1 8:2:2".
std::string describe(const std::vector<TrackKey>& keys) {
    std::ostringstream text;
    for (const TrackKey& key : keys)
        text << (text.tellp() ? " " : "") << key.row << ":" << key.value << ":"
             << key.interpolation;
    return text.str();
}

std::string describe(const EditModel& model) {
    return "A " + describe(model.findTrack("A")->keys) + " | B " +
           describe(model.findTrack("B")->keys);
}

struct Operation {
    const char* what;
    std::function<void(EditModel&)> apply;
    const char* expected;
};

} // namespace

TEST(EditModel, EachCommandUndoesAndRedoesExactly) {
    const char* start = "A 0:1:1 8:2:2 16:3:0 24:4:3 | B 0:10:0 32:20:1";
    const Operation operations[] = {
        {"insert between keys",
         [](EditModel& m) {
             m.insertKey("A", {12, 2.5f, 1});
         },
         "A 0:1:1 8:2:2 12:2.5:1 16:3:0 24:4:3 | B 0:10:0 32:20:1"},
        {"insert on a key's row replaces it",
         [](EditModel& m) {
             m.insertKey("A", {8, 7, 0});
         },
         "A 0:1:1 8:7:0 16:3:0 24:4:3 | B 0:10:0 32:20:1"},
        {"move snaps to whole rows",
         [](EditModel& m) {
             m.moveKeys({{"A", 8}}, 3.4, 0.5f);
         },
         "A 0:1:1 11:2.5:2 16:3:0 24:4:3 | B 0:10:0 32:20:1"},
        {"move across a neighbour onto a key replaces it",
         [](EditModel& m) {
             m.moveKeys({{"A", 8}}, 16, 0);
         },
         "A 0:1:1 16:3:0 24:2:2 | B 0:10:0 32:20:1"},
        {"move stops at row 0 and replaces the key there",
         [](EditModel& m) {
             m.moveKeys({{"A", 8}, {"A", 16}}, -100, 0);
         },
         "A 0:2:2 8:3:0 24:4:3 | B 0:10:0 32:20:1"},
        {"move keys of two tracks",
         [](EditModel& m) {
             m.moveKeys({{"A", 8}, {"B", 32}}, 1, -1);
         },
         "A 0:1:1 9:1:2 16:3:0 24:4:3 | B 0:10:0 33:19:1"},
        {"delete",
         [](EditModel& m) {
             m.deleteKeys({{"A", 8}, {"A", 24}, {"A", 8}});
         },
         "A 0:1:1 16:3:0 | B 0:10:0 32:20:1"},
        {"interpolation",
         [](EditModel& m) {
             m.setInterpolation({{"A", 0}, {"B", 32}}, 3);
         },
         "A 0:1:3 8:2:2 16:3:0 24:4:3 | B 0:10:0 32:20:3"},
        {"exact row and value",
         [](EditModel& m) {
             EXPECT_EQ(m.setKey({"A", 16}, 4, -2.5f).row, 4);
         },
         "A 0:1:1 4:-2.5:0 8:2:2 24:4:3 | B 0:10:0 32:20:1"},
        {"exact row onto a key replaces it",
         [](EditModel& m) {
             m.setKey({"A", 16}, 8, 9);
         },
         "A 0:1:1 8:9:0 24:4:3 | B 0:10:0 32:20:1"},
        {"paste into a track",
         [](EditModel& m) {
             m.pasteKeys(m.copyKeys({{"A", 16}, {"A", 8}}), 40, "A");
         },
         "A 0:1:1 8:2:2 16:3:0 24:4:3 40:2:2 48:3:0 | B 0:10:0 32:20:1"},
        {"paste over keys",
         [](EditModel& m) {
             m.pasteKeys(m.copyKeys({{"A", 8}, {"A", 16}}), 0, "B");
         },
         "A 0:1:1 8:2:2 16:3:0 24:4:3 | B 0:2:2 8:3:0 32:20:1"},
        {"paste each key into its own track",
         [](EditModel& m) {
             m.pasteKeys(m.copyKeys({{"B", 32}, {"A", 24}}), 100);
         },
         "A 0:1:1 8:2:2 16:3:0 24:4:3 100:4:3 | B 0:10:0 32:20:1 108:20:1"},
    };
    std::string file = writeSource("commands", source);
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.what);
        EditModel model;
        model.load({file});
        ASSERT_EQ(describe(model), start);
        const std::vector<TrackKey> startA = model.findTrack("A")->keys;
        const std::vector<TrackKey> startB = model.findTrack("B")->keys;
        std::uint64_t changes = model.getChangeCount();

        operation.apply(model);
        EXPECT_EQ(describe(model), operation.expected);
        EXPECT_GT(model.getChangeCount(), changes);
        EXPECT_TRUE(model.isAnyDirty());
        for (const char* name : {"A", "B"}) {
            const EditTrack* track = model.findTrack(name);
            EXPECT_TRUE(
                std::is_sorted(track->keys.begin(), track->keys.end(),
                               [](const TrackKey& a, const TrackKey& b) { return a.row <= b.row; }))
                << name;
        }

        for (int round = 0; round < 2; ++round) {
            changes = model.getChangeCount();
            ASSERT_TRUE(model.undo());
            EXPECT_TRUE(sameKeys(model.findTrack("A")->keys, startA));
            EXPECT_TRUE(sameKeys(model.findTrack("B")->keys, startB));
            EXPECT_FALSE(model.isAnyDirty());
            EXPECT_FALSE(model.canUndo()) << "one command, one step";
            EXPECT_GT(model.getChangeCount(), changes);
            ASSERT_TRUE(model.redo());
            EXPECT_EQ(describe(model), operation.expected);
            EXPECT_FALSE(model.canRedo());
        }
    }
}

TEST(EditModel, HistoryWalksBackAndForthAndANewEditDropsTheRedo) {
    EditModel model;
    model.load({writeSource("history", source)});
    std::vector<std::string> states{describe(model)};
    model.insertKey("A", {4, 0.5f, 2});
    states.push_back(describe(model));
    auto moved = model.moveKeys({{"A", 4}, {"A", 24}}, 2, 1);
    EXPECT_EQ(moved, (std::vector<KeyRef>{{"A", 6}, {"A", 26}}));
    states.push_back(describe(model));
    model.deleteKeys(moved);
    states.push_back(describe(model));
    model.insertKey("B", {0, 10, 0}); // the key already there: no step
    EXPECT_EQ(describe(model), states.back());

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(model.undo());
        EXPECT_EQ(describe(model), states[i - 1]);
    }
    EXPECT_FALSE(model.undo());
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(model.redo());
        EXPECT_EQ(describe(model), states[i]);
    }
    EXPECT_FALSE(model.redo());
    model.undo();
    model.undo();
    model.setInterpolation({{"A", 0}}, 0);
    EXPECT_FALSE(model.canRedo());
    model.undo();
    EXPECT_EQ(describe(model), states[1]);
}

TEST(EditModel, ADragIsOneStepAndOnlyItsLastPositionReplaces) {
    EditModel model;
    model.load({writeSource("drag", source)});
    std::string start = describe(model);
    const std::vector<KeyRef> grabbed{{"A", 8}};
    // Over key 16 on the way: it must come back once the drag passes it.
    for (double offset : {1.0, 4.0, 8.0, 12.2})
        model.moveKeys(grabbed, offset, 0.25f, true);
    EXPECT_EQ(describe(model), "A 0:1:1 16:3:0 20:2.25:2 24:4:3 | B 0:10:0 32:20:1");
    model.moveKeys(grabbed, 0, 0, true); // back where it began: nothing to undo
    EXPECT_EQ(describe(model), start);
    EXPECT_FALSE(model.canUndo());

    model.moveKeys(grabbed, 8, 0, true);
    model.moveKeys(grabbed, 16, 0, true);
    model.moveKeys({{"A", 24}}, -1, 0, false); // a new move starts a step of its own
    EXPECT_EQ(describe(model), "A 0:1:1 16:3:0 23:2:2 | B 0:10:0 32:20:1");
    model.undo();
    EXPECT_EQ(describe(model), "A 0:1:1 16:3:0 24:2:2 | B 0:10:0 32:20:1");
    model.undo();
    EXPECT_EQ(describe(model), start);
    EXPECT_FALSE(model.canUndo());
}

TEST(EditModel, RefusedCommandsChangeNothing) {
    const Operation refused[] = {
        {"missing key",
         [](EditModel& m) {
             m.moveKeys({{"A", 9}, {"A", 10}}, 1, 0);
         },
         ""},
        {"unknown track",
         [](EditModel& m) {
             m.insertKey("C", {0, 1, 0});
         },
         ""},
        {"not a number",
         [](EditModel& m) {
             m.insertKey("A", {4, std::nanf(""), 0});
         },
         ""},
        {"value past the range",
         [](EditModel& m) {
             m.moveKeys({{"A", 9}}, 0, 3e38f);
         },
         ""},
        {"row before 0",
         [](EditModel& m) {
             m.setKey({"A", 9}, -1, 0);
         },
         ""},
        {"interpolation 4",
         [](EditModel& m) {
             m.setInterpolation({{"A", 9}}, 4);
         },
         ""},
        {"paste past the last row",
         [](EditModel& m) {
             m.pasteKeys(m.copyKeys({{"A", 0}, {"A", 24}}), 99999990);
         },
         ""},
    };
    EditModel model;
    model.load({writeSource("refused", "track A\n 0 1\n 8 3e38\n 16 3\n 24 4\ntrack B\n 0 0\n")});
    model.insertKey("A", {4, 1, 1});
    // An open drag that a failed step of the same drag must keep.
    model.moveKeys({{"A", 4}, {"A", 8}}, 1, 0, true);
    std::string before = describe(model);
    std::uint64_t changes = model.getChangeCount();
    for (const Operation& operation : refused) {
        SCOPED_TRACE(operation.what);
        EXPECT_THROW(operation.apply(model), TimelineError);
        EXPECT_EQ(describe(model), before);
        EXPECT_EQ(model.getChangeCount(), changes);
    }
    EXPECT_THROW(model.moveKeys({{"A", 4}, {"A", 8}}, 2, 1e38f, true), TimelineError);
    EXPECT_EQ(describe(model), before);
    model.undo();
    model.undo();
    EXPECT_FALSE(model.isAnyDirty());
    EXPECT_FALSE(model.canUndo());
}

// A source changed on disk replaces the keys of the tracks it changed; only their changes leave
// the undo history, and the other tracks' edits still undo and redo.
TEST(EditModel, AnOutsideChangeDropsOnlyTheReplacedTracksHistory) {
    std::string file = writeSource("outside", source);
    EditModel model;
    model.load({file});
    model.insertKey("A", {4, 9, 0});
    model.insertKey("B", {8, 7, 0});
    model.undo(); // B is as loaded again, its edit only a redo
    std::ofstream(file, std::ios::binary) << "track A\n  0    1    linear\n  8    2    smooth\n"
                                             "  16   3    hold\n  24   4    easein\n"
                                             "track B\n  0    11   hold\n";
    EXPECT_TRUE(model.reload({file}).empty());
    EXPECT_EQ(describe(model), "A 0:1:1 4:9:0 8:2:2 16:3:0 24:4:3 | B 0:11:0");
    ASSERT_TRUE(model.canUndo());
    EXPECT_TRUE(model.undo());
    EXPECT_EQ(describe(model), "A 0:1:1 8:2:2 16:3:0 24:4:3 | B 0:11:0");
    EXPECT_TRUE(model.redo());
    EXPECT_FALSE(model.redo()) << "B's edit was of keys the file no longer holds";
    EXPECT_EQ(describe(model), "A 0:1:1 4:9:0 8:2:2 16:3:0 24:4:3 | B 0:11:0");
}
