// Whole frames of the bar landscape and the ray-marched piece, drawn headless at the three
// output sizes: not empty, right way up, changed by their tracks. Frames are saved as PNGs.
#include "DruSucks.h"
#include "DuckNipples.h"
#include "LaunchOptions.h"
#include "NoiseVolume.h"
#include "Particles.h"
#include "Program.h"
#include "RenderTarget.h"
#include "SceneStage.h"
#include "Shader.h"
#include "platform/HeadlessGL.h"

#include <EGL/egl.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <time.h>
#include <vector>

namespace {

using scenes3::changedShare;
using scenes3::Frame;

// Values per setting: Base, Moved, Dark, Alternate.
const scenes3::TrackTable tracks = {
    // The landscape: Moved scrolls on, Dark switches the meters and the summit glow off, Alternate
    // is a
    // coarser, taller, warmer ground.
    {"Duck Res", {100, 100, 100, 60}},
    {"Duck A", {0.8f, 0.8f, 0.8f, 1.4f}},
    {"Duck B", {0.35f, 0.35f, 0.35f, 0.6f}},
    {"Duck C", {1.0f, 1.0f, 1.0f, 1.0f}},
    {"Duck D", {1.2f, 1.2f, 0.0f, 1.6f}},
    {"Duck E", {4.0f, 4.0f, 4.0f, 4.0f}},
    {"Duck F", {0.8f, 0.8f, 0.0f, 0.8f}},
    {"Duck Height", {70, 70, 70, 90}},
    {"Duck TexS", {4, 4, 4, 6}},
    {"Duck BarR", {1.0f, 1.0f, 1.0f, 1.0f}},
    {"Duck BarG", {1.0f, 1.0f, 1.0f, 0.85f}},
    {"Duck BarB", {1.0f, 1.0f, 1.0f, 0.7f}},
    {"Duck Move", {20, 170, 20, 20}},
    {"Duck Fog Strt", {150, 150, 150, 150}},
    {"Duck Fog End", {850, 850, 850, 850}},
    {"Duck Fog Exp", {1.3f, 1.3f, 1.3f, 1.3f}},
    {"Duck Width", {0.04f, 0.04f, 0.04f, 0.06f}},
    {"Duck Width 2", {0.03f, 0.03f, 0.03f, 0.06f}},
    {"Duck Flkr", {0.3f, 0.3f, 0.3f, 0.3f}},
    // The piece: Moved turns, opens and warms it, Dark lowers the floor, Alternate shows the
    // cube-map sky alone.
    {"DruSucks Rotation Time", {0.6f, 1.7f, 0.6f, 0.6f}},
    {"DruSucks Skybox Mix", {0.5f, 0.5f, 0.5f, 1.0f}},
    {"DruSucks Color", {0.3f, 0.9f, 0.3f, 0.3f}},
    {"DruSucks Ao Factor", {1.0f, 1.0f, 1.0f, 1.0f}},
    {"DruSucks Cutouts", {0.45f, 0.75f, 0.45f, 0.45f}},
    {"DruSucks Slashes", {0.4f, 0.0f, 0.4f, 0.4f}},
    {"DruSucks Plane Distance", {1.6f, 1.6f, 3.0f, 1.6f}},
    {"DruSucks Rotation Mix", {0.3f, 0.8f, 0.3f, 0.3f}},
};

const int sizes[3][2] = {{1280, 720}, {1920, 1080}, {1024, 768}};

std::string sizeName(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

class SceneFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scenes3::writeTracks(tracks);
        gl = new platform::HeadlessGL();
        Extensions::load();
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
        glViewport(0, 0, 1280, 720);
        NoiseVolume::get();
    }
    static void TearDownTestSuite() {
        getLaunchOptions().resolution = 1;
        // The process-wide noise volume outlives this; it skips its deletion without a context.
        delete gl;
        gl = nullptr;
    }

    static platform::HeadlessGL* gl;
};

platform::HeadlessGL* SceneFrames::gl = nullptr;

// High over the ground, looking a little down towards the far wall.
glm::mat4 landscapeView() {
    return glm::lookAt(glm::vec3(0.0f, 120.0f, -10.0f), glm::vec3(0.0f, 80.0f, -500.0f),
                       glm::vec3(0.0f, 1.0f, 0.0f));
}

// Level with the piece's centre, a few units back.
glm::mat4 pieceView() {
    return glm::lookAt(glm::vec3(0.0f, 0.0f, 5.5f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
}

TEST_F(SceneFrames, DuckNipplesAtEverySize) {
    Particles particles;
    DuckNipples duck(&particles);
    std::vector<float> means;
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        scenes3::selectResolution(w, h);
        scenes3::setSetting(scenes3::Base);
        Frame base = scenes3::drawFrame(duck, w, h, 12.0, landscapeView());
        EXPECT_EQ(particles.getOffset(), glm::vec3(0.0f, 0.0f, -380.0f));
        scenes3::setSetting(scenes3::Moved);
        Frame moved = scenes3::drawFrame(duck, w, h, 12.0, landscapeView());
        EXPECT_EQ(particles.getOffset(), glm::vec3(0.0f, 0.0f, -230.0f));
        scenes3::setSetting(scenes3::Dark);
        Frame dark = scenes3::drawFrame(duck, w, h, 12.0, landscapeView());
        scenes3::setSetting(scenes3::Alternate);
        Frame alternate = scenes3::drawFrame(duck, w, h, 14.0, landscapeView());
        scenes3::setSetting(scenes3::Silent);
        Frame silent = scenes3::drawFrame(duck, w, h, 12.0, landscapeView());
        save(base, "duck-base-" + sizeName(w, h));
        save(moved, "duck-moved-" + sizeName(w, h));
        save(dark, "duck-dark-" + sizeName(w, h));
        save(alternate, "duck-alternate-" + sizeName(w, h));

        EXPECT_GT(base.meanLuminance(0, h), 0.06f) << w;
        // Night sky at the top of the picture: blue over red, not black.
        EXPECT_GT(base.meanChannel(2, h * 9 / 10, h), base.meanChannel(0, h * 9 / 10, h)) << w;
        EXPECT_GT(base.meanLuminance(h * 9 / 10, h), 0.01f) << w;
        // The bars lie on the ground, in the lower half, and light it up.
        float lower = changedShare(base, dark, 0, h / 2);
        EXPECT_GT(lower, 0.2f) << w;
        EXPECT_LT(changedShare(base, dark, h / 2, h), lower * 0.3f) << w;
        EXPECT_GT(base.meanLuminance(0, h / 2), dark.meanLuminance(0, h / 2) * 1.3f) << w;
        // Scrolling and reshaping change the picture.
        EXPECT_GT(changedShare(base, moved, 0, h / 2), 0.3f) << w;
        EXPECT_GT(changedShare(base, alternate, 0, h), 0.3f) << w;
        // No "Duck Res" track: no grid at all, the target stays cleared.
        EXPECT_EQ(silent.meanLuminance(0, h), 0.0f) << w;
        means.push_back(base.meanLuminance(0, h));
    }
    EXPECT_NEAR(means[1], means[0], means[0] * 0.1f);
    EXPECT_NEAR(means[2], means[0], means[0] * 0.25f);
}

TEST_F(SceneFrames, DruSucksAtEverySize) {
    std::vector<float> means;
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        scenes3::selectResolution(w, h);
        DruSucks dru;
        scenes3::setSetting(scenes3::Base);
        Frame base = scenes3::drawFrame(dru, w, h, 20.0, pieceView());
        Frame stale = scenes3::drawFrame(dru, w, h, 20.0, pieceView(), true);
        scenes3::setSetting(scenes3::Moved);
        Frame moved = scenes3::drawFrame(dru, w, h, 20.0, pieceView());
        scenes3::setSetting(scenes3::Dark);
        Frame lowFloor = scenes3::drawFrame(dru, w, h, 20.0, pieceView());
        scenes3::setSetting(scenes3::Alternate);
        Frame cubeSky = scenes3::drawFrame(dru, w, h, 20.0, pieceView());
        save(base, "dru-base-" + sizeName(w, h));
        save(moved, "dru-moved-" + sizeName(w, h));
        save(lowFloor, "dru-lowfloor-" + sizeName(w, h));
        save(cubeSky, "dru-cubesky-" + sizeName(w, h));

        EXPECT_GT(base.meanLuminance(0, h), 0.04f) << w;
        EXPECT_GT(base.meanLuminance(h * 9 / 10, h), 0.01f) << w;
        // Target and viewport are the scene's own business.
        EXPECT_EQ(changedShare(base, stale, 0, h), 0.0f) << w;
        // The floor lies below the piece: lowering it changes the lower half only.
        float lower = changedShare(base, lowFloor, 0, h / 2);
        EXPECT_GT(lower, 0.2f) << w;
        EXPECT_LT(changedShare(base, lowFloor, h / 2, h), 0.01f) << w;
        // Turning, opening and colouring the piece changes its middle.
        EXPECT_GT(changedShare(base, moved, h / 4, h * 3 / 4), 0.08f) << w;
        // The sky-box mix changes the sky above the piece.
        EXPECT_GT(changedShare(base, cubeSky, h * 3 / 4, h), 0.3f) << w;
        means.push_back(base.meanLuminance(0, h));
    }
    EXPECT_NEAR(means[1], means[0], means[0] * 0.1f);
    EXPECT_NEAR(means[2], means[0], means[0] * 0.25f);
}

// Timing, on request (OXBRINE_SCENES3_TIMING=1): median CPU and GPU time of a frame at 1280x720.
using GenQueries = void (*)(GLsizei, GLuint*);
using BeginQuery = void (*)(GLenum, GLuint);
using EndQuery = void (*)(GLenum);
using QueryResult = void (*)(GLuint, GLenum, GLuint64*);

double cpuMilliseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double threadMilliseconds() {
    return cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
}

void timeFrames(const char* name, Effect& effect, scenes3::Setting setting, double time,
                const glm::mat4& view) {
    auto genQueries = reinterpret_cast<GenQueries>(eglGetProcAddress("glGenQueries"));
    auto beginQuery = reinterpret_cast<BeginQuery>(eglGetProcAddress("glBeginQuery"));
    auto endQuery = reinterpret_cast<EndQuery>(eglGetProcAddress("glEndQuery"));
    auto result = reinterpret_cast<QueryResult>(eglGetProcAddress("glGetQueryObjectui64v"));
    ASSERT_TRUE(genQueries && beginQuery && endQuery && result);
    RenderTarget output(1280, 720, true, 1, GL_RGBA8);
    scenes3::setSetting(setting);
    glm::mat4 projection = glm::perspective(glm::radians(55.0f), 1280.0f / 720.0f, 1.0f, 1000.0f);
    std::vector<double> cpu, gpu, work;
    GLuint query = 0;
    genQueries(1, &query);
    for (int i = 0; i < 15; ++i) {
        output.bind();
        glViewport(0, 0, 1280, 720);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        // The calling thread's own processor time: the machine is shared, wall time is not ours.
        double processStart = cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
        double start = threadMilliseconds();
        beginQuery(GL_TIME_ELAPSED, query);
        effect.render(output.getFramebuffer(), time, view, projection);
        endQuery(GL_TIME_ELAPSED);
        double submitted = threadMilliseconds();
        GLuint64 nanoseconds = 0;
        result(query, GL_QUERY_RESULT, &nanoseconds);
        cpu.push_back(submitted - start);
        // Every driver thread's processor time until the frame is done: the rasteriser's work.
        glFinish();
        work.push_back(cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - processStart);
        gpu.push_back(double(nanoseconds) / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(gpu.begin(), gpu.end());
    std::sort(work.begin(), work.end());
    std::printf(
        "[timing] %s: CPU %.2f ms, GPU %.2f ms, all driver threads %.2f ms (medians of 15)\n", name,
        cpu[7], gpu[7], work[7]);
}

// The yardstick the scenes are measured against: a full-screen pass marching 64 steps at
// every pixel towards a sphere it never reaches.
class FullScreenMarch : public Effect {
public:
    FullScreenMarch()
        : fragmentPath(writeSource()), vertexShader("Data/Blit.vert", GL_VERTEX_SHADER),
          fragmentShader(fragmentPath.c_str(), GL_FRAGMENT_SHADER),
          program(&vertexShader, &fragmentShader) {}
    ~FullScreenMarch() { std::remove(fragmentPath.c_str()); }

    void render(GLuint, double, glm::mat4, glm::mat4) override {
        program.bind();
        glRecti(-1, -1, 1, 1);
        program.unbind();
    }

private:
    static std::string writeSource() {
        std::string path = std::string(OXBRINE_RUN_DIR) + "/../scenes3-march.frag";
        FILE* file = std::fopen(path.c_str(), "w");
        std::fputs("#version 330 compatibility\n"
                   "in vec2 texCoord;\nout vec4 color;\n"
                   "void main() {\n"
                   "    vec3 ro = vec3(0.0, 0.0, 5.0);\n"
                   "    vec3 rd = normalize(vec3(texCoord * 2.0 - 1.0, -1.5));\n"
                   "    float t = 0.0;\n"
                   "    for (int i = 0; i < 64; ++i)\n"
                   "        t += max(length(ro + rd * t - vec3(9.0, 0.0, 0.0)) - 1.0, 0.01);\n"
                   "    color = vec4(vec3(fract(t)), 1.0);\n"
                   "}\n",
                   file);
        std::fclose(file);
        return path;
    }

    std::string fragmentPath;
    Shader vertexShader;
    Shader fragmentShader;
    Program program;
};

TEST_F(SceneFrames, Timing) {
    if (!std::getenv("OXBRINE_SCENES3_TIMING"))
        GTEST_SKIP() << "set OXBRINE_SCENES3_TIMING=1 to measure";
    scenes3::selectResolution(1280, 720);
    Particles particles;
    DuckNipples duck(&particles);
    timeFrames("DuckNipples 100x100", duck, scenes3::Base, 12.0, landscapeView());
    DruSucks dru;
    timeFrames("DruSucks", dru, scenes3::Base, 20.0, pieceView());
    timeFrames("DruSucks opened", dru, scenes3::Moved, 20.0, pieceView());
    FullScreenMarch march;
    timeFrames("full-screen 64-step march (yardstick)", march, scenes3::Base, 0.0, glm::mat4(1.0f));
}

} // namespace
