// The colon scene: a tinted sky box around a cloud of flickering ring fragments and a tall
// stack of open cylinders that light up one after another.
#pragma once

#include "Effect.h"
#include "Program.h"
#include "Shader.h"
#include "Texture.h"

#include <cstdint>

struct ColonRing {
    std::int32_t level; // -99 ... 99
    float innerRadius;
    float outerRadius;
    float startAngle;
    float endAngle;
    float fadeOffset;
    float color[4];
    std::int32_t style; // 0 sector, 1 outline, 2 strokes, -1 and -2 hidden
};

struct ColonCylinder {
    float baseY;
    float delay;
};

class Colon final : public Effect {
public:
    static constexpr int ringCount = 1500;
    static constexpr int levelCount = 100;
    static constexpr int cylinderCount = 100;

    Colon();
    Colon(const Colon&) = delete;
    Colon& operator=(const Colon&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    // The fixed layout, drawn in this order from one generator seeded (1, 2).
    static void generateLayout(ColonRing* rings, float* ringSpeed, float* ringHeight,
                               ColonCylinder* cylinders);
    // The flicker ramp: 0 up to 0.7, three blinks to 0.8, a ramp to 1 at 1.0, then 1.
    static float flickerRamp(float v);
    // Levels below 0 have no speed or height entry of their own; they borrow the mirrored one.
    static int levelIndex(int level) { return level < 0 ? -level : level; }

    const ColonRing* getRings() const { return rings; }

private:
    void drawSky(const glm::mat4& view, const glm::mat4& projection);
    void drawRings(float t);
    void drawCylinders(float t);

    ColonRing rings[ringCount];
    float ringSpeed[levelCount];
    float ringHeight[levelCount];
    ColonCylinder cylinders[cylinderCount];
    Shader ringVertexShader;
    Shader ringFragmentShader;
    Program ringProgram;
    Shader skyVertexShader;
    Shader skyFragmentShader;
    Program skyProgram;
    Texture skyTexture;
};
