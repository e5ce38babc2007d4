// The sphere layouts and the screen bounds that keep each sphere to its own pixels.
#include "Sphurrs.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace {

float distanceBetween(const Sphurr& a, const Sphurr& b) {
    return glm::length(a.position - b.position);
}

TEST(SphurrLayout, CloudIsTheSameEveryFrameAndRipplesWithDistance) {
    SphurrLayout first, second;
    first.update(SphurrLayout::Cloud, 0.0f, 0.0f, 0.0f, 1.0);
    second.update(SphurrLayout::Cloud, 0.0f, 0.0f, 0.0f, 7.0);
    second.update(SphurrLayout::Cloud, 0.0f, 0.0f, 0.0f, 9.0);
    float farthest = 0.0f;
    for (int i = 0; i < SphurrLayout::sphereCount; ++i) {
        const Sphurr& a = first.getSphere(i);
        const Sphurr& b = second.getSphere(i);
        EXPECT_EQ(a.position, b.position) << i;
        EXPECT_EQ(a.radius, b.radius) << i;
        // Without ripple every sphere keeps its base radius.
        EXPECT_EQ(a.radius, a.baseRadius) << i;
        EXPECT_GE(a.baseRadius, 0.6f);
        EXPECT_LE(a.baseRadius, 1.0f);
        farthest = std::max(farthest, glm::length(a.position));
    }
    EXPECT_LE(farthest, 16.0f + 1e-4f);
    EXPECT_GT(farthest, 12.0f); // spread over the ball, not bunched at the centre

    SphurrLayout rippled;
    rippled.update(SphurrLayout::Cloud, 1.0f, 0.7f, 0.0f, 0.0);
    for (int i = 0; i < SphurrLayout::sphereCount; ++i) {
        const Sphurr& s = rippled.getSphere(i);
        double r = glm::length(s.position);
        double wave = std::pow((std::sin(0.4 * r + 0.7) + 1.0) / 2.0, 6.0);
        EXPECT_NEAR(s.radius, s.baseRadius * wave, 1e-4) << i;
    }
}

TEST(SphurrLayout, TreeAtTimeZeroBranchesFromTheRoot) {
    SphurrLayout layout;
    layout.update(SphurrLayout::Tree, 0.0f, 0.0f, 0.0f, 0.0);
    EXPECT_EQ(layout.getPlacedCount(), 40);
    const Sphurr& root = layout.getSphere(0);
    EXPECT_EQ(root.position, glm::vec3(0.0f));
    EXPECT_EQ(root.radius, 3.0f);
    // Pre-order: children of the root sit at 1, 14 and 27 (each subtree has 13 nodes).
    const int children[3] = {1, 14, 27};
    glm::vec3 axis = glm::normalize(glm::vec3(0.8f, 1.0f, 0.0f));
    for (int c = 0; c < 3; ++c) {
        const Sphurr& child = layout.getSphere(children[c]);
        EXPECT_NEAR(distanceBetween(child, root), 4.2f, 1e-4f);
        EXPECT_FLOAT_EQ(child.radius, 1.5f);
        glm::mat4 turn = glm::rotate(glm::mat4(1.0f), glm::radians(120.0f * float(c)), axis);
        glm::vec3 expected(turn * glm::vec4(0.0f, 0.0f, 4.2f, 1.0f));
        EXPECT_NEAR(glm::length(child.position - expected), 0.0f, 1e-4f) << c;
        // Grandchildren at 1.4 x 1.5 from their parent, great-grandchildren 1.4 x 1.0.
        EXPECT_NEAR(distanceBetween(layout.getSphere(children[c] + 1), child), 2.1f, 1e-4f);
        EXPECT_NEAR(
            distanceBetween(layout.getSphere(children[c] + 2), layout.getSphere(children[c] + 1)),
            1.4f, 1e-4f);
    }
    // Satellites follow the tree; the rest stay empty at the origin.
    for (int i = 40; i < 80; ++i) {
        EXPECT_GE(layout.getSphere(i).radius, 0.03f) << i;
        EXPECT_LE(layout.getSphere(i).radius, 0.2f) << i;
        EXPECT_GT(glm::length(layout.getSphere(i).position), 0.0f) << i;
    }
    for (int i = 80; i < 400; ++i) {
        EXPECT_EQ(layout.getSphere(i).radius, 0.0f) << i;
        EXPECT_EQ(layout.getSphere(i).position, glm::vec3(0.0f)) << i;
    }

    // Later the branches turn, but the lengths of the branches stay.
    layout.update(SphurrLayout::Tree, 0.0f, 0.0f, 0.0f, 3.0);
    EXPECT_EQ(layout.getSphere(0).position, glm::vec3(0.0f));
    EXPECT_GT(glm::length(layout.getSphere(1).position - glm::vec3(0.0f, 0.0f, 4.2f)), 0.1f);
    EXPECT_NEAR(glm::length(layout.getSphere(1).position), 4.2f, 1e-4f);
}

TEST(SphurrLayout, BeatGrowsOnlyTheFirstHalf) {
    SphurrLayout plain, beaten;
    plain.update(SphurrLayout::Cloud, 0.4f, 1.0f, 0.0f, 0.0);
    beaten.update(SphurrLayout::Cloud, 0.4f, 1.0f, 0.5f, 0.0);
    for (int i = 0; i < 400; ++i) {
        float grown = beaten.getSphere(i).radius - plain.getSphere(i).radius;
        EXPECT_FLOAT_EQ(grown, i < 200 ? 0.5f : 0.0f) << i;
    }
    // In the tree the empty slots up to 199 become beat-sized spheres at the origin.
    beaten.update(SphurrLayout::Tree, 0.0f, 0.0f, 0.5f, 0.0);
    EXPECT_FLOAT_EQ(beaten.getSphere(150).radius, 0.5f);
    EXPECT_EQ(beaten.getSphere(250).radius, 0.0f);
}

TEST(SphurrLayout, KeptLayoutTakesTheBeatOnceWhateverTheFrameCount) {
    SphurrLayout layout;
    layout.update(SphurrLayout::Tree, 0.0f, 0.0f, 0.25f, 2.0);
    Sphurr root = layout.getSphere(0);
    Sphurr outer = layout.getSphere(300);
    EXPECT_FLOAT_EQ(root.radius, 3.25f);
    for (int frame = 0; frame < 50; ++frame)
        layout.update(2, 0.0f, 0.0f, 0.25f, 2.0 + frame);
    EXPECT_EQ(layout.getSphere(0).radius, root.radius);
    EXPECT_EQ(layout.getSphere(0).position, root.position);
    EXPECT_EQ(layout.getSphere(300).radius, outer.radius);
    // A different beat on a kept frame replaces the old one instead of adding to it.
    layout.update(-3, 0.0f, 0.0f, 0.75f, 60.0);
    EXPECT_FLOAT_EQ(layout.getSphere(0).radius, 3.75f);
    layout.update(2, 0.0f, 0.0f, 0.0f, 60.0);
    EXPECT_FLOAT_EQ(layout.getSphere(0).radius, 3.0f);
}

TEST(SphereScreenBounds, HugTheSilhouetteAndVanishWhenEmpty) {
    glm::mat4 projection = glm::perspective(glm::radians(60.0f), 16.0f / 9.0f, 1.0f, 1000.0f);
    // Centred ahead: symmetric, and exactly the tangent cone's width.
    ScreenBounds ahead = sphereScreenBounds(glm::vec3(0, 0, -10), 2.0f, projection);
    ASSERT_FALSE(ahead.empty);
    float slope = 2.0f / std::sqrt(96.0f);
    EXPECT_NEAR(ahead.max.y, projection[1][1] * slope, 1e-5f);
    EXPECT_NEAR(ahead.min.y, -ahead.max.y, 1e-5f);
    EXPECT_NEAR(ahead.max.x, projection[0][0] * slope, 1e-5f);

    // Every point of an off-centre sphere's surface lands inside its rectangle.
    glm::vec3 centre(3.0f, -1.5f, -8.0f);
    ScreenBounds side = sphereScreenBounds(centre, 1.3f, projection);
    ASSERT_FALSE(side.empty);
    for (int i = 0; i < 2000; ++i) {
        float u = float(i) * 0.61803f, v = float(i % 97) / 96.0f * 2.0f - 1.0f;
        glm::vec3 dir(std::sqrt(1 - v * v) * std::cos(u * 6.2831f),
                      std::sqrt(1 - v * v) * std::sin(u * 6.2831f), v);
        glm::vec4 clip = projection * glm::vec4(centre + dir * 1.3f, 1.0f);
        glm::vec2 ndc = glm::vec2(clip) / clip.w;
        EXPECT_GE(ndc.x, side.min.x - 1e-4f);
        EXPECT_LE(ndc.x, side.max.x + 1e-4f);
        EXPECT_GE(ndc.y, side.min.y - 1e-4f);
        EXPECT_LE(ndc.y, side.max.y + 1e-4f);
    }
    EXPECT_LT(side.max.x - side.min.x, 0.6f);

    EXPECT_TRUE(sphereScreenBounds(glm::vec3(0, 0, -10), 0.0f, projection).empty);
    EXPECT_TRUE(sphereScreenBounds(glm::vec3(0, 0, 10), 2.0f, projection).empty);
    EXPECT_TRUE(sphereScreenBounds(glm::vec3(0, 0, -1), 2.0f, projection).empty);
    EXPECT_TRUE(sphereScreenBounds(glm::vec3(40, 0, -10), 2.0f, projection).empty);
    // Reaching past the eye's side: open to the screen edge on that side.
    ScreenBounds wide = sphereScreenBounds(glm::vec3(2.5f, 0, -0.5f), 2.0f, projection);
    ASSERT_FALSE(wide.empty);
    EXPECT_EQ(wide.max.x, 1.0f);
}

} // namespace
