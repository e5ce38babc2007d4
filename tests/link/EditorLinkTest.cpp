// The editor link against a fake editor: greeting, track requests, keys, transport, saving and
// every way an editor can fail the preview.
#include "EditorLink.h"
#include "AllocationCount.h"
#include "FakeEditor.h"
#include "sync/TrackFiles.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <tuple>
#include <unistd.h>

namespace {

using namespace linktest;
using Key = std::tuple<int, float, int>;

std::vector<Key> keysOf(const Track* track) {
    std::vector<Key> keys;
    for (int i = 0; i < track->getKeyCount(); ++i) {
        const TrackKey& key = track->getKeys()[i];
        keys.emplace_back(key.row, key.value, key.interpolation);
    }
    return keys;
}

std::vector<Key> keysOf(const std::vector<TrackKey>& list) {
    std::vector<Key> keys;
    for (const TrackKey& key : list)
        keys.emplace_back(key.row, key.value, key.interpolation);
    return keys;
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::vector<TrackKey> alphaFile = {{0, 1.0f, Linear}, {10, 3.0f, Hold}};
const std::vector<TrackKey> betaFile = {{0, 5.0f, Hold}};
const std::vector<TrackKey> gammaFile = {{0, 8.0f, Hold}};

class EditorLinkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.empty());
        ASSERT_NE(editor.getPort(), 0);
        synctest::writeTrack(folder, "Alpha", alphaFile);
        synctest::writeTrack(folder, "Beta", betaFile);
        synctest::writeTrack(folder, "Gamma", gammaFile);
        alpha = tracks.getTrack("Alpha");
        beta = tracks.getTrack("Beta");
    }

    // One frame's poll; what it asked for is added to `heard`.
    void pump() {
        LinkRequests requests = link.poll(tracks, now);
        if (requests.seek) {
            heard.seek = true;
            heard.row = requests.row;
        }
        if (requests.pauseChanged) {
            heard.pauseChanged = true;
            heard.paused = requests.paused;
        }
        heard.tracksChanged |= requests.tracksChanged;
        heard.saved |= requests.saved;
    }

    template <class Condition> bool settle(Condition condition) {
        for (int i = 0; i < 2000; ++i) {
            pump();
            if (condition())
                return true;
            usleep(1000);
        }
        return false;
    }

    // Takes the link's connection, greets it and checks that it asks for every known track.
    void connect(const std::vector<std::string>& expectedNames) {
        ASSERT_TRUE(editor.accept());
        ASSERT_EQ(editor.read(19), text("hello, synctracker!"));
        editor.write(text("hello, demo!"));
        Bytes expected;
        for (const std::string& name : expectedNames)
            expected = join({expected, getTrack(name)});
        ASSERT_EQ(editor.read(expected.size()), expected);
        ASSERT_TRUE(link.isConnected());
        EXPECT_FALSE(link.isLastMessageAnError());
    }

    std::string folder = synctest::makeTemporaryFolder();
    TrackSet tracks{folder.c_str()};
    Track* alpha = nullptr;
    Track* beta = nullptr;
    std::uint32_t now = 50000;
    LinkRequests heard;
    FakeEditor editor{[this] { pump(); }};
    EditorLink link{"127.0.0.1", editor.getPort()};
};

TEST_F(EditorLinkTest, TheEditorsKeysReplaceTheFilesOnEveryTrackItWasAskedFor) {
    connect({"Alpha", "Beta"});
    // Asked tracks have no keys until the editor sends them.
    EXPECT_TRUE(keysOf(alpha).empty());
    EXPECT_TRUE(keysOf(beta).empty());

    struct Step {
        const char* what;
        Bytes command;
        Track* track;
        std::vector<TrackKey> keys;
        double row;
        float value;
    };
    const Step steps[] = {
        {"a key on an empty track", setKey(0, 10, 2.0f, Hold), alpha, {{10, 2.0f, Hold}}, 0, 2.0f},
        {"a key before it keeps the order",
         setKey(0, 0, 1.0f, Linear),
         alpha,
         {{0, 1.0f, Linear}, {10, 2.0f, Hold}},
         5,
         1.5f},
        {"a key on a row that has one replaces it",
         setKey(0, 10, 4.0f, Smooth),
         alpha,
         {{0, 1.0f, Linear}, {10, 4.0f, Smooth}},
         5,
         2.5f},
        {"the second track by its index",
         setKey(1, 4, 7.0f, Hold),
         beta,
         {{4, 7.0f, Hold}},
         100,
         7.0f},
        {"deleting a key", deleteKey(0, 0), alpha, {{10, 4.0f, Smooth}}, 5, 4.0f},
        {"deleting where there is no key", deleteKey(0, 3), alpha, {{10, 4.0f, Smooth}}, 5, 4.0f},
        {"the last row a timeline holds",
         setKey(1, 99999999u, -1.0f, EaseIn),
         beta,
         {{4, 7.0f, Hold}, {99999999, -1.0f, EaseIn}},
         1e12,
         -1.0f},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        // One byte per read: every command arrives split.
        editor.trickle(step.command);
        EXPECT_TRUE(settle([&] { return keysOf(step.track) == keysOf(step.keys); }));
        EXPECT_FLOAT_EQ(step.track->getValue(step.row), step.value);
    }
    EXPECT_TRUE(link.isConnected());

    // A track the show asks for later is asked for at the next frame, with the next index.
    Track* gamma = tracks.getTrack("Gamma");
    pump();
    EXPECT_EQ(editor.read(getTrack("Gamma").size()), getTrack("Gamma"));
    EXPECT_TRUE(keysOf(gamma).empty());
    editor.write(setKey(2, 0, 6.0f, Linear));
    EXPECT_TRUE(settle([&] { return gamma->getValue(0) == 6.0f; }));

    // An editor that goes away gives every track its file's keys back; the next one is asked
    // for all of them again, in the order the show first asked.
    editor.drop();
    EXPECT_TRUE(settle([&] { return !link.isConnected(); }));
    EXPECT_EQ(keysOf(alpha), keysOf(alphaFile));
    EXPECT_EQ(keysOf(beta), keysOf(betaFile));
    EXPECT_EQ(keysOf(gamma), keysOf(gammaFile));
    EXPECT_TRUE(link.isLastMessageAnError());
    now += EditorLink::retryMilliseconds;
    connect({"Alpha", "Beta", "Gamma"});
    EXPECT_TRUE(keysOf(gamma).empty());
}

TEST_F(EditorLinkTest, TheEditorMovesAndPausesThePreviewAndHearsItsRow) {
    connect({"Alpha", "Beta"});
    struct Case {
        const char* what;
        Bytes commands;
        bool seek;
        std::uint32_t row;
        bool pauseChanged;
        bool paused;
    };
    const Case cases[] = {
        {"a row", setRow(256), true, 256, false, false},
        {"pause", pause(true), false, 0, true, true},
        {"play", pause(false), false, 0, true, false},
        {"the latest of one frame's commands", join({setRow(8), pause(true), setRow(40)}), true, 40,
         true, true},
        {"a key moves nothing", setKey(0, 0, 1.0f, Hold), false, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        heard = LinkRequests();
        editor.write(c.commands);
        EXPECT_TRUE(
            settle([&] { return heard.seek || heard.pauseChanged || heard.tracksChanged; }));
        EXPECT_EQ(heard.seek, c.seek);
        EXPECT_EQ(heard.row, c.row);
        EXPECT_EQ(heard.pauseChanged, c.pauseChanged);
        EXPECT_EQ(heard.paused, c.paused);
    }

    // The preview's row goes out when its integer part changes, never twice, and the row the
    // editor chose is not told back to it.
    link.reportRow(5);
    EXPECT_EQ(editor.read(5), setRow(5));
    link.reportRow(5);
    link.reportRow(6);
    EXPECT_EQ(editor.read(5), setRow(6));
    editor.write(setRow(300));
    EXPECT_TRUE(settle([&] { return heard.row == 300; }));
    link.reportRow(300);
    link.reportRow(301);
    EXPECT_EQ(editor.read(5), setRow(301));

    // Frames with nothing new, and one that reports a row, allocate nothing.
    long before = allocationCount();
    for (std::uint32_t frame = 0; frame < 100; ++frame) {
        now += 16;
        link.poll(tracks, now);
        link.reportRow(301 + frame / 50);
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_EQ(editor.read(5), setRow(302));
}

TEST_F(EditorLinkTest, SavingWritesEveryTrackAsTheShowsTrackFiles) {
    connect({"Alpha", "Beta"});
    const std::vector<TrackKey> saved = {{0, 1.5f, Smooth}, {32, -2.0f, EaseIn}};
    // The key after the save command reaches the track but not the file.
    editor.write(join({setKey(0, 32, -2.0f, EaseIn), setKey(0, 0, 1.5f, Smooth), saveTracks(),
                       setKey(0, 64, 9.0f, Hold)}));
    EXPECT_TRUE(settle([&] { return heard.saved && alpha->getKeyCount() == 3; }));
    EXPECT_FALSE(link.isLastMessageAnError()) << link.getLastMessage();
    EXPECT_EQ(fileBytes(folder + "_Alpha.track"), synctest::encodeTrack(saved));
    EXPECT_EQ(fileBytes(folder + "_Beta.track"), synctest::encodeTrack({}));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"_Alpha.track", "_Beta.track", "_Gamma.track"}));

    // A file that cannot be written (a link stands in its place) is reported; the preview goes on.
    std::filesystem::remove(folder + "_Beta.track");
    std::filesystem::create_symlink(folder + "nothing-here", folder + "_Beta.track");
    heard = LinkRequests();
    editor.write(saveTracks());
    EXPECT_TRUE(settle([&] { return heard.saved; }));
    EXPECT_TRUE(link.isLastMessageAnError());
    EXPECT_NE(link.getLastMessage().find("_Beta.track"), std::string::npos)
        << link.getLastMessage();
    EXPECT_TRUE(link.isConnected());

    // The files saved are what the tracks play once the editor is gone. A save is all or
    // nothing: the failed one left Alpha's file as the first save wrote it, without the key that
    // came after.
    editor.drop();
    EXPECT_TRUE(settle([&] { return !link.isConnected(); }));
    EXPECT_EQ(keysOf(alpha), (std::vector<Key>{{0, 1.5f, Smooth}, {32, -2.0f, EaseIn}}));
    EXPECT_TRUE(keysOf(beta).empty());
}

// The editor's stream in pieces, the link polled between them as frames would.
void sendInFrames(FakeEditor& editor, const Bytes& stream, const std::function<void()>& frame) {
    constexpr std::size_t piece = 32 * 1024;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        editor.write(Bytes(stream.begin() + std::ptrdiff_t(at),
                           stream.begin() + std::ptrdiff_t(std::min(stream.size(), at + piece))));
        frame();
    }
}

TEST_F(EditorLinkTest, AFloodAtFarRowsIsMergedAsSentAndItsLastSeekFollowed) {
    connect({"Alpha", "Beta"});
    // Keys set, replaced and deleted at rows far apart, on both tracks, with seeks among them;
    // the expected keys are worked out here from the commands alone.
    std::mt19937 random(7);
    std::map<int, Key> expected[2];
    Bytes stream;
    std::uint32_t lastSeek = 0;
    for (int i = 0; i < 80000; ++i) {
        std::uint32_t track = random() % 2;
        std::uint32_t row = random() % 2000 < 1000 ? random() % 2000 : random() % 99999999u;
        Bytes command;
        if (random() % 8 == 0) {
            command = deleteKey(track, row);
            expected[track].erase(int(row));
        } else if (random() % 50 == 0) {
            lastSeek = random() % 5000;
            command = setRow(lastSeek);
        } else {
            float value = float(random() % 1000) / 8.0f;
            std::uint8_t interpolation = std::uint8_t(random() % 4);
            command = setKey(track, row, value, interpolation);
            expected[track][int(row)] = Key{int(row), value, interpolation};
        }
        stream.insert(stream.end(), command.begin(), command.end());
    }
    ASSERT_GT(stream.size(), 1000000u);
    sendInFrames(editor, stream, [this] { pump(); });
    Track* asked[2] = {alpha, beta};
    for (int track = 0; track < 2; ++track) {
        std::vector<Key> keys;
        for (const auto& entry : expected[track])
            keys.push_back(entry.second);
        EXPECT_TRUE(settle([&] { return keysOf(asked[track]) == keys; })) << "track " << track;
    }
    EXPECT_TRUE(heard.seek);
    EXPECT_EQ(heard.row, lastSeek);
    EXPECT_TRUE(link.isConnected());
    EXPECT_FALSE(link.isLastMessageAnError());
}

TEST_F(EditorLinkTest, ATrackPastTheKeyCapClosesTheLinkNamingTrackAndCap) {
    connect({"Alpha", "Beta"});
    Bytes stream;
    for (std::uint32_t row = 0; row <= EditorLink::maxKeysPerTrack; ++row) {
        Bytes command = setKey(1, row * 3, 1.0f, Hold);
        stream.insert(stream.end(), command.begin(), command.end());
    }
    sendInFrames(editor, stream, [this] { pump(); });
    EXPECT_TRUE(settle([&] { return !link.isConnected(); }));
    EXPECT_NE(link.getLastMessage().find("more than 1048576 keys for track 'Beta'"),
              std::string::npos)
        << link.getLastMessage();
    // The keys of earlier frames stay, never more than the cap.
    EXPECT_GT(beta->getKeyCount(), 0);
    EXPECT_LE(beta->getKeyCount(), int(EditorLink::maxKeysPerTrack));
}

struct Failure {
    const char* what;
    Bytes stream; // after one good key; empty: the editor drops the connection
    bool keysKept;
    const char* named; // what the message says
};

class LinkFailureTest : public EditorLinkTest, public testing::WithParamInterface<Failure> {};

TEST_P(LinkFailureTest, ClosesKeepsPlayingAndTriesAgainASecondLater) {
    const Failure& failure = GetParam();
    connect({"Alpha", "Beta"});
    editor.write(setKey(0, 0, 9.0f, Hold));
    ASSERT_TRUE(settle([&] { return alpha->getValue(0) == 9.0f; }));

    if (failure.stream.empty()) {
        editor.drop();
    } else {
        // One byte per read: the fault is found however the stream is cut.
        editor.trickle(failure.stream);
        EXPECT_TRUE(editor.closedByLink());
    }
    EXPECT_TRUE(settle([&] { return !link.isConnected(); }));
    EXPECT_TRUE(link.isLastMessageAnError());
    EXPECT_NE(link.getLastMessage().find(failure.named), std::string::npos)
        << link.getLastMessage();
    EXPECT_FALSE(heard.seek);
    // A good command before the fault still counts.
    EXPECT_EQ(heard.pauseChanged, failure.stream.size() > 1 && failure.stream[0] == 4);
    if (failure.keysKept) {
        EXPECT_EQ(keysOf(alpha), (std::vector<Key>{{0, 9.0f, Hold}}));
        EXPECT_TRUE(keysOf(beta).empty());
    } else {
        EXPECT_EQ(keysOf(alpha), keysOf(alphaFile));
        EXPECT_EQ(keysOf(beta), keysOf(betaFile));
    }

    now += EditorLink::retryMilliseconds / 2;
    for (int i = 0; i < 20; ++i)
        pump();
    EXPECT_FALSE(editor.hasWaitingConnection());
    now += EditorLink::retryMilliseconds / 2;
    connect({"Alpha", "Beta"});
    EXPECT_TRUE(keysOf(alpha).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LinkFailureTest,
    testing::Values(
        Failure{"unknown command", Bytes{9}, true, "unknown command byte 9"},
        Failure{"track index out of range", setKey(2, 0, 1.0f, Hold), true,
                "set key: track index 2 past the 2 tracks asked for"},
        Failure{"key row above 2^31-1", setKey(0, 0x80000000u, 1.0f, Hold), true,
                "set key on track 'Alpha': row 2147483648 out of range"},
        Failure{"key row past a timeline's rows", setKey(1, 100000000u, 1.0f, Hold), true,
                "set key on track 'Beta' at row 100000000: row 100000000 is past the last row"},
        Failure{"key value not a number", setKey(0, 8, std::nanf(""), Hold), true,
                "set key on track 'Alpha' at row 8: value nan is not a finite number"},
        Failure{"key value infinite", setKey(1, 8, -HUGE_VALF, Linear), true,
                "value -inf is not a finite number"},
        Failure{"interpolation above 3", setKey(0, 8, 1.0f, 4), true,
                "set key on track 'Alpha' at row 8: interpolation 4 is not 0 to 3"},
        Failure{"deleted row above 2^31-1", deleteKey(1, 0xffffffffu), true, "row 4294967295"},
        Failure{"seek above 2^31-1", setRow(0x80000000u), true, "set row: row 2147483648"},
        Failure{"unknown command after a good one", join({pause(true), Bytes{7}}), true,
                "unknown command byte 7"},
        Failure{"dropped", Bytes{}, false, "went away"}),
    [](const testing::TestParamInfo<Failure>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

enum class Greeting { Silent, Wrong, CutShort, NoEditor };

std::string greetingName(const testing::TestParamInfo<Greeting>& info) {
    const char* names[] = {"Silent", "Wrong", "CutShort", "NoEditor"};
    return names[int(info.param)];
}

class GreetingFailureTest : public EditorLinkTest, public testing::WithParamInterface<Greeting> {};

TEST_P(GreetingFailureTest, TheFilesKeysStayAndTheLinkTriesAgain) {
    Greeting greeting = GetParam();
    if (greeting == Greeting::NoEditor) {
        editor.stopListening();
        for (int i = 0; i < 20; ++i)
            pump();
    } else {
        ASSERT_TRUE(editor.accept());
        ASSERT_EQ(editor.read(19), text("hello, synctracker!"));
        if (greeting == Greeting::Wrong)
            editor.write(text("hello, world"));
        if (greeting == Greeting::CutShort) {
            editor.write(text("hello,"));
            editor.drop();
        }
        // Frames go on while the editor keeps silent.
        for (int i = 0; i < 50; ++i)
            pump();
        if (greeting == Greeting::Silent) {
            EXPECT_TRUE(link.getLastMessage().empty());
            now += EditorLink::answerMilliseconds;
        }
        if (greeting != Greeting::CutShort) {
            EXPECT_TRUE(editor.closedByLink());
        }
        EXPECT_TRUE(settle([&] { return !link.getLastMessage().empty(); }));
    }
    EXPECT_FALSE(link.isConnected());
    EXPECT_TRUE(link.isLastMessageAnError());
    EXPECT_EQ(keysOf(alpha), keysOf(alphaFile));
    EXPECT_EQ(keysOf(beta), keysOf(betaFile));

    if (greeting != Greeting::NoEditor) {
        now += EditorLink::retryMilliseconds;
        EXPECT_TRUE(editor.accept());
    }
}

INSTANTIATE_TEST_SUITE_P(Editors, GreetingFailureTest,
                         testing::Values(Greeting::Silent, Greeting::Wrong, Greeting::CutShort,
                                         Greeting::NoEditor),
                         greetingName);

TEST(EditorAddressTest, ReadsAnOptionalHostAndAPort) {
    struct Case {
        const char* text;
        bool valid;
        const char* host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"1338", true, "127.0.0.1", 1338},
        {"example.org:80", true, "example.org", 80},
        {"10.0.0.2:65535", true, "10.0.0.2", 65535},
        {"[::1]:1338", true, "::1", 1338},
        {"", false, "", 0},
        {":1338", false, "", 0},
        {"host:", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:13x8", false, "", 0},
        {"::1:1338", false, "", 0},
        {"[]:1338", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string host = "unchanged";
        std::uint16_t port = 7;
        EXPECT_EQ(parseEditorAddress(c.text, host, port), c.valid);
        EXPECT_EQ(host, c.valid ? c.host : "unchanged");
        EXPECT_EQ(port, c.valid ? c.port : 7);
    }
}

} // namespace
