// The scene of spheres: 400 ray-cast spheres in a cloud or a rotating tree, drawn deferred
// (geometry, screen-space occlusion, sky box, lit mix with environment reflections).
#pragma once

#include "CubeTexture.h"
#include "Effect.h"
#include "Program.h"
#include "Random.h"
#include "RenderTarget.h"
#include "Shader.h"
#include "Texture.h"
#include "kem/List.h"

#include <glm/glm.hpp>

struct Sphurr {
    glm::vec3 position = glm::vec3(0.0f);
    float baseRadius = 0.0f;
    float radius = 0.0f;
};

// The sphere layouts, kept apart from GL so they can be checked on their own.
class SphurrLayout {
public:
    static constexpr int sphereCount = 400;
    enum { Cloud = 0, Tree = 1 };

    SphurrLayout();

    // One frame: lays out the spheres for `layout` (any other value keeps the last layout), then
    // adds the beat to the first half of the list.
    void update(int layout, float rippleAmount, float ripplePhase, float beat, double time);

    void placeCloud(float rippleAmount, float ripplePhase);
    void placeTree(double time);

    const Kem::List<Sphurr>& getSpheres() const { return spheres; }
    const Sphurr& getSphere(int index) const { return spheres[index]; }
    int getPlacedCount() const { return placedCount; }

private:
    void scatter(Sphurr& sphere);
    void placeTreeNode(int depth, glm::mat4 transform, double time);
    // Radii as the layout left them, so the beat is added to these once per frame rather than
    // piling up on frames that keep the previous layout.
    void rememberLayoutRadii();
    void addBeat(float beat);

    Kem::List<Sphurr> spheres;
    Kem::List<float> layoutRadii;
    int placedCount = 0;
    Random random;
};

// The rectangle in normalised device coordinates that a ball covers on screen, or empty when the
// eye is inside it or it lies wholly behind the eye. The same bound the sphere vertex shaders use.
struct ScreenBounds {
    bool empty = true;
    glm::vec2 min = glm::vec2(0.0f);
    glm::vec2 max = glm::vec2(0.0f);
};
ScreenBounds sphereScreenBounds(const glm::vec3& viewCentre, float radius,
                                const glm::mat4& projection);

// How many screens the occluders' rectangles cover together: a rectangle is the screen bound of
// the ball a sphere can darken (its reach), the whole screen with the eye inside that ball.
float occluderCoverage(const Kem::List<Sphurr>& spheres, float occlusionRadius,
                       const glm::mat4& view, const glm::mat4& projection);

class Sphurrs : public Effect {
public:
    static constexpr int targetWidth = 1280;
    static constexpr int targetHeight = 720;
    static constexpr float occlusionRadius = 0.4f;
    // Above this many screens of occluders (the show stays below 6; the eye inside the cloud
    // reaches 85 and more), the spheres are drawn into buffers of half the size on each axis and
    // the occlusion is computed on a grid this many times coarser than the full size.
    static constexpr float coarseOcclusionCoverage = 12.0f;
    static constexpr int coarseOcclusionFactor = 8;

    Sphurrs();
    ~Sphurrs();
    Sphurrs(const Sphurrs&) = delete;
    Sphurrs& operator=(const Sphurrs&) = delete;

    void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                glm::mat4 projection) override;

    const SphurrLayout& getLayout() const { return layout; }

private:
    // The buffers a frame is drawn through: the full-size ones, or the coarse ones.
    struct Buffers {
        RenderTarget& geometry;
        RenderTarget& occlusion; // the full-size one culls with the geometry's depth
        bool coarse;
    };

    void drawGeometry(const Buffers& buffers, const glm::mat4& view, const glm::mat4& projection,
                      const glm::mat4& viewInverse, const glm::vec3& eye);
    void drawOcclusion(const Buffers& buffers, const glm::mat4& view, const glm::mat4& projection,
                       const glm::vec3& eye);
    void drawSky(GLuint targetFramebuffer, const glm::mat4& view, const glm::mat4& projection);
    void drawMix(const Buffers& buffers, const glm::mat4& view, const glm::mat4& projection,
                 const glm::vec3& eye, const int viewport[4]);

    SphurrLayout layout;
    RenderTarget geometryTarget;
    RenderTarget occlusionTarget;
    RenderTarget coarseGeometryTarget;
    RenderTarget coarseOcclusionTarget;
    Shader sphurrVertex;
    Shader sphurrFragment;
    Program sphurrProgram;
    Shader occlusionVertex;
    Shader occlusionFragment;
    Program occlusionProgram;
    Shader mixVertex;
    Shader mixFragment;
    Program mixProgram;
    Shader skyVertex;
    Shader skyFragment;
    Program skyProgram;
    CubeTexture environmentCube;
    Texture skyTexture;
};
