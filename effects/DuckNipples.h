// The bar landscape: a flat grid drawn fresh each frame at a track-chosen resolution, shaped,
// lit and scrolled by its shaders; the sprite overlay's box scrolls along with the ground.
#pragma once

#include "Effect.h"
#include "Particles.h"
#include "Program.h"
#include "Shader.h"
#include "Texture.h"

#include <glm/glm.hpp>

#include <vector>

// The scroll of one frame for a "Duck Move" distance over an n x n grid.
struct DuckScroll {
    float move = 0.0f;      // scroll within one cell, 0 ... cell
    float texOffset = 0.0f; // whole cells scrolled, in texture units
    glm::vec3 particleOffset = glm::vec3(0.0f);

    static DuckScroll compute(float distance, int n);
};

struct DuckGridVertex {
    glm::vec2 texCoord;
    glm::vec3 position;
};

class DuckNipples final : public Effect {
public:
    static constexpr float size = 900.0f; // world units across the grid

    explicit DuckNipples(Particles* particles);
    ~DuckNipples();
    DuckNipples(const DuckNipples&) = delete;
    DuckNipples& operator=(const DuckNipples&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    // The most cells a side the grid ever has, whatever the track says.
    static constexpr int maxGridResolution = 1024;
    // "Duck Res" truncated towards zero, at most maxGridResolution; not a number gives 0.
    static int gridResolution(float res);
    // The quads of an n x n grid over x -0.5 ... 0.5, z 0 ... -1, four vertices each, rows
    // outermost; nothing for n <= 0.
    static void buildGrid(int n, std::vector<DuckGridVertex>& vertices);

private:
    Particles* particles = nullptr;
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
    Texture barTexture;
    std::vector<DuckGridVertex> grid; // kept until the resolution changes
    int gridSize = -1;
};
