// The generator and the scenes' fixed layouts and per-frame rules, without a GL context.
#include "Architecture.h"
#include "Colon.h"
#include "Particles.h"
#include "Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

// Seed (z, w) = (1, 2), worked by hand:
//   step 1: z = 36969 * 1 + 0 = 36969;              w = 18000 * 2 + 0 = 36000
//           word = 36969 * 65536 + 36000 = 2422836384 = -1872130912 as int32
//           n = (2422836384 >> 16) & 0x7FFF = 36969 & 0x7FFF = 4201
//   step 2: z = 36969 * 36969 + 0 = 1366706961;     w = 18000 * 36000 + 0 = 648000000
//           z & 0xFFFF = 1366706961 - 20854 * 65536 = 19217
//           word = 19217 * 65536 + 648000000 = 1907405312
//           n = 1907405312 >> 16 = 29104 (remainder 45568), & 0x7FFF = 29104
//   step 3: z = 36969 * 19217 + 20854 = 710454127;  w = 18000 * 45568 + 9887 = 820233887
//           z & 0xFFFF = 710454127 - 10840 * 65536 = 43887
//           word = 43887 * 65536 + 820233887 = 3696412319 = -598554977 as int32
//           n = 3696412319 >> 16 = 56402, & 0x7FFF = 23634
TEST(Random, KnownWordsFromSeedOneTwo) {
    Random random(1, 2);
    EXPECT_EQ(random.nextInt(), -1872130912);
    EXPECT_EQ(random.nextInt(), 1907405312);
    EXPECT_EQ(random.nextInt(), -598554977);
}

TEST(Random, KnownFloatsFromSeedOneTwo) {
    Random random;
    EXPECT_EQ(random.nextFloat(0.0f, 1.0f), 4201.0f / 32767.0f);
    EXPECT_EQ(random.nextFloat(-4.0f, 4.0f), (29104.0f / 32767.0f) * 8.0f - 4.0f);
    // 23634 / 32767 of the way from 10 to 20.
    EXPECT_NEAR(random.nextFloat(10.0f, 20.0f), 10.0f + 10.0f * 23634.0f / 32767.0f, 1e-5f);
}

TEST(Random, SameSeedSameSequenceAndBothEndsReachable) {
    Random a(1, 2), b(1, 2), other(7, 9);
    bool differs = false;
    for (int n = 0; n < 1000; ++n) {
        float x = a.nextFloat(-3.0f, 5.0f);
        ASSERT_EQ(x, b.nextFloat(-3.0f, 5.0f));
        ASSERT_GE(x, -3.0f);
        ASSERT_LE(x, 5.0f);
        ASSERT_EQ(a.nextInt(), b.nextInt());
        differs = differs || other.nextFloat(-3.0f, 5.0f) != x;
        other.nextInt();
    }
    EXPECT_TRUE(differs);
}

TEST(ColonLayout, StyleAndLevelStatisticsOfTheFixedSeed) {
    auto rings = std::make_unique<ColonRing[]>(Colon::ringCount);
    float speed[Colon::levelCount], height[Colon::levelCount];
    ColonCylinder cylinders[Colon::cylinderCount];
    Colon::generateLayout(rings.get(), speed, height, cylinders);

    std::map<int, int> styles;
    int negative = 0;
    for (int n = 0; n < Colon::ringCount; ++n) {
        const ColonRing& ring = rings[n];
        ++styles[ring.style];
        negative += ring.level < 0;
        ASSERT_GE(ring.level, -99);
        ASSERT_LE(ring.level, 99);
        EXPECT_EQ(ring.innerRadius, float(ring.level) + 4.0f);
        float remainder = ring.outerRadius - 0.8f - ring.innerRadius;
        EXPECT_NEAR(remainder, std::round(remainder), 1e-3f);
        EXPECT_LE(std::fabs(remainder), 7.0f + 1e-3f);
        EXPECT_GE(ring.endAngle - ring.startAngle, 0.1f - 1e-5f);
        EXPECT_LE(ring.endAngle - ring.startAngle, 0.4f + 1e-5f);
        EXPECT_EQ(ring.color[3], 0.4f);
    }
    EXPECT_EQ(styles[0], 488);
    EXPECT_EQ(styles[1], 242);
    EXPECT_EQ(styles[2], 266);
    EXPECT_EQ(styles[-1], 266);
    EXPECT_EQ(styles[-2], 238);
    EXPECT_EQ(negative, 736);

    for (int n = 0; n < Colon::levelCount; ++n) {
        EXPECT_LE(std::fabs(speed[n]), 1.0f);
        EXPECT_LE(std::fabs(height[n]), 1.0f);
    }
    EXPECT_EQ(cylinders[0].baseY, -200.0f);
    EXPECT_EQ(cylinders[99].baseY, 196.0f);
    EXPECT_FLOAT_EQ(cylinders[99].delay, 19.8f);
}

TEST(ColonLayout, NegativeLevelsBorrowFactorsFromInsideTheArrays) {
    EXPECT_EQ(Colon::levelIndex(0), 0);
    EXPECT_EQ(Colon::levelIndex(99), 99);
    EXPECT_EQ(Colon::levelIndex(-1), 1);
    EXPECT_EQ(Colon::levelIndex(-99), 99);
}

TEST(ColonFlickerRamp, EdgesAndBlinks) {
    EXPECT_EQ(Colon::flickerRamp(-5.0f), 0.0f);
    EXPECT_EQ(Colon::flickerRamp(0.7f), 0.0f);
    EXPECT_NEAR(Colon::flickerRamp(1.0f), 1.0f, 1e-6f) << "the ramp reaches 1 at 1.0";
    EXPECT_EQ(Colon::flickerRamp(1.0001f), 1.0f);
    EXPECT_EQ(Colon::flickerRamp(50.0f), 1.0f);
    EXPECT_NEAR(Colon::flickerRamp(0.9f), 0.5f, 1e-5f);
    EXPECT_NEAR(Colon::flickerRamp(0.8001f), 0.0f, 1e-3f);
    // Between 0.7 and 0.8 the integer part of (v - 0.7) * 60 decides: 0 off, 1 on, 2 off ...
    EXPECT_EQ(Colon::flickerRamp(0.705f), 0.0f);
    EXPECT_EQ(Colon::flickerRamp(0.725f), 1.0f);
    EXPECT_EQ(Colon::flickerRamp(0.742f), 0.0f);
    EXPECT_EQ(Colon::flickerRamp(0.758f), 1.0f);
    EXPECT_EQ(Colon::flickerRamp(0.792f), 1.0f);
}

TEST(ArchSlabs, DepthWindowIncludesItsEnds) {
    ArchSlab slab{};
    slab.z = -300.0f;
    EXPECT_TRUE(ArchSlabs::isInDepthWindow(slab, 400.0f)) << "z + t exactly 100";
    EXPECT_TRUE(ArchSlabs::isInDepthWindow(slab, 200.0f)) << "z + t exactly -100";
    EXPECT_FALSE(ArchSlabs::isInDepthWindow(slab, std::nextafter(400.0f, 500.0f)));
    EXPECT_FALSE(ArchSlabs::isInDepthWindow(slab, std::nextafter(200.0f, 0.0f)));
    EXPECT_TRUE(ArchSlabs::isInDepthWindow(slab, 300.0f));
}

TEST(ArchLayout, SlabsStayInTheirRangesAndFewStartInTheDepthWindow) {
    auto slabs = std::make_unique<ArchSlab[]>(ArchSlabs::count);
    ArchSlabs::generate(slabs.get());

    int inWindowAtStart = 0;
    for (int n = 0; n < ArchSlabs::count; ++n) {
        const ArchSlab& s = slabs[n];
        ASSERT_TRUE(s.x >= -4 && s.x <= 4 && s.y >= -400 && s.y <= 4 && s.roll >= 0 &&
                    s.roll <= 360 && s.spin >= -2 && s.spin <= 2);
        inWindowAtStart += ArchSlabs::isInDepthWindow(s, 40.0f);
    }
    // About 200 of 4010 units of depth are inside the window.
    EXPECT_GT(inWindowAtStart, 120);
    EXPECT_LT(inWindowAtStart, 290);
}

class ParticlePlacement : public ::testing::Test {
protected:
    void SetUp() override {
        sprites = std::make_unique<ColonParticle[]>(Particles::count);
        Particles::generate(sprites.get());
    }
    std::unique_ptr<ColonParticle[]> sprites;
    const glm::vec3 noOffset{0.0f, 0.0f, 0.0f};
};

TEST_F(ParticlePlacement, LayoutRanges) {
    for (int i = 0; i < Particles::count; ++i) {
        const ColonParticle& p = sprites[i];
        float driftLength =
            std::sqrt(p.drift[0] * p.drift[0] + p.drift[1] * p.drift[1] + p.drift[2] * p.drift[2]);
        ASSERT_NEAR(driftLength, 1.0f, 1e-5f);
        ASSERT_TRUE(p.position[1] >= 0.0f && p.position[1] <= 400.0f);
        ASSERT_TRUE(p.speed >= 0.1f && p.speed <= 1.0f);
        glm::vec3 ball(p.ballPosition[0], p.ballPosition[1] - 40.0f, p.ballPosition[2]);
        if (i < Particles::ballCount)
            ASSERT_NEAR(glm::length(ball), 10.0f, 1e-4f) << i;
        else
            ASSERT_EQ(p.ballPosition[1], 0.0f);
    }
}

TEST_F(ParticlePlacement, FullTransformSitsOnTheBallWithoutTwinkle) {
    for (int i = 0; i < Particles::ballCount; i += 37) {
        SpritePlacement placed;
        ASSERT_TRUE(Particles::place(sprites[i], i, 3.7f, 1.0f, noOffset, placed));
        const ColonParticle& p = sprites[i];
        // The box is centred 10 units up, so the ball's y comes back shifted by 10.
        EXPECT_NEAR(placed.centre.x, p.ballPosition[0], 1e-3f);
        EXPECT_NEAR(placed.centre.y, p.ballPosition[1] + 10.0f, 1e-3f);
        EXPECT_NEAR(placed.centre.z, p.ballPosition[2], 1e-3f);
        EXPECT_NEAR(placed.twinkle, 1.0f, 1e-6f);
        // At most 60 units from the box centre: d <= 0.15.
        EXPECT_GT(placed.distanceFade, 1.0f - 0.15f * 0.15f - 1e-4f);
    }
}

TEST_F(ParticlePlacement, NoTransformBobsAndTwinklesUpToThree) {
    int hidden = 0, shown = 0;
    float brightest = 0.0f;
    for (int i = 0; i < Particles::ballCount; ++i) {
        const ColonParticle& p = sprites[i];
        float t2 = 5.0f;
        SpritePlacement placed;
        bool drawn = Particles::place(p, i, t2, 0.0f, noOffset, placed);
        float twinkle = 3.0f * std::sin(p.ballSpeed * t2 + p.ballPhase);
        ASSERT_EQ(drawn, twinkle > 0.0f) << i;
        if (!drawn) {
            ++hidden;
            continue;
        }
        ++shown;
        brightest = std::max(brightest, placed.twinkle);
        EXPECT_NEAR(placed.twinkle, twinkle, 1e-4f);
        float bob = std::sin(p.speed * t2 + p.phase) * 3.0f;
        float x = p.position[0] + p.drift[0] * bob;
        float wrapped = x - 800.0f * std::floor((x + 400.0f) / 800.0f);
        EXPECT_NEAR(placed.centre.x, wrapped, 1e-3f);
    }
    EXPECT_GT(hidden, 500);
    EXPECT_GT(shown, 500);
    EXPECT_GT(brightest, 2.9f);
    EXPECT_LE(brightest, 3.0f);
}

TEST_F(ParticlePlacement, SpritesBeyondTheBallIgnoreTheTransform) {
    for (int i = Particles::ballCount; i < Particles::count; i += 13) {
        SpritePlacement none, full;
        ASSERT_TRUE(Particles::place(sprites[i], i, 1.25f, 0.0f, noOffset, none));
        ASSERT_TRUE(Particles::place(sprites[i], i, 1.25f, 1.0f, noOffset, full));
        EXPECT_EQ(none.centre, full.centre);
        EXPECT_EQ(none.twinkle, 1.0f);
        EXPECT_EQ(full.twinkle, 1.0f);
    }
}

TEST_F(ParticlePlacement, WrapsIntoTheBoxAndFadesWithDistance) {
    int faded = 0;
    for (int i = Particles::ballCount; i < Particles::count; ++i) {
        SpritePlacement a, b, c;
        Particles::place(sprites[i], i, 0.0f, 0.0f, glm::vec3(0.0f, 0.0f, -380.0f), a);
        Particles::place(sprites[i], i, 0.0f, 0.0f, glm::vec3(0.0f, 0.0f, 420.0f), b);
        Particles::place(sprites[i], i, 0.0f, 0.0f, noOffset, c);
        ASSERT_GE(a.centre.z, -400.0f);
        ASSERT_LT(a.centre.z, 400.0f);
        ASSERT_GE(a.centre.y, -390.0f);
        ASSERT_LT(a.centre.y, 410.0f);
        // Offsets 800 apart give the same centres, up to rounding.
        ASSERT_NEAR(a.centre.z, b.centre.z, 1e-3f);
        // -380 along z shifts by -380 before wrapping.
        float shifted = c.centre.z - 380.0f;
        if (shifted < -400.0f)
            shifted += 800.0f;
        ASSERT_NEAR(a.centre.z, shifted, 1e-3f);
        float d = glm::length(a.centre) / 400.0f;
        if (d >= 1.0f) {
            ++faded;
            ASSERT_EQ(a.distanceFade, 0.0f);
        } else {
            ASSERT_NEAR(a.distanceFade, 1.0f - d * d, 1e-4f);
        }
    }
    EXPECT_GT(faded, 100) << "the box corners lie beyond 400 units";
}
