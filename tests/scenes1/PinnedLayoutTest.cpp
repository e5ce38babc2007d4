// The scenes' random layouts pinned record by record: the first records and one deep in each
// array, from a reference stream worked out from the generator's definition, so that a draw
// taken in another order, or one dropped, moves every value after it.
#include "Architecture.h"
#include "Colon.h"
#include "Garbitch.h"
#include "Particles.h"
#include "Sphurrs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Marsaglia's multiply-with-carry pair in 64-bit arithmetic reduced modulo 2^32 by hand:
//   z <- 36969 (z mod 2^16) + z div 2^16,  w <- 18000 (w mod 2^16) + w div 2^16
//   word = 2^16 z + w (mod 2^32); a float in [lo, hi] is lo + (hi - lo) * (bits 16..30) / 32767.
class Stream {
public:
    Stream(std::uint64_t z, std::uint64_t w, size_t count) {
        const std::uint64_t wrap = std::uint64_t(1) << 32;
        for (size_t i = 0; i < count; ++i) {
            z = (36969 * (z % 65536) + z / 65536) % wrap;
            w = (18000 * (w % 65536) + w / 65536) % wrap;
            words.push_back((z * 65536 + w) % wrap);
        }
    }
    double in(size_t k, double lo, double hi) const {
        return lo + (hi - lo) * double((words.at(k) >> 16) % 32768) / 32767.0;
    }
    // The word read as a signed 32-bit number, and its remainder truncated toward zero.
    long long remainder(size_t k, long long divisor) const {
        long long word = words.at(k) >= (std::uint64_t(1) << 31)
                             ? (long long)words.at(k) - (1LL << 32)
                             : (long long)words.at(k);
        return word % divisor;
    }

private:
    std::vector<std::uint64_t> words;
};

// One checked value: what the layout holds and what the stream says it must be.
struct Pin {
    std::string what;
    double actual;
    double expected;
};

void expectPins(const std::vector<Pin>& pins) {
    for (const Pin& pin : pins)
        EXPECT_NEAR(pin.actual, pin.expected, 1e-5 * (1.0 + std::fabs(pin.expected))) << pin.what;
}

std::string at(const char* name, int record) {
    return std::string(name) + "[" + std::to_string(record) + "]";
}

TEST(PinnedLayout, ArchitectureSlabsEightDrawsEachAndTheBallFlicker) {
    auto slabs = std::make_unique<ArchSlab[]>(ArchSlabs::count);
    ArchSlabs::generate(slabs.get());
    const int balls = ArchBalls::size * ArchBalls::size * ArchBalls::size;
    auto flicker = std::make_unique<float[]>(balls);
    ArchBalls::generate(flicker.get());
    Stream s(1, 2, 8 * ArchSlabs::count);

    std::vector<Pin> pins;
    for (int n : {0, 1, 2871}) {
        const ArchSlab& slab = slabs[n];
        size_t k = 8 * size_t(n);
        pins.push_back({at("x", n), slab.x, s.in(k, -4, 4)});
        pins.push_back({at("y", n), slab.y, s.in(k + 1, -400, 4)});
        pins.push_back({at("z", n), slab.z, s.in(k + 2, -4000, 10)});
        pins.push_back({at("tiltX", n), slab.tiltX, s.in(k + 3, -8, 8)});
        pins.push_back({at("yaw", n), slab.yaw, s.in(k + 4, -8, 8)});
        pins.push_back({at("tiltZ", n), slab.tiltZ, s.in(k + 5, -8, 8)});
        pins.push_back({at("roll", n), slab.roll, s.in(k + 6, 0, 360)});
        pins.push_back({at("spin", n), slab.spin, s.in(k + 7, -2, 2)});
    }
    // A generator of its own: flicker n is draw n.
    for (int n : {0, 1, 2, 40 * 40 * 17 + 40 * 3 + 29})
        pins.push_back({at("flicker", n), flicker[n], s.in(size_t(n), 0, 1)});
    expectPins(pins);
}

TEST(PinnedLayout, ColonRingsSevenDrawsEachThenSpeedsThenHeights) {
    auto rings = std::make_unique<ColonRing[]>(Colon::ringCount);
    float speed[Colon::levelCount], height[Colon::levelCount];
    ColonCylinder cylinders[Colon::cylinderCount];
    Colon::generateLayout(rings.get(), speed, height, cylinders);
    const size_t ringDraws = 7 * size_t(Colon::ringCount);
    Stream s(1, 2, ringDraws + 2 * Colon::levelCount);

    std::vector<Pin> pins;
    for (int n : {0, 1, 1234}) {
        const ColonRing& ring = rings[n];
        size_t k = 7 * size_t(n);
        long long level = s.remainder(k, 100);
        pins.push_back({at("level", n), double(ring.level), double(level)});
        pins.push_back({at("innerRadius", n), ring.innerRadius, level + 4.0});
        pins.push_back({at("outerRadius", n), ring.outerRadius,
                        double(s.remainder(k + 1, 8)) + level + 4.0 + 0.8});
        double start = s.in(k + 2, 0, 6.283184);
        double spread = s.in(k + 3, 0, 1);
        pins.push_back({at("startAngle", n), ring.startAngle, start});
        pins.push_back({at("endAngle", n), ring.endAngle, start + 0.1 + 0.3 * spread * spread});
        pins.push_back({at("fadeOffset", n), ring.fadeOffset,
                        s.in(k + 4, 0, 0.7) * double(100 - level) / 100.0});
        // Dark rings lean blue-green: red 0.4 v, green 0.4 (0.35 + 0.65 v), blue 0.4 (0.4 + 0.6 v).
        double v = s.in(k + 5, 0, 1);
        pins.push_back({at("red", n), ring.color[0], 0.4 * v});
        pins.push_back({at("green", n), ring.color[1], 0.4 * (0.35 + 0.65 * v)});
        pins.push_back({at("blue", n), ring.color[2], 0.4 * (0.4 + 0.6 * v)});
        pins.push_back({at("style", n), double(ring.style), double(s.remainder(k + 6, 3))});
    }
    for (int n : {0, 1, 77}) {
        pins.push_back({at("speed", n), speed[n], s.in(ringDraws + n, -1, 1)});
        pins.push_back(
            {at("height", n), height[n], s.in(ringDraws + Colon::levelCount + n, -1, 1)});
    }
    expectPins(pins);
}

TEST(PinnedLayout, GarbitchRingsOffsetsThenFadesThenScrollsAndArcs) {
    Kem::List<GarbitchRing> rings;
    Garbitch::fillRings(rings);
    ASSERT_EQ(rings.getCount(), Garbitch::slotCount);
    const size_t n0 = Garbitch::slotCount;
    Stream s(1, 2, 8 * n0);

    std::vector<Pin> pins;
    for (int n : {0, 1, 333}) {
        const GarbitchRing& ring = rings[n];
        pins.push_back({at("depth", n), ring.depth, 4.0 * n});
        pins.push_back({at("offset.y", n), ring.offset.y, 0.9 * s.in(2 * n, -1, 1)});
        pins.push_back({at("offset.x", n), ring.offset.x, 0.8 * s.in(2 * n + 1, -1, 1)});
        pins.push_back({at("fadeBias", n), ring.fadeBias, s.in(2 * n0 + 2 * n, 0, 1)});
        pins.push_back({at("angle", n), ring.angle, s.in(2 * n0 + 2 * n + 1, -180, 180)});
        size_t k = 4 * n0 + 4 * n;
        pins.push_back({at("scroll.y", n), ring.scroll.y, s.in(k, -1, 1)});
        pins.push_back({at("scroll.x", n), ring.scroll.x, s.in(k + 1, -1, 1)});
        pins.push_back({at("arcStart", n), ring.arcStart, s.in(k + 2, 0, 6.283184)});
        pins.push_back({at("arcSpeed", n), ring.arcSpeed, s.in(k + 3, -1, 1)});
    }
    expectPins(pins);
}

// Sprites below ballCount take 15 draws (position z y x, drift z y x, phase, ball phase, speed,
// ball speed, ball direction z y x, two unused); the rest take the first 10.
TEST(PinnedLayout, OverlaySpritesWithAndWithoutBallPlaces) {
    auto sprites = std::make_unique<ColonParticle[]>(Particles::count);
    Particles::generate(sprites.get());
    const size_t ballDraws = 15 * size_t(Particles::ballCount);
    Stream s(1, 2, ballDraws + 10 * size_t(Particles::count - Particles::ballCount));

    auto unit = [&](size_t k, int axis) {
        double z = s.in(k, -1, 1), y = s.in(k + 1, -1, 1), x = s.in(k + 2, -1, 1);
        double length = std::sqrt(x * x + y * y + z * z);
        return (axis == 0 ? x : axis == 1 ? y : z) / length;
    };
    std::vector<Pin> pins;
    for (int n : {0, 1, 1500, Particles::ballCount, 4321}) {
        const ColonParticle& p = sprites[n];
        bool ball = n < Particles::ballCount;
        size_t k = ball ? 15 * size_t(n) : ballDraws + 10 * size_t(n - Particles::ballCount);
        pins.push_back({at("position.z", n), p.position[2], s.in(k, -400, 400)});
        pins.push_back({at("position.y", n), p.position[1], s.in(k + 1, 0, 400)});
        pins.push_back({at("position.x", n), p.position[0], s.in(k + 2, -400, 400)});
        for (int axis = 0; axis < 3; ++axis)
            pins.push_back({at("drift", n) + "." + "xyz"[axis], p.drift[axis], unit(k + 3, axis)});
        pins.push_back({at("phase", n), p.phase, s.in(k + 6, 0, 6.283184)});
        pins.push_back({at("ballPhase", n), p.ballPhase, s.in(k + 7, 0, 6.283184)});
        pins.push_back({at("speed", n), p.speed, s.in(k + 8, 0.1, 1)});
        pins.push_back({at("ballSpeed", n), p.ballSpeed, s.in(k + 9, 0.1, 1)});
        // A ball of radius 10 around (0, 40, 0); the other sprites have no ball place.
        for (int axis = 0; axis < 3; ++axis)
            pins.push_back({at("ball", n) + "." + "xyz"[axis], p.ballPosition[axis],
                            ball ? 10.0 * unit(k + 10, axis) + (axis == 1 ? 40.0 : 0.0) : 0.0});
    }
    expectPins(pins);
}

// The cloud: per sphere a distance, a direction drawn z y x, then a base radius.
TEST(PinnedLayout, SphurrCloudFiveDrawsEachFromItsOwnSeed) {
    SphurrLayout layout;
    layout.placeCloud(0.0f, 0.0f);
    Stream s(12345, 12346, 5 * SphurrLayout::sphereCount);

    std::vector<Pin> pins;
    for (int n : {0, 1, 299}) {
        const Sphurr& sphere = layout.getSphere(n);
        size_t k = 5 * size_t(n);
        double distance = s.in(k, 0, 16);
        double z = s.in(k + 1, -1, 1), y = s.in(k + 2, -1, 1), x = s.in(k + 3, -1, 1);
        double length = std::sqrt(x * x + y * y + z * z);
        pins.push_back({at("x", n), sphere.position.x, x / length * distance});
        pins.push_back({at("y", n), sphere.position.y, y / length * distance});
        pins.push_back({at("z", n), sphere.position.z, z / length * distance});
        pins.push_back({at("baseRadius", n), sphere.baseRadius, s.in(k + 4, 0.6, 1)});
    }
    expectPins(pins);
}

} // namespace
