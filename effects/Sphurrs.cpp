// The sphere scene: layouts on the CPU, then geometry, occlusion, sky and mix passes.
#include "Sphurrs.h"

#include "Sync.h"
#include "TrackInteger.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const float degreesToRadians = 0.017453292f;

// The rectangles are drawn into the fixed-size targets, so they are bound per axis in view space.
// Angles from the forward axis of the disc that the ball covers in the plane of that axis.
bool axisSlopes(float side, float forward, float radius, float& low, float& high) {
    float distanceSquared = side * side + forward * forward;
    if (distanceSquared <= radius * radius) {
        low = -INFINITY;
        high = INFINITY;
        return true;
    }
    float centre = std::atan2(side, forward);
    float halfAngle = std::asin(radius / std::sqrt(distanceSquared));
    float lowAngle = centre - halfAngle;
    float highAngle = centre + halfAngle;
    const float quarterTurn = 1.5707963f;
    low = lowAngle <= -quarterTurn ? -INFINITY : std::tan(lowAngle);
    high = highAngle >= quarterTurn ? INFINITY : std::tan(highAngle);
    return true;
}

} // namespace

SphurrLayout::SphurrLayout() {
    for (int i = 0; i < sphereCount; ++i) {
        spheres.add(Sphurr());
        layoutRadii.add(0.0f);
    }
}

void SphurrLayout::update(int layoutIndex, float rippleAmount, float ripplePhase, float beat,
                          double time) {
    if (layoutIndex == Cloud) {
        placeCloud(rippleAmount, ripplePhase);
        rememberLayoutRadii();
    } else if (layoutIndex == Tree) {
        placeTree(time);
        rememberLayoutRadii();
    }
    addBeat(beat);
}

void SphurrLayout::scatter(Sphurr& sphere) {
    float distance = random.nextFloat(0.0f, 16.0f);
    float z = 2.0f * random.nextFloat(0.0f, 1.0f) - 1.0f;
    float y = 2.0f * random.nextFloat(0.0f, 1.0f) - 1.0f;
    float x = 2.0f * random.nextFloat(0.0f, 1.0f) - 1.0f;
    float length = float(std::sqrt(double(x * x + y * y + z * z)));
    // A zero direction would put NaNs into every later frame; leave such a sphere at the centre.
    sphere.position =
        length > 0.0f ? glm::vec3(x, y, z) * (1.0f / length) * distance : glm::vec3(0.0f);
}

void SphurrLayout::placeCloud(float rippleAmount, float ripplePhase) {
    random = Random(12345, 12346);
    int count = spheres.getCount();
    for (int i = 0; i < count; ++i) {
        Sphurr& sphere = spheres[i];
        scatter(sphere);
        sphere.baseRadius = random.nextFloat(0.6f, 1.0f);
    }
    for (int i = 0; i < count; ++i) {
        Sphurr& sphere = spheres[i];
        const glm::vec3& p = sphere.position;
        float distance = float(std::sqrt(double(p.x * p.x + p.y * p.y + p.z * p.z)));
        float wave = float(std::sin(double(0.4f * distance + ripplePhase)));
        float peak = float(std::pow(double(0.5f * wave + 0.5f), 6.0));
        sphere.radius = (peak * rippleAmount + (1.0f - rippleAmount)) * sphere.baseRadius;
    }
}

void SphurrLayout::placeTree(double time) {
    int count = spheres.getCount();
    for (int i = 0; i < count; ++i) {
        spheres[i].position = glm::vec3(0.0f);
        spheres[i].radius = 0.0f;
    }
    placedCount = 0;
    placeTreeNode(0, glm::mat4(1.0f), time);
    random = Random(12345, 12346);
    for (int i = placedCount; i < placedCount + 40 && i < count; ++i) {
        Sphurr& satellite = spheres[i];
        scatter(satellite);
        float radius = random.nextFloat(0.03f, 0.2f);
        satellite.radius = radius;
        satellite.baseRadius = radius;
    }
}

void SphurrLayout::placeTreeNode(int depth, glm::mat4 transform, double time) {
    Sphurr& node = spheres[placedCount];
    node.position = glm::vec3(transform[3]);
    node.radius = 3.0f / float(depth + 1);
    node.baseRadius = node.radius;
    ++placedCount;
    if (depth > 2)
        return;

    transform =
        glm::rotate(transform, float(time * 12.0) * degreesToRadians, glm::vec3(0.0f, 0.0f, 1.0f));
    transform =
        glm::rotate(transform, float(time * 9.0) * degreesToRadians, glm::vec3(1.0f, 0.0f, 0.0f));
    transform =
        glm::rotate(transform, float(time * 15.0) * degreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
    float reach = 1.4f * node.radius;
    const glm::vec3 branchAxis = glm::normalize(glm::vec3(0.8f, 1.0f, 0.0f));
    const float branchAngles[3] = {0.0f, 120.0f, 240.0f};
    for (float angle : branchAngles) {
        glm::mat4 child = glm::rotate(transform, angle * degreesToRadians, branchAxis);
        child = glm::translate(child, glm::vec3(0.0f, 0.0f, reach));
        placeTreeNode(depth + 1, child, time);
    }
}

void SphurrLayout::rememberLayoutRadii() {
    for (int i = 0; i < spheres.getCount(); ++i)
        layoutRadii[i] = spheres[i].radius;
}

void SphurrLayout::addBeat(float beat) {
    int half = spheres.getCount() / 2;
    for (int i = 0; i < spheres.getCount(); ++i)
        spheres[i].radius = i < half ? layoutRadii[i] + beat : layoutRadii[i];
}

ScreenBounds sphereScreenBounds(const glm::vec3& viewCentre, float radius,
                                const glm::mat4& projection) {
    ScreenBounds bounds;
    float forward = -viewCentre.z;
    if (radius <= 0.0f || forward + radius <= 0.0f ||
        glm::dot(viewCentre, viewCentre) <= radius * radius)
        return bounds;
    float lowX, highX, lowY, highY;
    axisSlopes(viewCentre.x, forward, radius, lowX, highX);
    axisSlopes(viewCentre.y, forward, radius, lowY, highY);
    // Normalised device x = P00 * (x / -z) - P20, and the same for y.
    glm::vec2 low(projection[0][0] * lowX - projection[2][0],
                  projection[1][1] * lowY - projection[2][1]);
    glm::vec2 high(projection[0][0] * highX - projection[2][0],
                   projection[1][1] * highY - projection[2][1]);
    bounds.min = glm::clamp(low, glm::vec2(-1.0f), glm::vec2(1.0f));
    bounds.max = glm::clamp(high, glm::vec2(-1.0f), glm::vec2(1.0f));
    bounds.empty = !(bounds.min.x < bounds.max.x && bounds.min.y < bounds.max.y);
    return bounds;
}

float occluderCoverage(const Kem::List<Sphurr>& spheres, float occlusionRadius,
                       const glm::mat4& view, const glm::mat4& projection) {
    float screens = 0.0f;
    for (int i = 0; i < spheres.getCount(); ++i) {
        const Sphurr& sphere = spheres[i];
        if (!(sphere.radius > 0.0f))
            continue;
        // Must match the reach in SphurrOcclusion.vert.
        float reach = sphere.radius * 2.5f + occlusionRadius;
        glm::vec3 centre(view * glm::vec4(sphere.position, 1.0f));
        if (glm::dot(centre, centre) <= reach * reach) {
            screens += 1.0f;
            continue;
        }
        ScreenBounds bounds = sphereScreenBounds(centre, reach, projection);
        if (!bounds.empty)
            screens += (bounds.max.x - bounds.min.x) * (bounds.max.y - bounds.min.y) / 4.0f;
    }
    return screens;
}

Sphurrs::Sphurrs()
    : geometryTarget(targetWidth, targetHeight, true, 3, GL_RGB16F),
      occlusionTarget(targetWidth, targetHeight, false, 1, GL_R8),
      coarseGeometryTarget(targetWidth / 2, targetHeight / 2, true, 3, GL_RGB16F),
      coarseOcclusionTarget(targetWidth / coarseOcclusionFactor,
                            targetHeight / coarseOcclusionFactor, false, 1, GL_R8),
      sphurrVertex("Data/Sphurr.vert", GL_VERTEX_SHADER),
      sphurrFragment("Data/Sphurr.frag", GL_FRAGMENT_SHADER),
      sphurrProgram(&sphurrVertex, &sphurrFragment),
      occlusionVertex("Data/SphurrOcclusion.vert", GL_VERTEX_SHADER),
      occlusionFragment("Data/SphurrOcclusion.frag", GL_FRAGMENT_SHADER),
      occlusionProgram(&occlusionVertex, &occlusionFragment),
      mixVertex("Data/Blit.vert", GL_VERTEX_SHADER),
      mixFragment("Data/SphurrMix.frag", GL_FRAGMENT_SHADER), mixProgram(&mixVertex, &mixFragment),
      skyVertex("Data/LolSky.vert", GL_VERTEX_SHADER),
      skyFragment("Data/LolSky.frag", GL_FRAGMENT_SHADER), skyProgram(&skyVertex, &skyFragment),
      environmentCube("Data/blurry.jpg"), skyTexture("Data/blurry.jpg") {
    // The occlusion pass tests against the spheres' depth (and never writes or clears it).
    glBindFramebuffer(GL_FRAMEBUFFER, occlusionTarget.getFramebuffer());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              geometryTarget.getDepth());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

Sphurrs::~Sphurrs() = default;

void Sphurrs::render(GLuint targetFramebuffer, double time, glm::mat4 view, glm::mat4 projection) {
    int layoutIndex = trackInteger(Sync::getValue("Sphurrs Part"), INT_MIN, INT_MAX);
    float rippleAmount = 0.0f;
    float ripplePhase = 0.0f;
    if (layoutIndex == SphurrLayout::Cloud) {
        rippleAmount = Sync::getValue("Sphurrs Rad Shit");
        ripplePhase = Sync::getValue("Sphurrs Rad Shit Time");
    }
    float beat = Sync::getValue("Sphurrs BOOM");
    layout.update(layoutIndex, rippleAmount, ripplePhase, beat, time);

    glm::mat4 viewInverse = glm::inverse(view);
    glm::vec3 eye(viewInverse[3]);

    // The two sphere passes fill fixed-size buffers whatever the output size; the mix reads them
    // back by normalised screen position. With the eye among the spheres (a camera only a
    // maker's scrubbing reaches) the spheres around it cover the screen many times over, and so
    // do their occluders: such a frame is drawn through buffers of half the size and a coarser
    // occlusion, so it costs a few frames' time instead of seconds. The show's frames never
    // come near.
    bool coarse = occluderCoverage(layout.getSpheres(), occlusionRadius, view, projection) >
                  coarseOcclusionCoverage;
    const Buffers buffers = coarse ? Buffers{coarseGeometryTarget, coarseOcclusionTarget, true}
                                   : Buffers{geometryTarget, occlusionTarget, false};
    int viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(0, 0, buffers.geometry.getWidth(), buffers.geometry.getHeight());
    drawGeometry(buffers, view, projection, viewInverse, eye);
    drawOcclusion(buffers, view, projection, eye);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    drawSky(targetFramebuffer, view, projection);
    drawMix(buffers, view, projection, eye, viewport);
}

void Sphurrs::drawGeometry(const Buffers& buffers, const glm::mat4& view,
                           const glm::mat4& projection, const glm::mat4& viewInverse,
                           const glm::vec3& eye) {
    buffers.geometry.bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    sphurrProgram.bind();
    sphurrProgram.setUniformMatrix4("Proj", projection);
    sphurrProgram.setUniformMatrix4("View", view);
    sphurrProgram.setUniformMatrix4("ViewInverse", viewInverse);
    sphurrProgram.setUniform3f("EyePos", eye.x, eye.y, eye.z);
    const Kem::List<Sphurr>& spheres = layout.getSpheres();
    for (int i = 0; i < spheres.getCount(); ++i) {
        const Sphurr& sphere = spheres[i];
        // A sphere without size covers no pixel; skipping it saves a draw per slot.
        if (!(sphere.radius > 0.0f))
            continue;
        sphurrProgram.setUniform3f("Pos", sphere.position.x, sphere.position.y, sphere.position.z);
        sphurrProgram.setUniform1f("Rad", sphere.radius);
        glRecti(-1, -1, 1, 1);
    }
    glFlush();
    sphurrProgram.unbind();
    glDisable(GL_DEPTH_TEST);
}

void Sphurrs::drawOcclusion(const Buffers& buffers, const glm::mat4& view,
                            const glm::mat4& projection, const glm::vec3& eye) {
    const Kem::List<Sphurr>& spheres = layout.getSpheres();
    buffers.occlusion.bind();
    glClear(GL_COLOR_BUFFER_BIT);
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE);
    glEnable(GL_BLEND);
    if (buffers.coarse) {
        // No depth of that size to cull with; the shader's own reach test still applies.
        glViewport(0, 0, buffers.occlusion.getWidth(), buffers.occlusion.getHeight());
    } else {
        // Passes where a sphere's surface lies in front of the occluder's farthest reach.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_GREATER);
    }
    glDepthMask(GL_FALSE);
    occlusionProgram.bind();
    occlusionProgram.setUniform1f("GridStep", float(buffers.geometry.getWidth()) /
                                                  float(buffers.occlusion.getWidth()));
    buffers.geometry.getTexture(1)->bind(1);
    buffers.geometry.getTexture(0)->bind(0);
    occlusionProgram.setUniform1i("PosTex", 0);
    occlusionProgram.setUniform1i("NormalTex", 1);
    occlusionProgram.setUniformMatrix4("Proj", projection);
    occlusionProgram.setUniformMatrix4("View", view);
    occlusionProgram.setUniform3f("EyePos", eye.x, eye.y, eye.z);
    occlusionProgram.setUniform1f("OcclusionRadius", occlusionRadius);
    for (int i = 0; i < spheres.getCount(); ++i) {
        const Sphurr& sphere = spheres[i];
        if (!(sphere.radius > 0.0f))
            continue;
        occlusionProgram.setUniform3f("Pos", sphere.position.x, sphere.position.y,
                                      sphere.position.z);
        occlusionProgram.setUniform1f("Rad", sphere.radius);
        glRecti(-1, -1, 1, 1);
    }
    glFlush();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    occlusionProgram.unbind();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, buffers.geometry.getWidth(), buffers.geometry.getHeight());
}

void Sphurrs::drawSky(GLuint targetFramebuffer, const glm::mat4& view,
                      const glm::mat4& projection) {
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    glClearColor(0.0f, 0.01f, 0.04f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    skyProgram.bind();
    skyTexture.bind(0);
    skyProgram.setUniformMatrix4("Proj", projection);
    skyProgram.setUniformMatrix4("View", view);
    skyProgram.setUniform1i("Tex", 0);

    struct SkyVertex {
        float s, t, x, y, z;
    };
    // A vertical cross: the middle column holds top, -z, bottom and +z from the top down.
    static const SkyVertex box[24] = {
        {0.3334f, 0.5f, -100, -100, -100}, {0.6666f, 0.5f, 100, -100, -100},
        {0.6666f, 0.25f, 100, 100, -100},  {0.3334f, 0.25f, -100, 100, -100},
        {0.3334f, 0.25f, -100, 100, -100}, {0.6666f, 0.25f, 100, 100, -100},
        {0.6666f, 0.0f, 100, 100, 100},    {0.3334f, 0.0f, -100, 100, 100},
        {0.3334f, 1.0f, -100, 100, 100},   {0.6666f, 1.0f, 100, 100, 100},
        {0.6666f, 0.75f, 100, -100, 100},  {0.3334f, 0.75f, -100, -100, 100},
        {0.3334f, 0.75f, -100, -100, 100}, {0.6666f, 0.75f, 100, -100, 100},
        {0.6666f, 0.5f, 100, -100, -100},  {0.3334f, 0.5f, -100, -100, -100},
        {0.6666f, 0.5f, 100, -100, -100},  {0.98f, 0.5f, 100, -100, 100},
        {0.98f, 0.25f, 100, 100, 100},     {0.6666f, 0.25f, 100, 100, -100},
        {0.02f, 0.5f, -100, -100, 100},    {0.3334f, 0.5f, -100, -100, -100},
        {0.3334f, 0.25f, -100, 100, -100}, {0.02f, 0.25f, -100, 100, 100},
    };
    glColor3f(0.1f, 0.1f, 0.1f);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    for (const SkyVertex& v : box) {
        glTexCoord2f(v.s, v.t);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
    glFlush();
    glDepthMask(GL_TRUE);
    skyProgram.unbind();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void Sphurrs::drawMix(const Buffers& buffers, const glm::mat4& view, const glm::mat4& projection,
                      const glm::vec3& eye, const int viewport[4]) {
    // Only pixels inside some sphere's rectangle can change; the rest keep the sky.
    ScreenBounds covered;
    const Kem::List<Sphurr>& spheres = layout.getSpheres();
    for (int i = 0; i < spheres.getCount(); ++i) {
        const Sphurr& sphere = spheres[i];
        glm::vec3 centre(view * glm::vec4(sphere.position, 1.0f));
        ScreenBounds bounds = sphereScreenBounds(centre, sphere.radius, projection);
        if (bounds.empty)
            continue;
        covered.min = covered.empty ? bounds.min : glm::min(covered.min, bounds.min);
        covered.max = covered.empty ? bounds.max : glm::max(covered.max, bounds.max);
        covered.empty = false;
    }
    if (covered.empty)
        return;
    glm::vec2 size{float(viewport[2]), float(viewport[3])};
    glm::ivec2 low(glm::floor((covered.min * 0.5f + 0.5f) * size) - 1.0f);
    glm::ivec2 high(glm::ceil((covered.max * 0.5f + 0.5f) * size) + 1.0f);
    low = glm::max(low, glm::ivec2(0));
    high = glm::min(high, glm::ivec2(viewport[2], viewport[3]));
    glScissor(viewport[0] + low.x, viewport[1] + low.y, high.x - low.x, high.y - low.y);
    glEnable(GL_SCISSOR_TEST);

    mixProgram.bind();
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, buffers.geometry.getTexture(1)->getId());
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_CUBE_MAP, environmentCube.getId());
    buffers.occlusion.getTexture(0)->bind(2);
    buffers.geometry.getTexture(2)->bind(1);
    buffers.geometry.getTexture(0)->bind(0);
    mixProgram.setUniform1i("PosTex", 0);
    mixProgram.setUniform1i("RefEyeTex", 1);
    mixProgram.setUniform1i("OcclusionTex", 2);
    mixProgram.setUniform1i("EnvTex", 3);
    mixProgram.setUniform1i("NormalTex", 4);
    mixProgram.setUniform3f("EyePos", eye.x, eye.y, eye.z);
    glRecti(-1, -1, 1, 1);
    glFlush();

    glDisable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    for (int unit = 2; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    mixProgram.unbind();
}
