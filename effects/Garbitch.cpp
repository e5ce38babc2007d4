// The tunnel scene: slots laid out once, drawn additively each frame, then two edge passes.
#include "Garbitch.h"

#include "LaunchOptions.h"
#include "NoiseVolume.h"
#include "Random.h"
#include "Sync.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

std::unique_ptr<RenderTarget> makeTarget() {
    const Resolution& size = getRenderResolution();
    return std::make_unique<RenderTarget>(size.width, size.height, false, 1, GL_RGBA16F);
}

} // namespace

GarbitchShapeTracks GarbitchShapeTracks::read() {
    GarbitchShapeTracks tracks;
    tracks.fadeout = Sync::getValue("Garbitch Fadeout");
    tracks.rotation = Sync::getValue("Garbitch Rot");
    tracks.sinMix = Sync::getValue("Garbitch Sin Mix");
    tracks.scroll = Sync::getValue("Garbitch Scroll");
    tracks.rings = Sync::getValue("Garbitch Rings");
    tracks.squares = Sync::getValue("Garbitch Squares");
    tracks.scale = Sync::getValue("Garbitch Scale");
    tracks.scale2 = Sync::getValue("Garbitch Scale 2");
    return tracks;
}

GarbitchEdgePass GarbitchEdgePass::read(int pass) {
    GarbitchEdgePass edge;
    bool first = pass == 1;
    edge.spread = Sync::getValue(first ? "Garbitch Spread 1" : "Garbitch Spread 2");
    edge.strength = Sync::getValue(first ? "Garbitch Strength 1" : "Garbitch Strength 2");
    edge.colour.b = Sync::getValue(first ? "Garbitch Blue 1" : "Garbitch Blue 2");
    edge.colour.g = Sync::getValue(first ? "Garbitch Green 1" : "Garbitch Green 2");
    edge.colour.r = Sync::getValue(first ? "Garbitch Red 1" : "Garbitch Red 2");
    edge.backgroundMix = first ? 0.0f : Sync::getValue("Garbitch Blend");
    return edge;
}

Garbitch::Garbitch()
    : targets{makeTarget(), makeTarget()}, vertexShader("Data/Garbitch.vert", GL_VERTEX_SHADER),
      fragmentShader("Data/Garbitch.frag", GL_FRAGMENT_SHADER),
      program(&vertexShader, &fragmentShader),
      edgeVertexShader("Data/GarbitchEdgeDetect.vert", GL_VERTEX_SHADER),
      edgeFragmentShader("Data/GarbitchEdgeDetect.frag", GL_FRAGMENT_SHADER),
      edgeProgram(&edgeVertexShader, &edgeFragmentShader),
      edgeWholeFragmentShader("Data/GarbitchEdgeDetect.frag", GL_FRAGMENT_SHADER,
                              "#define WHOLE_TEXELS\n"),
      edgeWholeProgram(&edgeVertexShader, &edgeWholeFragmentShader), width(targets[0]->getWidth()),
      height(targets[0]->getHeight()) {
    fillRings(rings);
}

Garbitch::~Garbitch() = default;

void Garbitch::fillRings(Kem::List<GarbitchRing>& rings) {
    Random random(1, 2);
    for (int i = 0; i < slotCount; ++i) {
        GarbitchRing ring;
        ring.depth = 4.0f * float(i);
        ring.offset.y = random.nextFloat(-1.0f, 1.0f) * 0.9f;
        ring.offset.x = random.nextFloat(-1.0f, 1.0f) * 0.8f;
        rings.add(ring);
    }
    for (int i = 0; i < rings.getCount(); ++i) {
        rings[i].fadeBias = random.nextFloat(0.0f, 1.0f);
        rings[i].angle = random.nextFloat(-180.0f, 180.0f);
    }
    for (int i = 0; i < rings.getCount(); ++i) {
        rings[i].scroll.y = random.nextFloat(-1.0f, 1.0f);
        rings[i].scroll.x = random.nextFloat(-1.0f, 1.0f);
        rings[i].arcStart = random.nextFloat(0.0f, 6.283184f);
        rings[i].arcSpeed = random.nextFloat(-1.0f, 1.0f);
    }
}

std::vector<GarbitchSlot> Garbitch::visibleSlots(const Kem::List<GarbitchRing>& rings, double time,
                                                 const GarbitchShapeTracks& tracks) {
    std::vector<GarbitchSlot> slots;
    float flight = float(time * 12.0);
    float pulseTime = float(time * 1.8);
    for (int n = rings.getCount() - 1; n >= 0; --n) {
        const GarbitchRing& ring = rings[n];
        float distance = flight - ring.depth;
        if (distance >= 0.0f || distance < -200.0f)
            continue;
        float fade = std::clamp(ring.fadeBias + 1.0f - 2.0f * tracks.fadeout, 0.0f, 1.0f);
        float base = (1.0f - distance / -200.0f) * 0.3f * fade;
        float pulse = float(std::sin(double(pulseTime + ring.depth * 0.05f)));
        GarbitchSlot slot;
        slot.index = n;
        slot.distance = distance;
        slot.brightness = ((0.5f * pulse + 0.5f) * base - base) * tracks.sinMix + base;
        slot.arc = tracks.rings > 0.0f && (n & 4) == 0;
        slots.push_back(slot);
    }
    return slots;
}

void Garbitch::render(GLuint targetFramebuffer, double time, glm::mat4 view, glm::mat4 projection) {
    drawShapes(time, view, projection);

    targets[1]->bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawEdges(1, targets[0]->getTexture(0)->getId());

    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    glViewport(0, 0, width, height);
    drawEdges(2, targets[1]->getTexture(0)->getId());
}

void Garbitch::drawShapes(double time, const glm::mat4& view, const glm::mat4& projection) {
    targets[0]->bind();
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    program.bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, NoiseVolume::get());
    program.setUniform1i("NoiseTex", 0);

    GarbitchShapeTracks tracks = GarbitchShapeTracks::read();
    glm::mat4 projectionView = projection * view;
    for (const GarbitchSlot& slot : visibleSlots(rings, time, tracks)) {
        // Shapes add into the target, so a black one changes nothing and would cost a layer.
        float shade = slot.brightness * tracks.squares;
        bool arc = slot.arc && slot.brightness * tracks.rings > 0.0f;
        if (!(shade > 0.0f) && !arc)
            continue;
        const GarbitchRing& ring = rings[slot.index];
        float offset = Sync::getValue("Garbitch Offset");
        glm::mat4 world = glm::rotate(glm::mat4(1.0f), ring.angle * tracks.rotation * 0.017453292f,
                                      glm::vec3(0.0f, 0.0f, 1.0f));
        world = glm::scale(world, glm::vec3(12.0f, 4.0f, 1.0f));
        world = glm::translate(world, glm::vec3(ring.offset * offset, 0.0f));
        program.setUniformMatrix4("ViewWorld", view * world);
        program.setUniformMatrix4("ProjViewWorld", projectionView * world);
        program.setUniform1f("NoiseTexTime", ring.depth * 0.007f);
        glm::vec2 scroll = tracks.scroll * ring.scroll;
        program.setUniform2f("Scroll", scroll.x, scroll.y);

        float d = slot.distance;
        if (shade > 0.0f) {
            glBegin(GL_QUADS);
            glColor3f(shade, shade, shade);
            glTexCoord2i(0, 0);
            glVertex3f(-1.0f, -1.0f, d);
            glTexCoord2i(1, 0);
            glVertex3f(1.0f, -1.0f, d);
            glTexCoord2i(1, 1);
            glVertex3f(1.0f, 1.0f, d);
            glTexCoord2i(0, 1);
            glVertex3f(-1.0f, 1.0f, d);
            glEnd();
        }

        if (arc) {
            program.setUniformMatrix4("ViewWorld", view);
            program.setUniformMatrix4("ProjViewWorld", projectionView);
            drawArc(ring, slot, tracks, time);
        }
    }

    glBindTexture(GL_TEXTURE_3D, 0);
    program.unbind();
    glDisable(GL_BLEND);
}

void Garbitch::drawArc(const GarbitchRing& ring, const GarbitchSlot& slot,
                       const GarbitchShapeTracks& tracks, double time) {
    const int segments = 48;
    float inner = 100.0f * tracks.scale + 20.0f;
    float outer = 116.0f * tracks.scale + 24.0f;
    float span = tracks.scale2 * 4.712388f;
    float start = float(time * 0.12) * ring.arcSpeed + ring.arcStart;
    float shade = slot.brightness * tracks.rings;
    float d = slot.distance;
    glBegin(GL_QUADS);
    for (int k = 0; k < segments; ++k) {
        float u0 = float(k) / float(segments);
        float u1 = float(k + 1) / float(segments);
        double a0 = double(u0 * span + start);
        double a1 = double(u1 * span + start);
        float c0 = float(std::cos(a0)), s0 = float(std::sin(a0));
        float c1 = float(std::cos(a1)), s1 = float(std::sin(a1));
        glColor3f(shade, shade, shade);
        glTexCoord2f(5.0f * u0, 0.0f);
        glVertex3f(c0 * inner, s0 * inner, d);
        glTexCoord2f(5.0f * u1, 0.0f);
        glVertex3f(c1 * inner, s1 * inner, d);
        glTexCoord2f(5.0f * u1, 1.0f);
        glVertex3f(c1 * outer, s1 * outer, d);
        glTexCoord2f(5.0f * u0, 1.0f);
        glVertex3f(c0 * outer, s0 * outer, d);
    }
    glEnd();
}

void Garbitch::drawEdges(int pass, GLuint source) {
    GarbitchEdgePass edge = GarbitchEdgePass::read(pass);
    // The taps sit max(Spread, 0) / 720 of the height apart, that many texels on a 720-line
    // target.
    float texels = std::max(edge.spread, 0.0f) * float(height) / 720.0f;
    bool whole = texels == std::floor(texels) && texels < 4096.0f;
    Program& used = whole ? edgeWholeProgram : edgeProgram;
    used.bind();
    used.setUniform2f("Resolution", float(width), float(height));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, source);
    used.setUniform1i("Tex", 0);
    used.setUniform1f("Spread", edge.spread);
    used.setUniform1f("Strength", edge.strength);
    used.setUniform3f("Color", edge.colour.r, edge.colour.g, edge.colour.b);
    used.setUniform1f("BackgroundMix", edge.backgroundMix);
    glRecti(-1, -1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, 0);
    used.unbind();
}
