// The opening scene: rock slabs drifting through a tunnel around the view axis and a cloud of
// glowing points pushed into shape by six moving centres.
#pragma once

#include "Effect.h"
#include "Program.h"
#include "Shader.h"
#include "Texture.h"

struct ArchSlab {
    float x;
    float y;
    float z;
    float tiltX;
    float yaw;
    float tiltZ;
    float roll;
    float spin;
};

class ArchSlabs {
public:
    static constexpr int count = 4000;

    ArchSlabs();
    ~ArchSlabs();
    ArchSlabs(const ArchSlabs&) = delete;
    ArchSlabs& operator=(const ArchSlabs&) = delete;

    // Draws every slab inside the depth window at slab time t, lit by the rock program.
    void render(float t);

    // The fixed layout: count slabs from a generator seeded (1, 2).
    static void generate(ArchSlab* slabs);
    // Slabs travel one unit a second towards +z and are drawn within -100 ... 100 (ends included).
    static bool isInDepthWindow(const ArchSlab& slab, float t);
    // One GL_QUADS batch of six faces; the two faces across z face inwards.
    static void drawBox(float sx, float sy, float sz);

    const ArchSlab* getSlabs() const { return slabs; }

private:
    Texture rockTexture;
    Texture rockNormalTexture;
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
    ArchSlab* slabs = nullptr;
};

class ArchBalls {
public:
    static constexpr int size = 40;

    ArchBalls();
    ~ArchBalls();
    ArchBalls(const ArchBalls&) = delete;
    ArchBalls& operator=(const ArchBalls&) = delete;

    // The 64,000 additive points at time t.
    void render(float t);

    // flicker[(i * size + j) * size + k] from a generator seeded (1, 2).
    static void generate(float* flicker);
    const float* getFlicker() const { return flicker; }

private:
    float* flicker = nullptr;
    float lattice[size];
};

class Architecture final : public Effect {
public:
    Architecture();
    Architecture(const Architecture&) = delete;
    Architecture& operator=(const Architecture&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

private:
    ArchSlabs slabs;
    ArchBalls balls;
};
