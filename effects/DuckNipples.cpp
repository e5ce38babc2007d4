// The bar landscape scene: tracks to uniforms, the scroll split into a cell and whole cells, and
// the grid sent in immediate mode.
#include "DuckNipples.h"

#include "NoiseVolume.h"
#include "Sync.h"
#include "TrackInteger.h"

#include <climits>
#include <cmath>

namespace {

// Read in the order the show's tracks are sampled.
struct DuckTracks {
    float res, a, b, c, d, e, f, height, texScale;
    float barR, barG, barB, move, fogStart, fogEnd, fogExp, width, width2, flicker;

    static DuckTracks read() {
        DuckTracks t;
        t.res = Sync::getValue("Duck Res");
        t.a = Sync::getValue("Duck A");
        t.b = Sync::getValue("Duck B");
        t.c = Sync::getValue("Duck C");
        t.d = Sync::getValue("Duck D");
        t.e = Sync::getValue("Duck E");
        t.f = Sync::getValue("Duck F");
        t.height = Sync::getValue("Duck Height");
        t.texScale = Sync::getValue("Duck TexS");
        t.barB = Sync::getValue("Duck BarB");
        t.barG = Sync::getValue("Duck BarG");
        t.barR = Sync::getValue("Duck BarR");
        t.move = Sync::getValue("Duck Move");
        t.fogStart = Sync::getValue("Duck Fog Strt");
        t.fogEnd = Sync::getValue("Duck Fog End");
        t.fogExp = Sync::getValue("Duck Fog Exp");
        t.width = Sync::getValue("Duck Width");
        t.width2 = Sync::getValue("Duck Width 2");
        t.flicker = Sync::getValue("Duck Flkr");
        return t;
    }
};

} // namespace

DuckScroll DuckScroll::compute(float distance, int n) {
    float cell = DuckNipples::size / float(n);
    float k = float(std::floor(double(distance / cell)));
    DuckScroll scroll;
    scroll.move = distance - k * cell;
    scroll.texOffset = k / float(n);
    scroll.particleOffset = glm::vec3(0.0f, 0.0f, distance - 400.0f);
    return scroll;
}

DuckNipples::DuckNipples(Particles* particles)
    : particles(particles),
      vertexShader("Data/DuckNipples.comm", "Data/DuckNipples.vert", GL_VERTEX_SHADER),
      fragmentShader("Data/DuckNipples.comm", "Data/DuckNipples.frag", GL_FRAGMENT_SHADER),
      program(&vertexShader, &fragmentShader), barTexture("Data/kusmasuger.jpg") {
    // The LED segments stay crisp edged however close the camera comes.
    glBindTexture(GL_TEXTURE_2D, barTexture.getId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

DuckNipples::~DuckNipples() = default;

int DuckNipples::gridResolution(float res) {
    return trackInteger(res, INT_MIN, maxGridResolution);
}

void DuckNipples::buildGrid(int n, std::vector<DuckGridVertex>& vertices) {
    vertices.clear();
    if (n <= 0)
        return;
    vertices.reserve(size_t(n) * size_t(n) * 4);
    float count = float(n);
    for (int r = 0; r < n; ++r) {
        float t0 = float(r) / count, t1 = float(r + 1) / count;
        for (int i = 0; i < n; ++i) {
            float s0 = float(i) / count, s1 = float(i + 1) / count;
            vertices.push_back({{s0, t0}, {s0 - 0.5f, 0.0f, -t0}});
            vertices.push_back({{s1, t0}, {s1 - 0.5f, 0.0f, -t0}});
            vertices.push_back({{s1, t1}, {s1 - 0.5f, 0.0f, -t1}});
            vertices.push_back({{s0, t1}, {s0 - 0.5f, 0.0f, -t1}});
        }
    }
}

void DuckNipples::render(GLuint, double time, glm::mat4 view, glm::mat4 projection) {
    DuckTracks tracks = DuckTracks::read();
    int n = gridResolution(tracks.res);

    glEnable(GL_DEPTH_TEST);
    program.bind();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, barTexture.getId());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, NoiseVolume::get());

    glm::mat4 world(1.0f);
    world[0][0] = world[1][1] = world[2][2] = size;
    DuckScroll scroll = DuckScroll::compute(tracks.move, n);

    program.setUniform1i("NoiseTex", 0);
    program.setUniform1i("NoiseTex2", 1);
    program.setUniformMatrix4("World", world);
    program.setUniformMatrix4("View", view);
    program.setUniformMatrix4("Proj", projection);
    program.setUniform1f("A", tracks.a);
    program.setUniform1f("B", tracks.b);
    program.setUniform1f("C", tracks.c);
    program.setUniform1f("D", tracks.d);
    program.setUniform1f("E", tracks.e);
    program.setUniform1f("F", tracks.f);
    program.setUniform1f("Height", tracks.height);
    program.setUniform1f("TexScale", tracks.texScale);
    program.setUniform1f("Time", float(time * 0.002));
    program.setUniform3f("BarsColor", tracks.barR, tracks.barG, tracks.barB);
    program.setUniform1f("Move", scroll.move);
    program.setUniform1f("TexOffset", scroll.texOffset);
    particles->setOffset(scroll.particleOffset);
    program.setUniform1f("FogStart", tracks.fogStart);
    program.setUniform1f("FogEnd", tracks.fogEnd);
    program.setUniform1f("FogExp", tracks.fogExp);
    program.setUniform1f("BarWidth", tracks.width);
    program.setUniform1f("BarWidth2", tracks.width2);
    program.setUniform1f("Flicker", tracks.flicker);
    program.setUniform1f("FlickerTime", float(time * 6.0));

    if (n != gridSize) {
        buildGrid(n, grid);
        gridSize = n;
    }
    glBegin(GL_QUADS);
    for (const DuckGridVertex& v : grid) {
        glTexCoord2f(v.texCoord.x, v.texCoord.y);
        glVertex3f(v.position.x, v.position.y, v.position.z);
    }
    glEnd();

    program.unbind();
    glDisable(GL_DEPTH_TEST);
}
