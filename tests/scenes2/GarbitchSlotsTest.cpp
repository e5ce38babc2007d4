// Which tunnel slots are drawn when, in what order and how bright; and the edge passes' tracks.
#include "Garbitch.h"
#include "SceneTracks.h"

#include <gtest/gtest.h>

#include <set>

namespace {

GarbitchShapeTracks shapeTracks(float fadeout, float rings, float sinMix = 0.0f) {
    GarbitchShapeTracks tracks;
    tracks.fadeout = fadeout;
    tracks.rings = rings;
    tracks.sinMix = sinMix;
    return tracks;
}

std::vector<int> indices(const std::vector<GarbitchSlot>& slots) {
    std::vector<int> result;
    for (const GarbitchSlot& slot : slots)
        result.push_back(slot.index);
    return result;
}

class GarbitchSlots : public ::testing::Test {
protected:
    void SetUp() override { Garbitch::fillRings(rings); }
    Kem::List<GarbitchRing> rings;
};

TEST_F(GarbitchSlots, RingsAreLaidOutOnceFromTheSeed) {
    ASSERT_EQ(rings.getCount(), 400);
    Kem::List<GarbitchRing> again;
    Garbitch::fillRings(again);
    std::set<float> biases;
    for (int i = 0; i < 400; ++i) {
        EXPECT_EQ(rings[i].depth, 4.0f * float(i));
        EXPECT_EQ(rings[i].fadeBias, again[i].fadeBias);
        EXPECT_EQ(rings[i].arcStart, again[i].arcStart);
        EXPECT_LE(std::abs(rings[i].offset.x), 0.8f);
        EXPECT_LE(std::abs(rings[i].offset.y), 0.9f);
        EXPECT_LE(std::abs(rings[i].angle), 180.0f);
        EXPECT_GE(rings[i].arcStart, 0.0f);
        EXPECT_LE(rings[i].arcStart, 6.283184f);
        biases.insert(rings[i].fadeBias);
    }
    EXPECT_GT(biases.size(), 350u); // the fade order is really scattered
}

TEST_F(GarbitchSlots, DepthWindowAndFarFirstOrder) {
    // At time 0 slots 1..50 are in the window (slot 0 sits exactly at the near end).
    std::vector<int> atStart = indices(Garbitch::visibleSlots(rings, 0.0, shapeTracks(0, 0)));
    ASSERT_EQ(atStart.size(), 50u);
    EXPECT_EQ(atStart.front(), 50);
    EXPECT_EQ(atStart.back(), 1);
    for (size_t i = 1; i < atStart.size(); ++i)
        EXPECT_EQ(atStart[i], atStart[i - 1] - 1);

    // Slot 1 leaves after a third of a second; slot 51 enters.
    std::vector<int> later = indices(Garbitch::visibleSlots(rings, 0.34, shapeTracks(0, 0)));
    EXPECT_EQ(later.front(), 51);
    EXPECT_EQ(later.back(), 2);

    // Slot 100 (depth 400) is drawn from (400 - 200) / 12 s up to but not at 100 / 3 s.
    auto has100 = [&](double time) {
        std::vector<int> v = indices(Garbitch::visibleSlots(rings, time, shapeTracks(0, 0)));
        return std::find(v.begin(), v.end(), 100) != v.end();
    };
    EXPECT_FALSE(has100(200.0 / 12.0 - 0.01));
    EXPECT_TRUE(has100(200.0 / 12.0));
    EXPECT_TRUE(has100(100.0 / 3.0 - 0.01));
    EXPECT_FALSE(has100(100.0 / 3.0));
    EXPECT_TRUE(Garbitch::visibleSlots(rings, 200.0, shapeTracks(0, 0)).empty());
}

TEST_F(GarbitchSlots, BrightnessRisesTowardsTheCameraAndFadesInRandomOrder) {
    std::vector<GarbitchSlot> slots = Garbitch::visibleSlots(rings, 10.0, shapeTracks(0, 0));
    for (size_t i = 1; i < slots.size(); ++i)
        EXPECT_GT(slots[i].brightness, slots[i - 1].brightness);
    EXPECT_NEAR(slots.back().brightness, 0.3f, 0.01f);

    std::vector<GarbitchSlot> half = Garbitch::visibleSlots(rings, 10.0, shapeTracks(0.5f, 0));
    for (const GarbitchSlot& slot : half) {
        float base = (1.0f - slot.distance / -200.0f) * 0.3f;
        EXPECT_NEAR(slot.brightness, base * rings[slot.index].fadeBias, 1e-6f);
    }
    for (const GarbitchSlot& slot : Garbitch::visibleSlots(rings, 10.0, shapeTracks(1.0f, 0)))
        EXPECT_EQ(slot.brightness, 0.0f);

    // The full sine pulse never brightens and differs from the steady value.
    std::vector<GarbitchSlot> pulsed = Garbitch::visibleSlots(rings, 10.0, shapeTracks(0, 0, 1));
    int dimmer = 0;
    for (size_t i = 0; i < pulsed.size(); ++i) {
        EXPECT_LE(pulsed[i].brightness, slots[i].brightness + 1e-6f);
        dimmer += pulsed[i].brightness < slots[i].brightness - 1e-3f;
    }
    EXPECT_GT(dimmer, 10);
}

TEST_F(GarbitchSlots, ArcsOnlyOnSlotsWithBitTwoClear) {
    int arcs = 0;
    for (const GarbitchSlot& slot : Garbitch::visibleSlots(rings, 5.0, shapeTracks(0, 0.5f))) {
        EXPECT_EQ(slot.arc, (slot.index & 4) == 0) << slot.index;
        arcs += slot.arc;
    }
    EXPECT_EQ(arcs, 26); // slots 6..55 at 5 s: 52..55, 48..51 and so on
    for (const GarbitchSlot& slot : Garbitch::visibleSlots(rings, 5.0, shapeTracks(0, 0)))
        EXPECT_FALSE(slot.arc);
    for (const GarbitchSlot& slot : Garbitch::visibleSlots(rings, 5.0, shapeTracks(0, -1)))
        EXPECT_FALSE(slot.arc);
}

TEST(GarbitchEdges, FirstPassNeverMixesItsBackground) {
    scenes2::ensureTracks();
    scenes2::setRow(scenes2::Calm + 0.5);
    GarbitchEdgePass first = GarbitchEdgePass::read(1);
    GarbitchEdgePass second = GarbitchEdgePass::read(2);
    EXPECT_EQ(first.backgroundMix, 0.0f);
    EXPECT_EQ(second.backgroundMix, 1.0f); // "Garbitch Blend" at this moment
    EXPECT_EQ(first.colour, glm::vec3(0.2f, 0.8f, 1.0f));
    EXPECT_EQ(second.colour, glm::vec3(1.0f, 0.55f, 0.2f));
    EXPECT_EQ(first.spread, 1.0f);
    EXPECT_EQ(second.spread, 2.0f);
    EXPECT_EQ(second.strength, 0.5f);
    scenes2::setRow(scenes2::Lively + 0.5);
    EXPECT_EQ(GarbitchEdgePass::read(1).backgroundMix, 0.0f);
    EXPECT_EQ(GarbitchEdgePass::read(2).backgroundMix, 0.8f);
}

} // namespace
