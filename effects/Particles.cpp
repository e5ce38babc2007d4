// Particles: 6000 bobbing, twinkling sprites in one additive batch, depth tested, not written.
#include "Particles.h"

#include "Random.h"
#include "Sync.h"

#include <cmath>

namespace {

constexpr float boxSize = 800.0f;
constexpr float halfBox = 400.0f;

// Draws z, y, x (last component first) and scales the vector to unit length.
void randomUnit(Random& random, float* v) {
    v[2] = random.nextFloat(-1.0f, 1.0f);
    v[1] = random.nextFloat(-1.0f, 1.0f);
    v[0] = random.nextFloat(-1.0f, 1.0f);
    float inverse = 1.0f / float(std::sqrt(double(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    v[0] *= inverse;
    v[1] *= inverse;
    v[2] *= inverse;
}

float wrap(float v) {
    v += halfBox;
    return v - float(std::floor(double(v / boxSize))) * boxSize;
}

} // namespace

Particles::Particles()
    : sprites(new ColonParticle[count]), vertexShader("Data/ColonParts.vert", GL_VERTEX_SHADER),
      fragmentShader("Data/ColonParts.frag", GL_FRAGMENT_SHADER),
      program(&vertexShader, &fragmentShader) {
    generate(sprites);
}

Particles::~Particles() {
    delete[] sprites;
}

void Particles::generate(ColonParticle* sprites) {
    Random random(1, 2);
    for (int i = 0; i < count; ++i) {
        ColonParticle& sprite = sprites[i];
        sprite.position[2] = random.nextFloat(-400.0f, 400.0f);
        sprite.position[1] = random.nextFloat(0.0f, 400.0f);
        sprite.position[0] = random.nextFloat(-400.0f, 400.0f);
        randomUnit(random, sprite.drift);
        sprite.phase = random.nextFloat(0.0f, 6.283184f);
        sprite.ballPhase = random.nextFloat(0.0f, 6.283184f);
        sprite.speed = random.nextFloat(0.1f, 1.0f);
        sprite.ballSpeed = random.nextFloat(0.1f, 1.0f);
        if (i < ballCount) {
            randomUnit(random, sprite.ballPosition);
            sprite.ballPosition[0] = sprite.ballPosition[0] * 10.0f;
            sprite.ballPosition[1] = sprite.ballPosition[1] * 10.0f + 40.0f;
            sprite.ballPosition[2] = sprite.ballPosition[2] * 10.0f;
            random.nextFloat(0.0f, 0.3f); // two draws the layout skips
            random.nextFloat(0.0f, 0.1f);
        } else {
            sprite.ballPosition[0] = sprite.ballPosition[1] = sprite.ballPosition[2] = 0.0f;
        }
    }
}

bool Particles::place(const ColonParticle& sprite, int index, float t2, float m,
                      const glm::vec3& offset, SpritePlacement& placement) {
    float s = float(std::sin(double(sprite.speed * t2 + sprite.phase)));
    float p[3];
    for (int axis = 0; axis < 3; ++axis)
        p[axis] = sprite.position[axis] + sprite.drift[axis] * s * 3.0f;

    float a = 1.0f;
    if (index < ballCount) {
        for (int axis = 0; axis < 3; ++axis)
            p[axis] = p[axis] + (sprite.ballPosition[axis] - p[axis]) * m;
        float s2 = 3.0f * float(std::sin(double(sprite.ballSpeed * t2 + sprite.ballPhase)));
        a = s2 + (1.0f - s2) * m;
        if (a <= 0.0f)
            return false;
    }

    glm::vec3 centre(wrap(p[0] + offset.x) - halfBox, wrap(p[1] + offset.y) - halfBox + 10.0f,
                     wrap(p[2] + offset.z) - halfBox);
    float d =
        float(std::sqrt(double(centre.x * centre.x + centre.y * centre.y + centre.z * centre.z))) /
        halfBox;
    d = d < 0.0f ? 0.0f : (d > 1.0f ? 1.0f : d);
    float k = float(1.0 - double(d) * double(d));

    placement.centre = centre;
    placement.twinkle = a;
    placement.distanceFade = k;
    return true;
}

void Particles::render(GLuint, double time, glm::mat4 view, glm::mat4 projection) {
    float t2 = 2.0f * float(time);

    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    program.bind();
    program.setUniform3f("Offset", offset.x, offset.y, offset.z);
    program.setUniform1f("ColonFloaterFlash", Sync::getValue("Colon Floater Flash"));
    program.setUniformMatrix4("Proj", projection);
    program.setUniformMatrix4("View", view);

    float red = Sync::getValue("Colon Ball Red");
    float fade = Sync::getValue("Colon Ball Fade");
    float m = Sync::getValue("Colon Floater Transform");
    const float base[3] = {fade + red, fade, fade};

    glBegin(GL_QUADS);
    SpritePlacement placement;
    for (int i = 0; i < count; ++i) {
        if (!place(sprites[i], i, t2, m, offset, placement))
            continue;
        float a = placement.twinkle, k = placement.distanceFade;
        glColor3f(base[0] * a * k, base[1] * a * k, base[2] * a * k);
        const glm::vec3& c = placement.centre;
        glTexCoord2i(0, 0), glVertex3f(c.x, c.y, c.z);
        glTexCoord2i(1, 0), glVertex3f(c.x, c.y, c.z);
        glTexCoord2i(1, 1), glVertex3f(c.x, c.y, c.z);
        glTexCoord2i(0, 1), glVertex3f(c.x, c.y, c.z);
    }
    glEnd();

    glDepthMask(GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    program.unbind();
}
