// Frames of Architecture, Colon and the Particles overlay rendered headless at 1280x720 with
// fixed track values: not empty, changed by their tracks, state left as the frame expects, and
// the cost of a frame.
#include "SceneHarness.h"

#include "Architecture.h"
#include "Colon.h"
#include "Particles.h"

#include <algorithm>
#include <chrono>

using scenes1::Frame;
using scenes1::Stage;

namespace {

const glm::mat4 archView =
    glm::lookAt(glm::vec3(0.0f, -4.0f, 45.0f), glm::vec3(0.0f, 0.0f, 0.0f), glm::vec3(0, 1, 0));
const glm::mat4 colonView =
    glm::lookAt(glm::vec3(0.0f, 22.0f, 75.0f), glm::vec3(0.0f, 5.0f, 0.0f), glm::vec3(0, 1, 0));
const glm::mat4 particleView =
    glm::lookAt(glm::vec3(0.0f, 56.0f, 42.0f), glm::vec3(0.0f, 50.0f, 0.0f), glm::vec3(0, 1, 0));

constexpr double archTime = 20.0;
constexpr double colonTime = 30.0;
constexpr double particleTime = 32.0;

bool isIdentity(GLenum matrix) {
    float m[16];
    glGetFloatv(matrix, m);
    for (int n = 0; n < 16; ++n)
        if (m[n] != (n % 5 == 0 ? 1.0f : 0.0f))
            return false;
    return true;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

} // namespace

class SceneFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Stage::get();
        architecture = new Architecture();
        colon = new Colon();
        particles = new Particles();
    }
    static void TearDownTestSuite() {
        delete particles;
        delete colon;
        delete architecture;
    }
    void SetUp() override { Stage::get().useSetting(0); }

    Frame drawArchitecture(int setting) {
        Stage::get().useSetting(setting);
        return Stage::get().capture(
            [](GLuint fb) { architecture->render(fb, archTime, archView, Stage::projection()); });
    }
    Frame drawColon(int setting, bool withOverlay = false) {
        Stage::get().useSetting(setting);
        return Stage::get().capture([withOverlay](GLuint fb) {
            colon->render(fb, colonTime, colonView, Stage::projection());
            if (withOverlay)
                particles->render(fb, colonTime, colonView, Stage::projection());
        });
    }
    Frame drawParticles(int setting, const glm::mat4& view = particleView) {
        Stage::get().useSetting(setting);
        return Stage::get().capture(
            [&view](GLuint fb) { particles->render(fb, particleTime, view, Stage::projection()); });
    }

    static Architecture* architecture;
    static Colon* colon;
    static Particles* particles;
};

Architecture* SceneFrames::architecture = nullptr;
Colon* SceneFrames::colon = nullptr;
Particles* SceneFrames::particles = nullptr;

TEST_F(SceneFrames, ArchitectureFollowsItsTracks) {
    Frame lit = drawArchitecture(0);
    lit.save("architecture");
    EXPECT_GT(lit.litPixels(), scenes1::frameWidth * scenes1::frameHeight / 4)
        << "slabs should fill much of the tunnel";
    // The ball field glows amber around the middle of the frame.
    EXPECT_GT(lit.meanLevel(560, 280, 720, 440), lit.meanLevel());

    Frame changed = drawArchitecture(1);
    changed.save("architecture-setting1");
    EXPECT_GT(changed.differenceFrom(lit), 0.2);

    Frame dark = drawArchitecture(2);
    EXPECT_EQ(dark.litPixels(1), 0) << "no slabs, no balls";

    EXPECT_TRUE(isIdentity(GL_PROJECTION_MATRIX));
    EXPECT_TRUE(isIdentity(GL_MODELVIEW_MATRIX));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneFrames, ArchitectureSkipsSlabsWithoutTouchingDepthTest) {
    // Setting 2 has no slab fade: the depth test the caller chose survives the frame.
    Stage::get().useSetting(2);
    Stage::get().capture([](GLuint fb) {
        glEnable(GL_DEPTH_TEST);
        architecture->render(fb, archTime, archView, Stage::projection());
    });
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glDisable(GL_DEPTH_TEST);
}

TEST_F(SceneFrames, ColonFollowsItsTracks) {
    Frame lit = drawColon(0);
    lit.save("colon");
    EXPECT_GT(lit.litPixels(4), scenes1::frameWidth * scenes1::frameHeight / 2)
        << "the sky fills the background";

    Frame changed = drawColon(1);
    changed.save("colon-setting1");
    EXPECT_GT(changed.differenceFrom(lit), 0.2);
    // Tint 1 is the warm one: red outweighs blue in the sky.
    double red = 0, blue = 0;
    for (size_t n = 0; n < changed.rgba.size(); n += 4)
        red += changed.rgba[n], blue += changed.rgba[n + 2];
    EXPECT_GT(red, blue);

    Frame dark = drawColon(2);
    EXPECT_EQ(dark.litPixels(1), 0) << "black sky, rings below the ramp, cylinders unlit";

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneFrames, ParticlesGatherIntoTheBall) {
    Frame ball = drawParticles(0);
    ball.save("particles-ball");
    Frame loose = drawParticles(1);
    loose.save("particles-loose");

    // The ball (radius 10 at y = 50) sits in the middle of this camera's view.
    double ballCentre = ball.meanLevel(540, 260, 740, 460);
    EXPECT_GT(ballCentre, 3.0 * loose.meanLevel(540, 260, 740, 460));
    EXPECT_GT(ballCentre, 4.0 * ball.meanLevel(0, 0, 200, 200));
    EXPECT_GT(loose.litPixels(), 2000) << "loose sprites spread over the view";

    Frame dark = drawParticles(2);
    EXPECT_EQ(dark.litPixels(1), 0) << "no fade, no red: additive black";

    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneFrames, OverlayAddsLightOverAnotherScene) {
    Frame scene = drawColon(0);
    Frame both = drawColon(0, true);
    both.save("colon-with-particles");
    EXPECT_GT(both.differenceFrom(scene, 3), 0.002);
    EXPECT_GT(both.meanLevel(), scene.meanLevel());
}

TEST_F(SceneFrames, OffsetMovesTheWrappedBox) {
    Frame still = drawParticles(1);
    particles->setOffset(glm::vec3(0.0f, 0.0f, -380.0f));
    Frame moved = drawParticles(1);
    particles->setOffset(glm::vec3(0.0f, 0.0f, 420.0f));
    Frame wrapped = drawParticles(1);
    particles->setOffset(glm::vec3(0.0f));
    EXPECT_GT(moved.differenceFrom(still, 3), 0.001);
    EXPECT_LT(moved.differenceFrom(wrapped, 3), 0.0005) << "800 apart is the same box";
}

// Median CPU time of the render call (and GPU time where the driver can tell) over 30 frames.
TEST_F(SceneFrames, CostPerFrame) {
    scenes1::GpuTimer gpu;
    auto measure = [&gpu](const char* name, auto draw) {
        std::vector<double> cpu, gpuTimes;
        for (int frame = 0; frame < 30; ++frame) {
            Stage::get().capture([&](GLuint fb) {
                glFinish();
                if (gpu.isAvailable())
                    gpu.start();
                auto start = std::chrono::steady_clock::now();
                draw(fb, 10.0 + frame / 30.0);
                auto end = std::chrono::steady_clock::now();
                if (gpu.isAvailable())
                    gpuTimes.push_back(gpu.stop());
                cpu.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            });
        }
        std::sort(cpu.begin(), cpu.end());
        std::sort(gpuTimes.begin(), gpuTimes.end());
        double cpuMedian = cpu[cpu.size() / 2];
        double gpuMedian = gpuTimes.empty() ? -1.0 : gpuTimes[gpuTimes.size() / 2];
        std::printf("%-12s CPU %.2f ms, GPU %.2f ms (medians of 30 frames at 1280x720)\n", name,
                    cpuMedian, gpuMedian);
        ::testing::Test::RecordProperty(std::string(name) + "CpuMs", std::to_string(cpuMedian));
        return cpuMedian;
    };
    double arch = measure("Architecture", [](GLuint fb, double t) {
        architecture->render(fb, t, archView, Stage::projection());
    });
    double colonMs = measure(
        "Colon", [](GLuint fb, double t) { colon->render(fb, t, colonView, Stage::projection()); });
    double sprites = measure("Particles", [](GLuint fb, double t) {
        particles->render(fb, t, particleView, Stage::projection());
    });
    // Generous bounds (sanitizer builds included): a frame must stay interactive.
    EXPECT_LT(arch, 400.0);
    EXPECT_LT(colonMs, 400.0);
    EXPECT_LT(sprites, 400.0);
}
