// Where every track value goes: one frame of each scene under the test track set, where every
// track holds a value no other track holds, with the tracks the frame read and the uniforms and
// fixed-function values it set recorded and compared with tables of where each track must arrive.
// The tables say what each value is for (the scene's uniforms and the cards), not how the code
// computes it.
#include "wiring/GLRecorder.h"

#include "OfflineShow.h"
#include "Sync.h"
#include "Timeline.h"
#include "golden/ChildShow.h"
#include "kem/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double rowsPerSecond = 17.946666666666665;
const int resolution1280x720 = 1;

// The stretches of tests/golden/scenes.tl, by their middle rows.
enum Stretch {
    DuckNipples,
    SphurrsCloud,
    SphurrsTree,
    DruSucks,
    Colon,
    Architecture,
    Garbitch,
    EveryCard,
    stretchCount,
    Every = -1
};

// One component of an expected value: a track's value times a factor, or a constant.
struct Part {
    const char* track; // nullptr: the constant alone
    float factor;
};
Part track(const char* name) {
    return {name, 1.0f};
}
Part constant(float value) {
    return {nullptr, value};
}

struct Route {
    int stretch;         // Every: in every stretch
    const char* program; // named after its fragment shader
    const char* name;    // the uniform, or a fixed-function call
    std::vector<Part> value;
    int pass = -1; // -1: every time it is set in the frame; n: the n-th time
};

const std::vector<Route> routes = {
    // The grading pass, every frame.
    {Every, "PerkProc", "Mix", {track("Perkproc Mix")}},
    {Every, "PerkProc", "Distortion", {track("PerkProc Distortion")}},
    {Every, "PerkProc", "Distortion2", {track("PerkProc Distortion2")}},
    {Every, "PerkProc", "Flash", {track("PerkProc Flash")}},
    {Every, "PerkProc", "Invert", {track("PerkProc Invert")}},
    {Every, "PerkProc", "Desaturation", {track("PerkProc Desat")}},
    {Every, "PerkProc", "GradientExp", {track("PerkProc G Exp")}},
    {Every, "PerkProc", "VignetteExp", {track("PerkProc V Exp")}},
    {Every, "PerkProc", "Dots", {track("PerkProc Dots")}},
    // The bloom's final mix: wet is the glow, dry the picture under it.
    {Every, "Mix", "Intensity", {track("Bloom Wet")}},
    {Every, "Mix", "BgIntensity", {track("Bloom Dry")}},
    {Every, "Mix", "WetExp", {track("Bloom Wet Exp")}},
    {Every, "Mix", "BokehMix", {track("Bloom B Mix")}},
    // The floating sprites over every scene.
    {Every, "ColonParts", "ColonFloaterFlash", {track("Colon Floater Flash")}},

    {DuckNipples, "DuckNipples", "A", {track("Duck A")}},
    {DuckNipples, "DuckNipples", "B", {track("Duck B")}},
    {DuckNipples, "DuckNipples", "C", {track("Duck C")}},
    {DuckNipples, "DuckNipples", "D", {track("Duck D")}},
    {DuckNipples, "DuckNipples", "E", {track("Duck E")}},
    {DuckNipples, "DuckNipples", "F", {track("Duck F")}},
    {DuckNipples, "DuckNipples", "Height", {track("Duck Height")}},
    {DuckNipples, "DuckNipples", "TexScale", {track("Duck TexS")}},
    {DuckNipples,
     "DuckNipples",
     "BarsColor",
     {track("Duck BarR"), track("Duck BarG"), track("Duck BarB")}},
    {DuckNipples, "DuckNipples", "FogStart", {track("Duck Fog Strt")}},
    {DuckNipples, "DuckNipples", "FogEnd", {track("Duck Fog End")}},
    {DuckNipples, "DuckNipples", "FogExp", {track("Duck Fog Exp")}},
    {DuckNipples, "DuckNipples", "BarWidth", {track("Duck Width")}},
    {DuckNipples, "DuckNipples", "BarWidth2", {track("Duck Width 2")}},
    {DuckNipples, "DuckNipples", "Flicker", {track("Duck Flkr")}},

    {DruSucks, "DruSucks", "RotationTime", {track("DruSucks Rotation Time")}},
    {DruSucks, "DruSucks", "SkyboxMix", {track("DruSucks Skybox Mix")}},
    {DruSucks, "DruSucks", "Color", {track("DruSucks Color")}},
    {DruSucks, "DruSucks", "AoFactor", {track("DruSucks Ao Factor")}},
    {DruSucks, "DruSucks", "Cutouts", {track("DruSucks Cutouts")}},
    {DruSucks, "DruSucks", "Slashes", {track("DruSucks Slashes")}},
    {DruSucks, "DruSucks", "PlaneDistance", {track("DruSucks Plane Distance")}},
    {DruSucks, "DruSucks", "RotationMix", {track("DruSucks Rotation Mix")}},

    // Choice 1 tints the sky warm, (0.12, 0.1, 0.05), scaled by the intensity.
    {Colon,
     "ColonSky",
     "glColor3f",
     {{"Colon Skybox Intensity", 0.12f},
      {"Colon Skybox Intensity", 0.1f},
      {"Colon Skybox Intensity", 0.05f}}},

    {Architecture, "tunnel", "Fade", {track("Arch Slab Fade")}},
    {EveryCard, "tunnel", "Fade", {track("Arch Slab Fade")}},

    // Two outline passes: the first in colour 1 over black, the second in colour 2 blended back.
    {Garbitch, "GarbitchEdgeDetect", "Spread", {track("Garbitch Spread 1")}, 0},
    {Garbitch, "GarbitchEdgeDetect", "Strength", {track("Garbitch Strength 1")}, 0},
    {Garbitch,
     "GarbitchEdgeDetect",
     "Color",
     {track("Garbitch Red 1"), track("Garbitch Green 1"), track("Garbitch Blue 1")},
     0},
    {Garbitch, "GarbitchEdgeDetect", "BackgroundMix", {constant(0.0f)}, 0},
    {Garbitch, "GarbitchEdgeDetect", "Spread", {track("Garbitch Spread 2")}, 1},
    {Garbitch, "GarbitchEdgeDetect", "Strength", {track("Garbitch Strength 2")}, 1},
    {Garbitch,
     "GarbitchEdgeDetect",
     "Color",
     {track("Garbitch Red 2"), track("Garbitch Green 2"), track("Garbitch Blue 2")},
     1},
    {Garbitch, "GarbitchEdgeDetect", "BackgroundMix", {track("Garbitch Blend")}, 1},
};

// The title cards in the order they are laid over the picture: each a fade (its alpha) and a
// horizontal offset (in half-widths) for the quad's left edge at offset - 1.
struct CardRoute {
    const char* fade;
    const char* offset; // nullptr: centred
};
const CardRoute cards[] = {{"Morvelin Fade", nullptr}, {"W0lvar Fade", nullptr},
                           {"Pim00dle Fade", nullptr}, {"Vexaroon Fade", nullptr},
                           {"Brisko Fade", nullptr},   {"Go Fade", "G Offset"},
                           {"Go Fade", "O Offset"},    {"End Fade", nullptr}};

// Which frames must read a track: a scene's own tracks (named after it) only while it plays, the
// overlay's and the rest (camera, grading, bloom, cards, "Part") in every frame.
struct TrackGroup {
    const char* prefix;
    std::set<int> stretches;
};
const TrackGroup sceneGroups[] = {
    {"Duck ", {DuckNipples}}, {"Sphurrs ", {SphurrsCloud, SphurrsTree}}, {"DruSucks ", {DruSucks}},
    {"Colon ", {Colon}},      {"Arch ", {Architecture, EveryCard}},      {"Garbitch ", {Garbitch}},
};
// The floating parts over every scene carry "Colon" names.
const std::set<std::string> overlayTracks = {"Colon Floater Flash", "Colon Floater Transform",
                                             "Colon Ball Fade", "Colon Ball Red"};
// The ripple belongs to the cloud layout; the tree has none.
const std::set<std::string> cloudOnlyTracks = {"Sphurrs Rad Shit", "Sphurrs Rad Shit Time"};

bool mustRead(const std::string& name, int stretch) {
    if (overlayTracks.count(name))
        return true;
    if (cloudOnlyTracks.count(name))
        return stretch == SphurrsCloud;
    for (const TrackGroup& group : sceneGroups)
        if (name.rfind(group.prefix, 0) == 0)
            return group.stretches.count(stretch) > 0;
    return true;
}

// Tracks that choose rather than carry a value, and the camera (its own tests cover it).
bool exemptFromUniqueness(const std::string& name) {
    return name == "Part" || name == "Sphurrs Part" || name == "Colon Skybox Color" ||
           name.rfind("Camera ", 0) == 0;
}

class TrackValues {
public:
    explicit TrackValues(const std::string& timeline) {
        std::ifstream in(timeline);
        std::stringstream text;
        text << in.rdbuf();
        sources = parseTimeline(text.str(), timeline);
    }
    // Every key is held, so the value is the last key's at or before the row.
    float at(const std::string& name, int row) const {
        for (const TrackSource& source : sources)
            if (source.name == name) {
                float value = 0;
                for (const SourceKey& key : source.keys)
                    if (key.row <= row)
                        value = key.value;
                return value;
            }
        ADD_FAILURE() << "no track " << name << " in the test set";
        return 0;
    }
    const std::vector<TrackSource>& all() const { return sources; }

private:
    std::vector<TrackSource> sources;
};

int rowOf(int stretch) {
    return 100 * stretch + 50;
}

const TrackValues& trackValues() {
    static const TrackValues values(OXBRINE_GOLDEN_TRACKS);
    return values;
}

// One frame per stretch, recorded; the show is drawn once per process, on first use.
struct Recording {
    std::vector<recorder::Call> frames[stretchCount];
    std::set<std::string> read[stretchCount]; // the tracks each frame read
    bool complete = false;
};

const Recording& recording() {
    static Recording recorded;
    static bool done = false;
    if (done)
        return recorded;
    done = true;
    std::string folder = golden::compileTracks(OXBRINE_GOLDEN_TRACKS);
    try {
        OfflineShow show(resolution1280x720, folder);
        recorder::install();
        recorded.complete = true;
        for (int s = 0; s < stretchCount; ++s) {
            std::uint32_t stamp = Sync::nextReadStamp();
            recorder::start();
            bool drawn = show.render(std::llround(rowOf(s) / rowsPerSecond * 1000.0));
            recorded.frames[s] = recorder::stop();
            TrackSet* tracks = Sync::getTracks();
            for (int i = 0; i < tracks->getTrackCount(); ++i)
                if (tracks->getTrackAt(i)->getLastRead() == stamp)
                    recorded.read[s].insert(tracks->getTrackAt(i)->getName());
            recorded.complete = recorded.complete && drawn;
        }
    } catch (const Kem::Exception& e) {
        ADD_FAILURE() << "the show failed: " << e.getMessage().getData();
        recorded.complete = false;
    }
    std::filesystem::remove_all(folder);
    return recorded;
}

std::string describe(const std::vector<float>& v) {
    std::ostringstream out;
    for (size_t i = 0; i < v.size() && i < 4; ++i)
        out << (i ? ", " : "(") << v[i];
    return out.str() + (v.size() > 4 ? ", ...)" : ")");
}

TEST(WiringTrackSet, EveryValueCarryingTrackHoldsAValueOfItsOwn) {
    const TrackValues* values = &trackValues();
    for (int s = 0; s < stretchCount; ++s) {
        std::map<float, std::string> owner;
        for (const TrackSource& source : values->all()) {
            float v = values->at(source.name, rowOf(s));
            if (exemptFromUniqueness(source.name) || v == 0)
                continue;
            auto [it, fresh] = owner.emplace(v, source.name);
            EXPECT_TRUE(fresh) << source.name << " and " << it->second << " both hold " << v;
        }
    }
}

TEST(Wiring, EachFrameReadsItsSceneTracksAndNoOtherScenes) {
    const Recording& recorded = recording();
    ASSERT_TRUE(recorded.complete) << "not every stretch was drawn";
    for (int s = 0; s < stretchCount; ++s)
        for (const TrackSource& source : trackValues().all())
            EXPECT_EQ(recorded.read[s].count(source.name) > 0, mustRead(source.name, s))
                << "\"" << source.name << "\" in stretch " << s;
}

// Uniforms and card values in one test, so the show is drawn once.
TEST(Wiring, EveryTrackReachesItsUniformAndEveryCardItsAlphaAndPlace) {
    const TrackValues* values = &trackValues();
    const Recording& recorded = recording();
    ASSERT_TRUE(recorded.complete) << "not every stretch was drawn";
    const auto& frames = recorded.frames;
    for (const Route& route : routes)
        for (int s = 0; s < stretchCount; ++s) {
            if (route.stretch != Every && route.stretch != s)
                continue;
            std::vector<float> expected;
            for (const Part& part : route.value)
                expected.push_back(part.track ? part.factor * values->at(part.track, rowOf(s))
                                              : part.factor);
            std::vector<std::vector<float>> set;
            for (const recorder::Call& call : frames[s])
                if (call.program == route.program && call.name == route.name)
                    set.push_back(call.values);
            std::string where = std::string(route.program) + " " + route.name + " in stretch " +
                                std::to_string(s) +
                                (route.pass >= 0 ? " pass " + std::to_string(route.pass) : "");
            if (route.pass >= 0) {
                if (set.size() <= size_t(route.pass)) {
                    ADD_FAILURE() << where << " is not set";
                    continue;
                }
                set = {set[route.pass]};
            }
            EXPECT_FALSE(set.empty()) << where << " is never set";
            for (const std::vector<float>& got : set) {
                EXPECT_EQ(got.size(), expected.size()) << where;
                if (got.size() != expected.size())
                    continue;
                for (size_t i = 0; i < got.size(); ++i)
                    EXPECT_NEAR(got[i], expected[i], 1e-5f)
                        << where << " got " << describe(got) << ", expected " << describe(expected);
            }
        }

    // The cards in the order they are laid over the picture.
    std::vector<std::vector<float>> colours, corners;
    for (size_t i = 0; i < frames[EveryCard].size(); ++i) {
        const recorder::Call& call = frames[EveryCard][i];
        if (call.name != "glColor4f")
            continue;
        colours.push_back(call.values);
        // The first corner after the colour is the quad's top left.
        for (size_t j = i + 1; j < frames[EveryCard].size(); ++j)
            if (frames[EveryCard][j].name == "glVertex2f") {
                corners.push_back(frames[EveryCard][j].values);
                break;
            }
    }
    ASSERT_EQ(colours.size(), std::size(cards));
    ASSERT_EQ(corners.size(), std::size(cards));
    int row = rowOf(EveryCard);
    for (size_t c = 0; c < std::size(cards); ++c) {
        EXPECT_EQ(colours[c], (std::vector<float>{1, 1, 1, values->at(cards[c].fade, row)}))
            << "card " << c << " (" << cards[c].fade << ")";
        float offset = cards[c].offset ? values->at(cards[c].offset, row) : 0.0f;
        EXPECT_NEAR(corners[c][0], offset - 1.0f, 1e-6f) << "card " << c;
    }
    // Without fades no card is drawn.
    for (int s = 0; s < EveryCard; ++s)
        for (const recorder::Call& call : frames[s])
            EXPECT_NE(call.name, "glVertex2f") << "a card quad in stretch " << s;
}

} // namespace
