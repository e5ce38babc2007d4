// The yardstick of every benchmark: a fixed full-screen ray march through a field of spheres,
// 64 steps for every pixel with no early exit, so its cost depends on the pixel count alone.
// Scenes are judged by their time as a ratio of its time in the same run. Never tune it: the
// ratios of every earlier run would lose their meaning.
#pragma once

#include "Extensions.h"

class ReferencePass {
public:
    ReferencePass();
    ~ReferencePass();
    ReferencePass(const ReferencePass&) = delete;
    ReferencePass& operator=(const ReferencePass&) = delete;

    // Draws over the bound framebuffer's whole width x height; the step moves the camera, so
    // successive draws are not one picture. Returns the GPU milliseconds (waiting for them), or
    // a negative value without timer queries, after waiting for the draw to finish.
    double draw(int width, int height, int step);

private:
    GLuint shader = 0;
    GLuint program = 0;
    GLuint query = 0;
};
