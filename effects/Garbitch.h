// The tunnel: 400 noise-textured rectangles and arcs flying at the camera, added up off screen
// and turned into glowing outlines by two edge-detection passes.
#pragma once

#include "Effect.h"
#include "Program.h"
#include "RenderTarget.h"
#include "Shader.h"
#include "kem/List.h"

#include <glm/glm.hpp>

#include <memory>
#include <vector>

struct GarbitchRing {
    float depth = 0.0f;
    glm::vec2 offset = glm::vec2(0.0f);
    float fadeBias = 0.0f;
    float angle = 0.0f;
    glm::vec2 scroll = glm::vec2(0.0f);
    float arcStart = 0.0f;
    float arcSpeed = 0.0f;
};

// The per-frame shape tracks, read before any slot is drawn.
struct GarbitchShapeTracks {
    float fadeout = 0.0f;
    float rotation = 0.0f;
    float sinMix = 0.0f;
    float scroll = 0.0f;
    float rings = 0.0f;
    float squares = 0.0f;
    float scale = 0.0f;
    float scale2 = 0.0f;

    static GarbitchShapeTracks read();
};

// One slot inside the depth window this frame.
struct GarbitchSlot {
    int index = 0;
    float distance = 0.0f; // world z of the slot: negative, above -200
    float brightness = 0.0f;
    bool arc = false;
};

struct GarbitchEdgePass {
    float spread = 0.0f;
    float strength = 0.0f;
    glm::vec3 colour = glm::vec3(0.0f);
    float backgroundMix = 0.0f;

    // The tracks of edge pass 1 or 2; the first pass never mixes in its background.
    static GarbitchEdgePass read(int pass);
};

class Garbitch : public Effect {
public:
    static constexpr int slotCount = 400;

    Garbitch();
    ~Garbitch();
    Garbitch(const Garbitch&) = delete;
    Garbitch& operator=(const Garbitch&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    // The three seeded sweeps over the slots.
    static void fillRings(Kem::List<GarbitchRing>& rings);
    // The slots drawn at `time`, far ones first.
    static std::vector<GarbitchSlot> visibleSlots(const Kem::List<GarbitchRing>& rings, double time,
                                                  const GarbitchShapeTracks& tracks);
    const Kem::List<GarbitchRing>& getRings() const { return rings; }

private:
    void drawShapes(double time, const glm::mat4& view, const glm::mat4& projection);
    void drawArc(const GarbitchRing& ring, const GarbitchSlot& slot,
                 const GarbitchShapeTracks& tracks, double time);
    void drawEdges(int pass, GLuint source);

    Kem::List<GarbitchRing> rings;
    std::unique_ptr<RenderTarget> targets[2];
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
    Shader edgeVertexShader;
    Shader edgeFragmentShader;
    Program edgeProgram;
    // For spreads of whole texels, where it draws the same edges for less.
    Shader edgeWholeFragmentShader;
    Program edgeWholeProgram;
    int width = 0;
    int height = 0;
};
