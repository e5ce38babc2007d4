// The ray-marched piece: one rectangle over the viewport, everything else in its fragment
// shader, fed the camera, a cube-map sky and eight tracks.
#pragma once

#include "CubeTexture.h"
#include "Effect.h"
#include "Program.h"
#include "Shader.h"

#include <glm/glm.hpp>

class DruSucks final : public Effect {
public:
    DruSucks();
    ~DruSucks();
    DruSucks(const DruSucks&) = delete;
    DruSucks& operator=(const DruSucks&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    // The rotation elements of view; every other element 0, the last diagonal one included.
    static glm::mat4 viewRotation(const glm::mat4& view);

private:
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
    // Kept with the scene although it never draws with it.
    Shader blitVertexShader;
    Shader blitFragmentShader;
    Program blitProgram;
    CubeTexture skyTexture;
};
