// The camera arithmetic, in the precisions the recorded tracks were tuned against.
#include "Camera.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

namespace {

const float degreesToRadians = 0.017453292f;

// cos(a sin a), each trigonometric step in double on the float argument, rounded back.
float octave(float a) {
    float product = a * static_cast<float>(std::sin(static_cast<double>(a)));
    return static_cast<float>(std::cos(static_cast<double>(product)));
}

glm::mat4 translated(const glm::mat4& m, float x, float y, float z) {
    return glm::translate(m, glm::vec3(x, y, z));
}

} // namespace

float cameraShakeNoise(float a) {
    float first = 0.5f * octave(a);
    float second = 0.25f * octave(a * 2.0f);
    float third = 0.125f * octave(a * 4.0f);
    return (second + first) + third;
}

glm::mat4 cameraProjection(float fovDegrees, float aspect) {
    float half = fovDegrees * degreesToRadians * 0.5f;
    float range = static_cast<float>(std::tan(static_cast<double>(half)));
    float left = -range * aspect;
    float right = range * aspect;
    float bottom = -range;
    float top = range;

    glm::mat4 projection(0.0f);
    projection[0][0] = 2.0f / (right - left);
    projection[1][1] = 2.0f / (top - bottom);
    projection[2][2] = -(1000.0f + 1.0f) / (1000.0f - 1.0f);
    projection[2][3] = -1.0f;
    projection[3][2] = -(2.0f * 1000.0f * 1.0f) / (1000.0f - 1.0f);
    return projection;
}

glm::mat4 cameraView(double time, const CameraTracks& tracks) {
    glm::mat4 view(1.0f);
    float t = static_cast<float>(time);

    // The slow shake's z reuses the x argument: x and z always move together.
    float slowX = t * 0.004f + 80.0f;
    float slowY = t * 0.003f + 80.0f;
    view = translated(view, cameraShakeNoise(slowX) * tracks.shake, 0, 0);
    view = translated(view, 0, cameraShakeNoise(slowY) * tracks.shake, 0);
    view = translated(view, 0, 0, cameraShakeNoise(slowX) * tracks.shake);

    view = translated(view, cameraShakeNoise(t * 0.4f + 80.0f) * tracks.shakeFine, 0, 0);
    view = translated(view, 0, cameraShakeNoise(t * 0.35f + 80.0f) * tracks.shakeFine, 0);
    view = translated(view, 0, 0, cameraShakeNoise(t * 0.5f + 80.0f) * tracks.shakeFine);

    view = translated(view, tracks.x, tracks.y, tracks.z);

    view = glm::rotate(view, tracks.pitch * degreesToRadians, glm::vec3(1, 0, 0));
    view = glm::rotate(view, tracks.yaw * degreesToRadians, glm::vec3(0, 1, 0));
    view = glm::rotate(view, tracks.roll * degreesToRadians, glm::vec3(0, 0, 1));

    view = translated(view, tracks.offX, tracks.offY, tracks.offZ);
    return view;
}
