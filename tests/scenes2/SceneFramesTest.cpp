// Whole frames of both scenes, drawn headless at the three output sizes: not empty, right way
// up, the same picture at every size and changed by their tracks. Frames are saved as PNGs.
#include "Garbitch.h"
#include "LaunchOptions.h"
#include "NoiseVolume.h"
#include "RenderTarget.h"
#include "SceneTracks.h"
#include "Sphurrs.h"
#include "platform/HeadlessGL.h"

#include <EGL/egl.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba; // bottom row first, as read back

    const unsigned char* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    float luminance(int x, int y) const {
        const unsigned char* p = at(x, y);
        return (0.3f * p[0] + 0.55f * p[1] + 0.15f * p[2]) / 255.0f;
    }
    float meanLuminance(int y0, int y1) const {
        double sum = 0.0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < width; ++x)
                sum += luminance(x, y);
        return float(sum / (double(y1 - y0) * width));
    }
    // Share of pixels in rows y0..y1 bright enough to be a line rather than background.
    float brightShare(int y0, int y1) const {
        long bright = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < width; ++x)
                bright += luminance(x, y) > 0.25f;
        return float(bright) / float(long(y1 - y0) * width);
    }
};

// Share of pixels (within rows y0..y1) whose colour differs from the other frame's.
float changedShare(const Frame& a, const Frame& b, int y0, int y1) {
    long changed = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char* p = a.at(x, y);
            const unsigned char* q = b.at(x, y);
            int difference = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
            changed += difference > 12;
        }
    return float(changed) / float(long(y1 - y0) * a.width);
}

std::string frameFolder() {
    std::string folder = std::string(OXBRINE_RUN_DIR) + "/../scenes2-frames";
    std::filesystem::create_directories(folder);
    return folder;
}

void save(const Frame& frame, const std::string& name) {
    std::string path = frameFolder() + "/" + name + ".png";
    // Alpha is whatever the scene left; the window never shows it.
    std::vector<unsigned char> opaque = frame.rgba;
    for (size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    stbi_flip_vertically_on_write(1);
    stbi_write_png(path.c_str(), frame.width, frame.height, 4, opaque.data(), frame.width * 4);
}

// A vertical-cross stand-in for the environment image while the real one is not built.
class StandInSky {
public:
    StandInSky() {
        if (std::filesystem::exists(path))
            return;
        const int cell = 128, w = cell * 3, h = cell * 4;
        std::vector<unsigned char> rgb(size_t(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float v = float(y) / float(h);
                float stars = ((x * 7919 + y * 104729) % 211 == 0) ? 0.8f : 0.0f;
                unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = (unsigned char)(255 * std::min(1.0f, 0.05f + 0.3f * v * v + stars));
                p[1] = (unsigned char)(255 * std::min(1.0f, 0.12f + 0.25f * v + stars));
                p[2] = (unsigned char)(255 * std::min(1.0f, 0.3f + 0.2f * (1 - v) + stars));
            }
        stbi_write_jpg(path, w, h, 3, rgb.data(), 90);
        written = true;
    }
    ~StandInSky() {
        if (written)
            std::remove(path);
    }

private:
    const char* path = "Data/blurry.jpg";
    bool written = false;
};

class SceneFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scenes2::ensureTracks();
        gl = new platform::HeadlessGL();
        Extensions::load();
        sky = new StandInSky();
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
        glViewport(0, 0, 1280, 720);
        NoiseVolume::get();
    }
    static void TearDownTestSuite() {
        delete sky;
        sky = nullptr;
        // Gone before the static destructors run, as the window's context is at the end of the
        // show; the noise volume's later delete then reaches no context.
        delete gl;
        gl = nullptr;
    }

    static glm::mat4 projectionFor(int width, int height) {
        return glm::perspective(glm::radians(55.0f), float(width) / float(height), 1.0f, 1000.0f);
    }

    // Draws one frame into a fresh target of that size, as the director would, and reads it.
    static Frame draw(Effect& effect, int width, int height, double row, double time,
                      const glm::mat4& view) {
        RenderTarget output(width, height, true, 1, GL_RGBA8);
        scenes2::setRow(row);
        output.bind();
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        effect.render(output.getFramebuffer(), time, view, projectionFor(width, height));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        Frame frame;
        frame.width = width;
        frame.height = height;
        frame.rgba.resize(size_t(width) * height * 4);
        glBindFramebuffer(GL_FRAMEBUFFER, output.getFramebuffer());
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return frame;
    }

    static platform::HeadlessGL* gl;
    static StandInSky* sky;
};

platform::HeadlessGL* SceneFrames::gl = nullptr;
StandInSky* SceneFrames::sky = nullptr;

const int sizes[3][2] = {{1280, 720}, {1920, 1080}, {1024, 768}};

std::string sizeName(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

TEST_F(SceneFrames, SphurrsAtEverySize) {
    Sphurrs sphurrs;
    // Eye below the cloud's centre, looking level: the cloud fills the upper half.
    glm::mat4 view = glm::lookAt(glm::vec3(2.0f, -14.0f, 30.0f), glm::vec3(2.0f, -14.0f, 0.0f),
                                 glm::vec3(0.0f, 1.0f, 0.0f));
    std::vector<float> shares;
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        Frame empty = draw(sphurrs, w, h, scenes2::Empty + 0.5, 1.0, view);
        Frame calm = draw(sphurrs, w, h, scenes2::Calm + 0.5, 1.0, view);
        Frame hit = draw(sphurrs, w, h, scenes2::Hit + 0.5, 1.0, view);
        save(empty, "sphurrs-sky-" + sizeName(w, h));
        save(calm, "sphurrs-cloud-" + sizeName(w, h));
        save(hit, "sphurrs-hit-" + sizeName(w, h));

        // The sky is not black, and the spheres stand out from it.
        EXPECT_GT(empty.meanLuminance(0, h), 0.03f) << w;
        float upper = changedShare(calm, empty, h / 2, h);
        float lower = changedShare(calm, empty, 0, h / 2);
        EXPECT_GT(upper, 0.08f) << w;
        EXPECT_LT(lower, upper * 0.5f) << w;
        shares.push_back(upper);
        // The ripple and the beat change the picture.
        EXPECT_GT(changedShare(calm, hit, 0, h), 0.05f) << w;
    }
    // The fixed-size buffers are mapped onto the whole frame at every size.
    EXPECT_NEAR(shares[1], shares[0], 0.03f);
    EXPECT_NEAR(shares[2], shares[0], 0.08f);
}

TEST_F(SceneFrames, SphurrsKeptLayoutsHoldStill) {
    Sphurrs sphurrs;
    glm::mat4 view =
        glm::lookAt(glm::vec3(0.0f, 2.0f, -16.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    Frame tree = draw(sphurrs, 1280, 720, scenes2::Lively + 0.5, 4.0, view);
    save(tree, "sphurrs-tree-1280x720");
    Frame bare = draw(sphurrs, 1280, 720, scenes2::Empty + 0.5, 4.0, view);
    EXPECT_GT(changedShare(tree, bare, 0, 720), 0.12f);
    // Kept frames: the layout stays, the beat is not piled up, so repeats are identical.
    Frame keptOnce = draw(sphurrs, 1280, 720, scenes2::Keep + 0.5, 9.0, view);
    Frame keptAgain = draw(sphurrs, 1280, 720, scenes2::Keep + 0.5, 9.5, view);
    EXPECT_EQ(changedShare(keptOnce, keptAgain, 0, 720), 0.0f);
    Frame tree2 = draw(sphurrs, 1280, 720, scenes2::Lively + 0.5, 4.0, view);
    EXPECT_EQ(changedShare(keptOnce, tree2, 0, 720), 0.0f);
}

TEST_F(SceneFrames, GarbitchAtEverySize) {
    // Eye below the tunnel's axis: the shapes crowd the upper half.
    glm::mat4 level = glm::lookAt(glm::vec3(0.0f, -40.0f, 0.0f), glm::vec3(0.0f, -40.0f, -1.0f),
                                  glm::vec3(0.0f, 1.0f, 0.0f));
    glm::mat4 inside = glm::lookAt(glm::vec3(0.0f, 0.0f, 0.0f), glm::vec3(0.0f, 0.0f, -1.0f),
                                   glm::vec3(0.0f, 1.0f, 0.0f));
    std::vector<float> means;
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        for (int row = 0; row < resolutionCount; ++row)
            if (resolutions[row].width == w && resolutions[row].height == h)
                getLaunchOptions().resolution = row;
        Garbitch garbitch;
        Frame calm = draw(garbitch, w, h, scenes2::Calm + 0.5, 30.0, inside);
        Frame lively = draw(garbitch, w, h, scenes2::Lively + 0.5, 30.0, inside);
        Frame below = draw(garbitch, w, h, scenes2::Calm + 0.5, 30.0, level);
        Frame gone = draw(garbitch, w, h, scenes2::Hit + 0.5, 30.0, inside);
        save(calm, "garbitch-calm-" + sizeName(w, h));
        save(lively, "garbitch-lively-" + sizeName(w, h));
        save(below, "garbitch-below-" + sizeName(w, h));

        EXPECT_GT(calm.meanLuminance(0, h), 0.04f) << w;
        EXPECT_GT(changedShare(calm, lively, 0, h), 0.2f) << w;
        EXPECT_GT(below.brightShare(h / 2, h), 0.02f) << w;
        EXPECT_LT(below.brightShare(0, h / 2), below.brightShare(h / 2, h) * 0.1f) << w;
        // Every slot faded out: only the faint background glow is left.
        EXPECT_LT(gone.meanLuminance(0, h), calm.meanLuminance(0, h) * 0.5f) << w;
        means.push_back(calm.meanLuminance(0, h));
    }
    getLaunchOptions().resolution = 1;
    EXPECT_NEAR(means[1], means[0], means[0] * 0.25f);
    EXPECT_NEAR(means[2], means[0], means[0] * 0.3f);
}

// Timing, on request (OXBRINE_SCENES2_TIMING=1): median CPU and GPU time of a frame at 1280x720.
using TimeElapsedQuery = void (*)(GLsizei, GLuint*);
using QueryControl = void (*)(GLenum, GLuint);
using EndQuery = void (*)(GLenum);
using QueryResult = void (*)(GLuint, GLenum, GLuint64*);

void timeFrames(const char* name, Effect& effect, double row, double time, const glm::mat4& view) {
    auto genQueries = reinterpret_cast<TimeElapsedQuery>(eglGetProcAddress("glGenQueries"));
    auto beginQuery = reinterpret_cast<QueryControl>(eglGetProcAddress("glBeginQuery"));
    auto endQuery = reinterpret_cast<EndQuery>(eglGetProcAddress("glEndQuery"));
    auto result = reinterpret_cast<QueryResult>(eglGetProcAddress("glGetQueryObjectui64v"));
    ASSERT_TRUE(genQueries && beginQuery && endQuery && result);
    RenderTarget output(1280, 720, true, 1, GL_RGBA8);
    scenes2::setRow(row);
    std::vector<double> cpu, gpu;
    GLuint query = 0;
    genQueries(1, &query);
    for (int i = 0; i < 7; ++i) {
        output.bind();
        glViewport(0, 0, 1280, 720);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        auto start = std::chrono::steady_clock::now();
        beginQuery(GL_TIME_ELAPSED, query);
        effect.render(output.getFramebuffer(), time, view,
                      glm::perspective(glm::radians(55.0f), 1280.0f / 720.0f, 1.0f, 1000.0f));
        endQuery(GL_TIME_ELAPSED);
        auto submitted = std::chrono::steady_clock::now();
        GLuint64 nanoseconds = 0;
        result(query, GL_QUERY_RESULT, &nanoseconds);
        cpu.push_back(std::chrono::duration<double, std::milli>(submitted - start).count());
        gpu.push_back(double(nanoseconds) / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(gpu.begin(), gpu.end());
    std::printf("[timing] %s: CPU %.2f ms, GPU %.2f ms (median of 7)\n", name, cpu[3], gpu[3]);
}

// The sphere vertex stages with their bounds taken out, every sphere a full-screen rectangle:
// the cost the bounds save. Runs from a scratch copy of Data/.
std::string unboundedDataFolder() {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / "oxbrine-scenes2-unbounded";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy(fs::current_path() / "Data", folder / "Data");
    for (const char* name : {"Sphurr.vert", "SphurrOcclusion.vert"}) {
        fs::path path = folder / "Data" / name;
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        size_t at = text.find("    gl_Position = vec4(ndc");
        if (std::string(name) == "Sphurr.vert")
            at = text.find("    vec3 viewRay");
        EXPECT_NE(at, std::string::npos) << name;
        text.insert(at, "    ndc = gl_Vertex.xy;\n");
        std::ofstream(path) << text;
    }
    return folder.string();
}

TEST_F(SceneFrames, TimingSphurrs) {
    if (!std::getenv("OXBRINE_SCENES2_TIMING"))
        GTEST_SKIP() << "set OXBRINE_SCENES2_TIMING=1 to measure";
    glm::mat4 view =
        glm::lookAt(glm::vec3(4.0f, -3.0f, 40.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    {
        Sphurrs sphurrs;
        timeFrames("Sphurrs cloud", sphurrs, scenes2::Calm + 0.5, 1.0, view);
        timeFrames("Sphurrs tree", sphurrs, scenes2::Lively + 0.5, 1.0, view);
    }
    {
        std::filesystem::path here = std::filesystem::current_path();
        std::filesystem::current_path(unboundedDataFolder());
        Sphurrs unbounded;
        std::filesystem::current_path(here);
        timeFrames("Sphurrs cloud, full-screen spheres", unbounded, scenes2::Calm + 0.5, 1.0, view);
        timeFrames("Sphurrs tree, full-screen spheres", unbounded, scenes2::Lively + 0.5, 1.0,
                   view);
    }
    {
        Sphurrs sphurrs;
        timeFrames("Sphurrs cloud again", sphurrs, scenes2::Calm + 0.5, 1.0, view);
    }
}

TEST_F(SceneFrames, TimingGarbitch) {
    if (!std::getenv("OXBRINE_SCENES2_TIMING"))
        GTEST_SKIP() << "set OXBRINE_SCENES2_TIMING=1 to measure";
    getLaunchOptions().resolution = 1;
    Garbitch garbitch;
    timeFrames("Garbitch", garbitch, scenes2::Calm + 0.5, 30.0, glm::mat4(1.0f));
    timeFrames("Garbitch faded out", garbitch, scenes2::Hit + 0.5, 30.0, glm::mat4(1.0f));
}

} // namespace
