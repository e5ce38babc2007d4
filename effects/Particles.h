// The overlay of glowing sprites drawn after every scene, wrapped into an 800-unit box around
// the camera's world; the first 2000 can gather into the floating ball.
#pragma once

#include "Effect.h"
#include "Program.h"
#include "Shader.h"

#include <glm/glm.hpp>

struct ColonParticle {
    float position[3];
    float drift[3];
    float ballPosition[3];
    float phase;
    float ballPhase;
    float speed;
    float ballSpeed;
};

// Where one sprite lands this frame and how bright it is.
struct SpritePlacement {
    glm::vec3 centre;
    float twinkle;      // a: 1, or 0 ... 3 while a ball sprite twinkles
    float distanceFade; // k: 1 at the box centre, 0 at 400 units and beyond
};

class Particles final : public Effect {
public:
    static constexpr int count = 6000;
    static constexpr int ballCount = 2000;

    Particles();
    ~Particles();
    Particles(const Particles&) = delete;
    Particles& operator=(const Particles&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    // Moves the wrapping box with a scrolling scene (DuckNipples writes it every frame).
    void setOffset(const glm::vec3& value) { offset = value; }
    const glm::vec3& getOffset() const { return offset; }

    // The fixed layout: count sprites from a generator seeded (1, 2).
    static void generate(ColonParticle* sprites);
    // Sprite index at doubled time t2 with floater transform m; false when its twinkle hides it.
    static bool place(const ColonParticle& sprite, int index, float t2, float m,
                      const glm::vec3& offset, SpritePlacement& placement);

    const ColonParticle* getSprites() const { return sprites; }

    // Public so the scene that scrolls the ground can move the box.
    glm::vec3 offset{0.0f, 0.0f, 0.0f};

private:
    ColonParticle* sprites = nullptr;
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
};
