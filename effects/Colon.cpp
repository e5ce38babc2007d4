// Colon: sky box from a cross atlas, 1500 ring fragments in immediate mode and 100 cylinders.
#include "Colon.h"

#include "Random.h"
#include "Sync.h"

#include <cmath>

namespace {

constexpr int ringSteps = 10;
constexpr int cylinderSteps = 24;
constexpr float cylinderAngleStep = 0.2541666626930237f;
constexpr float cylinderRadius = 4.0f;
constexpr float cylinderHeight = 3.0f;

void ringPoint(float radius, float angle, float y) {
    glVertex3f(radius * float(std::cos(double(angle))), y, radius * float(std::sin(double(angle))));
}

} // namespace

Colon::Colon()
    : ringVertexShader("Data/Colon.vert", GL_VERTEX_SHADER),
      ringFragmentShader("Data/Colon.frag", GL_FRAGMENT_SHADER),
      ringProgram(&ringVertexShader, &ringFragmentShader),
      skyVertexShader("Data/ColonSky.vert", GL_VERTEX_SHADER),
      skyFragmentShader("Data/ColonSky.frag", GL_FRAGMENT_SHADER),
      skyProgram(&skyVertexShader, &skyFragmentShader), skyTexture("Data/colonskybox.jpg") {
    generateLayout(rings, ringSpeed, ringHeight, cylinders);
}

void Colon::generateLayout(ColonRing* rings, float* ringSpeed, float* ringHeight,
                           ColonCylinder* cylinders) {
    Random random(1, 2);
    for (int n = 0; n < ringCount; ++n) {
        ColonRing& ring = rings[n];
        ring.level = random.nextInt() % 100;
        ring.innerRadius = float(ring.level) + 4.0f;
        ring.outerRadius = float(random.nextInt() % 8) + ring.innerRadius + 0.8f;
        ring.startAngle = random.nextFloat(0.0f, 6.283184f);
        float spread = random.nextFloat(0.0f, 1.0f);
        ring.endAngle = float(double(spread) * double(spread)) * 0.3f + ring.startAngle + 0.1f;
        ring.fadeOffset = random.nextFloat(0.0f, 0.7f) * float(100 - ring.level) / 100.0f;
        float v = random.nextFloat(0.0f, 1.0f);
        ring.color[0] = 0.4f * v;
        ring.color[1] = 0.4f * (0.35f + 0.65f * v);
        ring.color[2] = 0.4f * (0.4f + 0.6f * v);
        ring.color[3] = 0.4f;
        ring.style = random.nextInt() % 3;
    }
    for (int n = 0; n < levelCount; ++n)
        ringSpeed[n] = random.nextFloat(-1.0f, 1.0f);
    for (int n = 0; n < levelCount; ++n)
        ringHeight[n] = random.nextFloat(-1.0f, 1.0f);
    for (int n = 0; n < cylinderCount; ++n) {
        cylinders[n].baseY = float(n - 50) * 4.0f;
        cylinders[n].delay = float(n) * 0.2f;
    }
}

float Colon::flickerRamp(float v) {
    if (v > 1.0f)
        return 1.0f;
    if (v > 0.8f)
        return (v - 0.8f) / 0.2f;
    if (v > 0.7f)
        return (int((v - 0.7f) * 60.0f) % 2 == 1) ? 1.0f : 0.0f;
    return 0.0f;
}

void Colon::drawSky(const glm::mat4& view, const glm::mat4& projection) {
    skyProgram.bind();
    skyTexture.bind(0);
    skyProgram.setUniformMatrix4("Proj", projection);
    skyProgram.setUniformMatrix4("View", view);
    skyProgram.setUniform1i("Tex", 0);

    float tint[3] = {0.0f, 0.0f, 0.0f};
    float choice = Sync::getValue("Colon Skybox Color");
    // Truncated towards zero; values too large for an int pick no tint.
    switch (std::fabs(choice) < 1e9f ? int(choice) : -1) {
    case 0:
        tint[0] = 0.05f, tint[1] = 0.1f, tint[2] = 0.12f;
        break;
    case 1:
        tint[0] = 0.12f, tint[1] = 0.1f, tint[2] = 0.05f;
        break;
    default:
        break;
    }
    float intensity = Sync::getValue("Colon Skybox Intensity");
    glColor3f(tint[0] * intensity, tint[1] * intensity, tint[2] * intensity);

    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    // z = -100
    glTexCoord2f(0.0f, 0.3334f), glVertex3f(-100.0f, -100.0f, -100.0f);
    glTexCoord2f(0.25f, 0.3334f), glVertex3f(100.0f, -100.0f, -100.0f);
    glTexCoord2f(0.25f, 0.6666f), glVertex3f(100.0f, 100.0f, -100.0f);
    glTexCoord2f(0.0f, 0.6666f), glVertex3f(-100.0f, 100.0f, -100.0f);
    // x = +100
    glTexCoord2f(0.25f, 0.3334f), glVertex3f(100.0f, -100.0f, -100.0f);
    glTexCoord2f(0.5f, 0.3334f), glVertex3f(100.0f, -100.0f, 100.0f);
    glTexCoord2f(0.5f, 0.6666f), glVertex3f(100.0f, 100.0f, 100.0f);
    glTexCoord2f(0.25f, 0.6666f), glVertex3f(100.0f, 100.0f, -100.0f);
    // z = +100
    glTexCoord2f(0.5f, 0.3334f), glVertex3f(100.0f, -100.0f, 100.0f);
    glTexCoord2f(0.75f, 0.3334f), glVertex3f(-100.0f, -100.0f, 100.0f);
    glTexCoord2f(0.75f, 0.6666f), glVertex3f(-100.0f, 100.0f, 100.0f);
    glTexCoord2f(0.5f, 0.6666f), glVertex3f(100.0f, 100.0f, 100.0f);
    // x = -100
    glTexCoord2f(0.75f, 0.3334f), glVertex3f(-100.0f, -100.0f, 100.0f);
    glTexCoord2f(1.0f, 0.3334f), glVertex3f(-100.0f, -100.0f, -100.0f);
    glTexCoord2f(1.0f, 0.6666f), glVertex3f(-100.0f, 100.0f, -100.0f);
    glTexCoord2f(0.75f, 0.6666f), glVertex3f(-100.0f, 100.0f, 100.0f);
    // y = +100
    glTexCoord2f(0.25f, 0.6666f), glVertex3f(-100.0f, 100.0f, 100.0f);
    glTexCoord2f(0.5f, 0.6666f), glVertex3f(100.0f, 100.0f, 100.0f);
    glTexCoord2f(0.5f, 1.0f), glVertex3f(100.0f, 100.0f, -100.0f);
    glTexCoord2f(0.25f, 1.0f), glVertex3f(-100.0f, 100.0f, -100.0f);
    // y = -100
    glTexCoord2f(0.25f, 0.3334f), glVertex3f(100.0f, -100.0f, -100.0f);
    glTexCoord2f(0.25f, 0.0f), glVertex3f(-100.0f, -100.0f, -100.0f);
    glTexCoord2f(0.5f, 0.0f), glVertex3f(-100.0f, -100.0f, 100.0f);
    glTexCoord2f(0.5f, 0.3334f), glVertex3f(100.0f, -100.0f, 100.0f);
    glEnd();
    glDepthMask(GL_TRUE);
    skyProgram.unbind();
}

void Colon::drawRings(float t) {
    float fade = Sync::getValue("Colon Fade");
    float separation = Sync::getValue("Colon Separation");

    for (const ColonRing& ring : rings) {
        int index = levelIndex(ring.level);
        float a = ringSpeed[index] * t * 0.04f + ring.startAngle;
        float y = ringHeight[index] * separation;
        float step = (ring.endAngle - ring.startAngle) / float(ringSteps);
        float level = flickerRamp(ring.fadeOffset + fade);
        glColor4f(ring.color[0] * level, ring.color[1] * level, ring.color[2] * level,
                  ring.color[3] * level);
        const float inner = ring.innerRadius, outer = ring.outerRadius;

        switch (ring.style) {
        case 0:
            glBegin(GL_QUAD_STRIP);
            for (int n = 0; n <= ringSteps; ++n) {
                float angle = a + float(n) * step;
                ringPoint(inner, angle, y);
                ringPoint(outer, angle, y);
            }
            glEnd();
            break;
        case 1:
            glBegin(GL_LINES);
            for (int n = 0; n <= ringSteps; ++n) {
                float angle = a + float(n) * step;
                if (n == 0 || n == ringSteps) {
                    ringPoint(inner, angle, y);
                    ringPoint(outer, angle, y);
                }
                if (n < ringSteps) {
                    float next = a + float(n + 1) * step;
                    ringPoint(inner, angle, y);
                    ringPoint(inner, next, y);
                    ringPoint(outer, angle, y);
                    ringPoint(outer, next, y);
                }
            }
            glEnd();
            break;
        case 2: {
            float half = step / 2.0f;
            glBegin(GL_LINES);
            for (int n = 0; n <= 2 * ringSteps; ++n) {
                ringPoint(inner, a + float(n) * half, y);
                ringPoint(outer, a + float(n + 1) * half, y);
            }
            glEnd();
            break;
        }
        default: // -1 and -2: hidden
            break;
        }
    }
}

void Colon::drawCylinders(float t) {
    float fade = Sync::getValue("Colon Cyl Fade");
    float cylinderTime = Sync::getValue("Colon Cyl Time");
    float a0 = t * 0.2f;

    // Every cylinder turns by the same angles: one table a frame.
    float x[cylinderSteps + 1], z[cylinderSteps + 1];
    for (int n = 0; n <= cylinderSteps; ++n) {
        float angle = a0 + float(n) * cylinderAngleStep;
        x[n] = cylinderRadius * float(std::cos(double(angle)));
        z[n] = cylinderRadius * float(std::sin(double(angle)));
    }

    for (const ColonCylinder& cylinder : cylinders) {
        float level = flickerRamp(cylinderTime - cylinder.delay) * fade;
        glColor3f(0.2f * level, 0.35f * level, 0.4f * level);
        float bottom = cylinder.baseY, top = cylinder.baseY + cylinderHeight;
        glBegin(GL_QUAD_STRIP);
        for (int n = 0; n <= cylinderSteps; ++n) {
            glVertex3f(x[n], bottom, z[n]);
            glVertex3f(x[n], top, z[n]);
        }
        glEnd();
    }

    glBegin(GL_LINES);
    for (const ColonCylinder& cylinder : cylinders) {
        float level = flickerRamp(cylinderTime - cylinder.delay) * fade;
        glColor3f(0.3f * level, 0.4f * level, 0.5f * level);
        float bottom = cylinder.baseY, top = cylinder.baseY + cylinderHeight;
        for (int n = 0; n <= cylinderSteps; ++n) {
            if (n == 0 || n == cylinderSteps) {
                glVertex3f(x[n], bottom, z[n]);
                glVertex3f(x[n], top, z[n]);
            }
            if (n < cylinderSteps) {
                glVertex3f(x[n], bottom, z[n]);
                glVertex3f(x[n + 1], bottom, z[n + 1]);
                glVertex3f(x[n], top, z[n]);
                glVertex3f(x[n + 1], top, z[n + 1]);
            }
        }
    }
    glEnd();
}

void Colon::render(GLuint, double time, glm::mat4 view, glm::mat4 projection) {
    float t = float(time);
    drawSky(view, projection);

    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glEnable(GL_BLEND);
    glLineWidth(0.5f);
    ringProgram.bind();
    ringProgram.setUniformMatrix4("ProjViewWorld", projection * view);
    drawRings(t);
    drawCylinders(t);

    glDisable(GL_BLEND);
    ringProgram.unbind();
}
