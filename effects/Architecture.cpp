// Architecture: the slab tunnel (rock program, fixed-function matrices) and the ball field
// (fixed-function additive points).
#include "Architecture.h"

#include "Random.h"
#include "Sync.h"

#include <cmath>

namespace {

constexpr double slabTimeOffset = 40.0;
constexpr float depthWindow = 100.0f;
constexpr int centreCount = 6;
// Below half a step of an 8-bit channel an added colour rounds to nothing (a margin kept).
constexpr float invisibleGlow = 0.45f / 255.0f;

} // namespace

ArchSlabs::ArchSlabs()
    : rockTexture("Data/rock.png"), rockNormalTexture("Data/rockn.png"),
      vertexShader("Data/tunnel.vert", GL_VERTEX_SHADER),
      fragmentShader("Data/tunnel.frag", GL_FRAGMENT_SHADER),
      program(&vertexShader, &fragmentShader), slabs(new ArchSlab[count]) {
    generate(slabs);
}

ArchSlabs::~ArchSlabs() {
    delete[] slabs;
}

void ArchSlabs::generate(ArchSlab* slabs) {
    Random random(1, 2);
    for (int n = 0; n < count; ++n) {
        ArchSlab& slab = slabs[n];
        slab.x = random.nextFloat(-4.0f, 4.0f);
        slab.y = random.nextFloat(-400.0f, 4.0f);
        slab.z = random.nextFloat(-4000.0f, 10.0f);
        slab.tiltX = random.nextFloat(-8.0f, 8.0f);
        slab.yaw = random.nextFloat(-8.0f, 8.0f);
        slab.tiltZ = random.nextFloat(-8.0f, 8.0f);
        slab.roll = random.nextFloat(0.0f, 360.0f);
        slab.spin = random.nextFloat(-2.0f, 2.0f);
    }
}

bool ArchSlabs::isInDepthWindow(const ArchSlab& slab, float t) {
    float zt = slab.z + t;
    return !(zt > depthWindow || zt < -depthWindow);
}

void ArchSlabs::drawBox(float sx, float sy, float sz) {
    float hx = 0.5f * sx;
    float hy = 0.5f * sy;
    float hz = 0.5f * sz;
    glBegin(GL_QUADS);
    // Across z the normals and winding face into the box; the shader receives them as they are.
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2i(0, 0), glVertex3f(-hx, -hy, -hz);
    glTexCoord2i(1, 0), glVertex3f(hx, -hy, -hz);
    glTexCoord2i(1, 1), glVertex3f(hx, hy, -hz);
    glTexCoord2i(0, 1), glVertex3f(-hx, hy, -hz);

    glNormal3f(0.0f, 0.0f, -1.0f);
    glTexCoord2i(0, 0), glVertex3f(hx, -hy, hz);
    glTexCoord2i(1, 0), glVertex3f(-hx, -hy, hz);
    glTexCoord2i(1, 1), glVertex3f(-hx, hy, hz);
    glTexCoord2i(0, 1), glVertex3f(hx, hy, hz);

    glNormal3f(-1.0f, 0.0f, 0.0f);
    glTexCoord2i(0, 0), glVertex3f(-hx, -hy, -hz);
    glTexCoord2i(1, 0), glVertex3f(-hx, -hy, hz);
    glTexCoord2i(1, 1), glVertex3f(-hx, hy, hz);
    glTexCoord2i(0, 1), glVertex3f(-hx, hy, -hz);

    glNormal3f(1.0f, 0.0f, 0.0f);
    glTexCoord2i(0, 0), glVertex3f(hx, -hy, hz);
    glTexCoord2i(1, 0), glVertex3f(hx, -hy, -hz);
    glTexCoord2i(1, 1), glVertex3f(hx, hy, -hz);
    glTexCoord2i(0, 1), glVertex3f(hx, hy, hz);

    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2i(0, 0), glVertex3f(-hx, hy, -hz);
    glTexCoord2i(1, 0), glVertex3f(hx, hy, -hz);
    glTexCoord2i(1, 1), glVertex3f(hx, hy, hz);
    glTexCoord2i(0, 1), glVertex3f(-hx, hy, hz);

    glNormal3f(0.0f, -1.0f, 0.0f);
    glTexCoord2i(0, 0), glVertex3f(hx, -hy, -hz);
    glTexCoord2i(1, 0), glVertex3f(-hx, -hy, -hz);
    glTexCoord2i(1, 1), glVertex3f(-hx, -hy, hz);
    glTexCoord2i(0, 1), glVertex3f(hx, -hy, hz);
    glEnd();
}

void ArchSlabs::render(float t) {
    float fade = Sync::getValue("Arch Slab Fade");
    if (fade <= 0.0f)
        return;

    glEnable(GL_DEPTH_TEST);
    rockNormalTexture.bind(1);
    rockTexture.bind(0);
    program.bind();
    program.setUniform1f("Fade", fade);
    program.setUniform1i("Tex", 0);
    program.setUniform1i("TexNormal", 1);

    for (int n = 0; n < count; ++n) {
        const ArchSlab& slab = slabs[n];
        if (!isInDepthWindow(slab, t))
            continue;
        glPushMatrix();
        glRotatef(slab.roll, 0.0f, 0.0f, 1.0f);
        glTranslatef(slab.x, slab.y - 36.0f, slab.z + t);
        glRotatef(slab.tiltX, 1.0f, 0.0f, 0.0f);
        glRotatef(slab.spin * t + slab.yaw, 0.0f, 1.0f, 0.0f);
        glRotatef(slab.tiltZ, 0.0f, 0.0f, 1.0f);
        drawBox(60.0f, 1.2f, 60.0f);
        glPopMatrix();
    }

    program.unbind();
    glDisable(GL_DEPTH_TEST);
}

ArchBalls::ArchBalls() : flicker(new float[size * size * size]) {
    generate(flicker);
    for (int n = 0; n < size; ++n)
        lattice[n] = (float(n) / float(size) - 0.5f) * 9.0f;
}

ArchBalls::~ArchBalls() {
    delete[] flicker;
}

void ArchBalls::generate(float* flicker) {
    Random random(1, 2);
    for (int n = 0; n < size * size * size; ++n)
        flicker[n] = random.nextFloat(0.0f, 1.0f);
}

void ArchBalls::render(float t) {
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glPointSize(8.0f);
    glBegin(GL_POINTS);

    float a = 3.0f * Sync::getValue("Arch Ball Motion");
    auto s = [t](float factor) { return float(std::sin(double(t * factor))); };
    auto c = [t](float factor) { return float(std::cos(double(t * factor))); };
    const float centres[centreCount][3] = {
        {s(1.0f) * a, c(0.67f) * a, s(0.8f) * a},  {s(0.5f) * a, c(0.9f) * a, c(0.7f) * a},
        {c(0.9f) * a, s(0.45f) * a, s(1.2f) * a},  {s(0.6f) * a, s(1.1f) * a, c(0.72f) * a},
        {s(0.96f) * a, s(0.45f) * a, s(1.2f) * a}, {c(0.64f) * a, c(1.0f) * a, c(0.79f) * a},
    };
    float brightness = Sync::getValue("Arch Balls");
    float flickerBias = Sync::getValue("Arch Balls Flicker");

    const float* cell = flicker;
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            for (int k = 0; k < size; ++k, ++cell) {
                // The point's position and glow only matter when it is shown.
                if (!(*cell + flickerBias > 0.0f))
                    continue;
                const float px = lattice[k], py = lattice[j], pz = lattice[i];
                float qx = px, qy = py, qz = pz;
                float intensity = 0.0f;
                bool degenerate = false;
                for (const auto& centre : centres) {
                    float dx = px - centre[0], dy = py - centre[1], dz = pz - centre[2];
                    float d = float(std::sqrt(double(dx * dx + dy * dy + dz * dz)));
                    if (d == 0.0f) {
                        degenerate = true; // no direction to push a point sitting on a centre
                        break;
                    }
                    qx += dx / d;
                    qy += dy / d;
                    qz += dz / d;
                    // (1/d)^6 in double, by three products rather than a general power.
                    double inverse = double(1.0f / d);
                    double inverse2 = inverse * inverse;
                    intensity = float(intensity + inverse2 * inverse2 * inverse2);
                }
                if (degenerate)
                    continue;
                if (intensity > 1.0f)
                    intensity = 1.0f;
                intensity *= brightness;
                // Most points glow too faintly to reach one step of the 8-bit picture they are
                // added into: they would add nothing, and each costs a sprite's setup.
                if (0.4f * intensity < invisibleGlow)
                    continue;
                glColor3f(0.4f * intensity, 0.17f * intensity, 0.1f * intensity);
                glVertex3f(0.6f * qx, 0.6f * qy, 0.6f * qz);
            }
        }
    }

    glEnd();
    glDisable(GL_BLEND);
}

Architecture::Architecture() = default;

void Architecture::render(GLuint, double time, glm::mat4 view, glm::mat4) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, 1.7777777777777777, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLoadMatrixf(&view[0][0]);

    slabs.render(float(time + slabTimeOffset));
    balls.render(float(time));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
