// The camera arithmetic: projection constants, shake noise, and the view built from track values.
#include "Camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>

namespace {

std::uint32_t bits(float value) {
    std::uint32_t result;
    std::memcpy(&result, &value, 4);
    return result;
}

void expectMatrixNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "[" << c << "][" << r << "]";
}

} // namespace

TEST(CameraProjection, HasTheExactDepthConstantsAndTheFieldOfView) {
    glm::mat4 p = cameraProjection(60.0f, 16.0f / 9.0f);
    EXPECT_EQ(bits(p[2][2]), 0xBF80419Au);
    EXPECT_EQ(bits(p[3][2]), 0xC00020CDu);
    EXPECT_EQ(p[2][3], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);
    EXPECT_EQ(p[0][1], 0.0f);
    EXPECT_EQ(p[2][0], 0.0f);
    // 2 / (top - bottom) = 1 / tan(30 degrees); x is narrowed by the aspect.
    EXPECT_NEAR(p[1][1], 1.0f / std::tan(0.5235988f), 1e-5f);
    EXPECT_NEAR(p[0][0], p[1][1] * 9.0f / 16.0f, 1e-5f);
    expectMatrixNear(p, glm::perspective(glm::radians(60.0f), 16.0f / 9.0f, 1.0f, 1000.0f),
                     1e-5f);
}

TEST(CameraProjection, ZeroFieldOfViewIsDegenerate) {
    glm::mat4 p = cameraProjection(0.0f, 4.0f / 3.0f);
    EXPECT_TRUE(std::isinf(p[0][0]));
    EXPECT_TRUE(std::isinf(p[1][1]));
}

TEST(CameraShakeNoise, MatchesTheThreeOctavesInTheirPrecision) {
    for (float a : {0.0f, 80.0f, 80.4f, 81.234f, 123.5f, -7.25f}) {
        auto octave = [](float x) {
            float product = x * static_cast<float>(std::sin(static_cast<double>(x)));
            return static_cast<float>(std::cos(static_cast<double>(product)));
        };
        float expected = (0.25f * octave(2.0f * a) + 0.5f * octave(a)) + 0.125f * octave(4.0f * a);
        EXPECT_EQ(bits(cameraShakeNoise(a)), bits(expected)) << a;
    }
    EXPECT_EQ(cameraShakeNoise(0.0f), 0.875f);
}

TEST(CameraShakeNoise, StaysWithinItsRangeAndMoves) {
    float lowest = 1, highest = -1;
    for (int i = 0; i < 20000; ++i) {
        float n = cameraShakeNoise(80.0f + i * 0.01f);
        lowest = std::min(lowest, n);
        highest = std::max(highest, n);
    }
    EXPECT_GE(lowest, -0.875f);
    EXPECT_LE(highest, 0.875f);
    EXPECT_LT(lowest, -0.3f);
    EXPECT_GT(highest, 0.3f);
}

TEST(CameraView, IsTheIdentityWithoutTracks) {
    EXPECT_EQ(cameraView(0.0, CameraTracks()), glm::mat4(1.0f));
    EXPECT_EQ(cameraView(37.5, CameraTracks()), glm::mat4(1.0f));
}

TEST(CameraView, SlowShakeAtTimeZeroMovesEveryAxisByTheSameNoise) {
    CameraTracks tracks;
    tracks.shake = 1;
    glm::mat4 view = cameraView(0.0, tracks);
    float n = cameraShakeNoise(80.0f);
    ASSERT_NE(n, 0.0f);
    glm::mat4 expected(1.0f);
    expected[3] = glm::vec4(n, n, n, 1);
    EXPECT_EQ(view, expected);
}

TEST(CameraView, SlowShakeMovesXAndZTogetherAndYAtItsOwnRate) {
    CameraTracks tracks;
    tracks.shake = 2;
    double time = 700.0;
    glm::mat4 view = cameraView(time, tracks);
    float t = static_cast<float>(time);
    EXPECT_EQ(view[3].x, view[3].z);
    EXPECT_FLOAT_EQ(view[3].x, cameraShakeNoise(t * 0.004f + 80.0f) * 2);
    EXPECT_FLOAT_EQ(view[3].y, cameraShakeNoise(t * 0.003f + 80.0f) * 2);
}

TEST(CameraView, FineShakeUsesThreeRates) {
    CameraTracks tracks;
    tracks.shakeFine = 0.5f;
    float t = 3.25f;
    glm::mat4 view = cameraView(t, tracks);
    EXPECT_FLOAT_EQ(view[3].x, cameraShakeNoise(t * 0.4f + 80.0f) * 0.5f);
    EXPECT_FLOAT_EQ(view[3].y, cameraShakeNoise(t * 0.35f + 80.0f) * 0.5f);
    EXPECT_FLOAT_EQ(view[3].z, cameraShakeNoise(t * 0.5f + 80.0f) * 0.5f);
}

TEST(CameraView, TranslatesThenRotatesPitchYawRollThenOffsets) {
    CameraTracks tracks;
    tracks.x = 1, tracks.y = 2, tracks.z = 3;
    tracks.pitch = 10, tracks.yaw = 20, tracks.roll = 30;
    tracks.offX = -4, tracks.offY = 5, tracks.offZ = 6;
    const float toRadians = 0.017453292f;
    glm::mat4 expected = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
    expected = glm::rotate(expected, 10 * toRadians, glm::vec3(1, 0, 0));
    expected = glm::rotate(expected, 20 * toRadians, glm::vec3(0, 1, 0));
    expected = glm::rotate(expected, 30 * toRadians, glm::vec3(0, 0, 1));
    expected = glm::translate(expected, glm::vec3(-4, 5, 6));
    expectMatrixNear(cameraView(0.0, tracks), expected, 1e-6f);

    // A 90 degree yaw turns the offset's x into -z of the world.
    CameraTracks yawOnly;
    yawOnly.yaw = 90;
    yawOnly.offX = 1;
    glm::vec4 moved = cameraView(0.0, yawOnly) * glm::vec4(0, 0, 0, 1);
    EXPECT_NEAR(moved.x, 0, 1e-6f);
    EXPECT_NEAR(moved.z, -1, 1e-6f);
}
