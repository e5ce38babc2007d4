// The director's camera: the show's perspective, its shake noise and the view built from the
// twelve "Camera" track values, kept apart from the tracks so the arithmetic can be checked alone.
#pragma once

#include <glm/glm.hpp>

// Sum of three octaves of cos(a sin a): a smooth wobble in [-0.875, 0.875].
float cameraShakeNoise(float a);

// Right-handed GL perspective, vertical fov in degrees, near plane 1, far plane 1000.
glm::mat4 cameraProjection(float fovDegrees, float aspect);

struct CameraTracks {
    float fov = 0;
    float shake = 0;
    float shakeFine = 0;
    float z = 0, y = 0, x = 0;
    float pitch = 0, yaw = 0, roll = 0;
    float offZ = 0, offY = 0, offX = 0;
};

// Shake, position, pitch/yaw/roll and offset, each post-multiplied onto the identity.
glm::mat4 cameraView(double time, const CameraTracks& tracks);
