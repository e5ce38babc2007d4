// Headless stage for the scene tests: a GL context, a scratch copy of the runnable Data/ folder
// (with stand-in images where the real ones are not built yet), track files that take fixed
// values per "setting", a clock that stands still, and 1280x720 frame capture.
#pragma once

#include "Audio.h"
#include "Extensions.h"
#include "RenderTarget.h"
#include "Sync.h"
#include "platform/GLProc.h"
#include "platform/HeadlessGL.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace scenes1 {

constexpr int frameWidth = 1280;
constexpr int frameHeight = 720;
constexpr double rowsPerSecond = 17.946666666666665;

// A music clock stopped at a chosen position.
class StillAudio : public Audio {
public:
    void update() override {}
    void pause() override {}
    void play() override {}
    void stop() override {}
    bool isLoaded() override { return true; }
    bool isPlaying() override { return true; }
    double getPosition() override { return position; }
    void setPosition(double seconds) override { position = seconds; }

private:
    double position = 0.0;
};

// Track file: int32 key count, then per key int32 row, float value, uint8 interpolation.
inline void writeTrack(const std::string& path, const std::vector<float>& values) {
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](const void* data, size_t size) {
        out.write(static_cast<const char*>(data), std::streamsize(size));
    };
    std::int32_t count = std::int32_t(values.size());
    put(&count, 4);
    for (size_t n = 0; n < values.size(); ++n) {
        std::int32_t row = std::int32_t(n * 1000);
        std::uint8_t hold = 0;
        put(&row, 4);
        put(&values[n], 4);
        put(&hold, 1);
    }
}

// Value noise in 0 ... 1 that tiles over `period` cells.
inline float tiledNoise(float x, float y, int period, unsigned seed) {
    auto lattice = [period, seed](int i, int j) {
        unsigned h = unsigned((i % period + period) % period) * 73856093u ^
                     unsigned((j % period + period) % period) * 19349663u ^ seed * 83492791u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
    };
    int i = int(std::floor(x)), j = int(std::floor(y));
    float fx = x - float(i), fy = y - float(j);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = lattice(i, j) + (lattice(i + 1, j) - lattice(i, j)) * fx;
    float b = lattice(i, j + 1) + (lattice(i + 1, j + 1) - lattice(i, j + 1)) * fx;
    return a + (b - a) * fy;
}

inline float fbm(float x, float y, int period, unsigned seed) {
    float sum = 0.0f, amplitude = 0.5f;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * tiledNoise(x, y, period, seed + unsigned(octave));
        x *= 2.0f, y *= 2.0f, period *= 2, amplitude *= 0.5f;
    }
    return sum;
}

// Stand-ins for the generated images, written only where the real ones are missing.
inline void writeStandInImages(const std::string& data) {
    const int size = 256;
    std::vector<float> height(size * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            height[y * size + x] = fbm(x / 32.0f, y / 32.0f, 8, 11);
    if (!std::filesystem::exists(data + "/rock.png")) {
        std::vector<unsigned char> rgb(size * size * 3);
        for (int n = 0; n < size * size; ++n) {
            float h = height[n];
            rgb[n * 3 + 0] = (unsigned char)(std::min(255.0f, 60 + 150 * h));
            rgb[n * 3 + 1] = (unsigned char)(std::min(255.0f, 58 + 140 * h));
            rgb[n * 3 + 2] = (unsigned char)(std::min(255.0f, 62 + 130 * h));
        }
        stbi_write_png((data + "/rock.png").c_str(), size, size, 3, rgb.data(), size * 3);
    }
    if (!std::filesystem::exists(data + "/rockn.png")) {
        std::vector<unsigned char> rgb(size * size * 3);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                auto h = [&](int u, int v) { return height[((v + size) % size) * size + (u + size) % size]; };
                glm::vec3 n = glm::normalize(glm::vec3((h(x - 1, y) - h(x + 1, y)) * 6.0f,
                                                       (h(x, y - 1) - h(x, y + 1)) * 6.0f, 1.0f));
                for (int c = 0; c < 3; ++c)
                    rgb[(y * size + x) * 3 + c] = (unsigned char)((n[c] * 0.5f + 0.5f) * 255.0f);
            }
        stbi_write_png((data + "/rockn.png").c_str(), size, size, 3, rgb.data(), size * 3);
    }
    if (!std::filesystem::exists(data + "/colonskybox.jpg")) {
        const int w = 1024, h = 768;
        std::vector<unsigned char> rgb(w * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float cloud = fbm(x / 64.0f, y / 64.0f, 16, 5);
                float star = tiledNoise(x * 1.0f, y * 1.0f, 1 << 20, 9) > 0.995f ? 1.0f : 0.0f;
                float v = cloud * cloud * 0.8f + star;
                unsigned char* p = &rgb[(y * w + x) * 3];
                p[0] = (unsigned char)(std::min(255.0f, 255 * v * 0.7f));
                p[1] = (unsigned char)(std::min(255.0f, 255 * v * 0.9f));
                p[2] = (unsigned char)(std::min(255.0f, 255 * v));
            }
        stbi_write_jpg((data + "/colonskybox.jpg").c_str(), w, h, 3, rgb.data(), 90);
    }
}

// One frame's pixels, bottom row first as GL returns them.
struct Frame {
    std::vector<unsigned char> rgba;

    int litPixels(int threshold = 8) const {
        int lit = 0;
        for (size_t n = 0; n < rgba.size(); n += 4)
            lit += std::max({rgba[n], rgba[n + 1], rgba[n + 2]}) > threshold;
        return lit;
    }
    double meanLevel() const {
        double sum = 0.0;
        for (size_t n = 0; n < rgba.size(); n += 4)
            sum += rgba[n] + rgba[n + 1] + rgba[n + 2];
        return sum / (3.0 * frameWidth * frameHeight);
    }
    // Mean over a window given in GL window coordinates (origin bottom left).
    double meanLevel(int x0, int y0, int x1, int y1) const {
        double sum = 0.0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = &rgba[(size_t(y) * frameWidth + x) * 4];
                sum += p[0] + p[1] + p[2];
            }
        return sum / (3.0 * (x1 - x0) * (y1 - y0));
    }
    // Fraction of pixels whose largest channel difference exceeds threshold.
    double differenceFrom(const Frame& other, int threshold = 6) const {
        int differing = 0;
        for (size_t n = 0; n < rgba.size(); n += 4)
            for (int c = 0; c < 3; ++c)
                if (std::abs(int(rgba[n + c]) - int(other.rgba[n + c])) > threshold) {
                    ++differing;
                    break;
                }
        return double(differing) / (frameWidth * frameHeight);
    }
    void save(const std::string& name) const {
        std::string folder = std::string(OXBRINE_RUN_DIR) + "/frames/scenes1";
        std::filesystem::create_directories(folder);
        std::vector<unsigned char> flipped(rgba.size());
        size_t row = size_t(frameWidth) * 4;
        for (int y = 0; y < frameHeight; ++y)
            std::copy(rgba.begin() + y * row, rgba.begin() + (y + 1) * row,
                      flipped.begin() + (frameHeight - 1 - y) * row);
        for (size_t n = 3; n < flipped.size(); n += 4)
            flipped[n] = 255;
        stbi_write_png((folder + "/" + name + ".png").c_str(), frameWidth, frameHeight, 4,
                       flipped.data(), int(row));
    }
};

// The process-wide stage: built once, before any scene reads a track.
class Stage {
public:
    // Every track the three scenes read, one value per setting (settings 0, 1, 2).
    static const std::map<std::string, std::vector<float>>& tracks() {
        static const std::map<std::string, std::vector<float>> table = {
            {"Arch Slab Fade", {1.0f, 0.5f, 0.0f}},
            {"Arch Ball Motion", {1.0f, 0.35f, 0.0f}},
            {"Arch Balls", {1.0f, 2.0f, 0.0f}},
            {"Arch Balls Flicker", {0.0f, 1.0f, -1.0f}},
            {"Colon Skybox Color", {0.0f, 1.0f, 2.0f}},
            {"Colon Skybox Intensity", {1.5f, 1.5f, 0.0f}},
            {"Colon Fade", {0.3f, 0.6f, -2.0f}},
            {"Colon Separation", {40.0f, 80.0f, 0.0f}},
            {"Colon Cyl Fade", {1.0f, 1.0f, 0.0f}},
            {"Colon Cyl Time", {12.0f, 25.0f, 0.0f}},
            {"Colon Ball Fade", {0.6f, 0.35f, 0.0f}},
            {"Colon Ball Red", {0.1f, 0.4f, 0.0f}},
            {"Colon Floater Transform", {1.0f, 0.0f, 0.0f}},
            {"Colon Floater Flash", {0.0f, 1.0f, 0.0f}},
        };
        return table;
    }

    static Stage& get() {
        static Stage stage;
        return stage;
    }

    // Moves the still clock so every track reads its value for this setting.
    void useSetting(int setting) { audio.setPosition((setting * 1000 + 0.5) / rowsPerSecond); }

    // Clears the target, lets draw fill it, and reads it back.
    template <typename Draw> Frame capture(Draw draw) {
        target->bind();
        glViewport(0, 0, frameWidth, frameHeight);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw(target->getFramebuffer());
        Frame frame;
        frame.rgba.resize(size_t(frameWidth) * frameHeight * 4);
        target->bind();
        glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
        return frame;
    }

    static glm::mat4 projection(float fovDegrees = 60.0f) {
        return glm::perspective(glm::radians(fovDegrees), 16.0f / 9.0f, 1.0f, 1000.0f);
    }

private:
    Stage() {
        namespace fs = std::filesystem;
        folder = (fs::temp_directory_path() / ("oxbrine-scenes1-" + std::to_string(getpid())))
                     .string();
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy(std::string(OXBRINE_RUN_DIR) + "/Data", folder + "/Data",
                 fs::copy_options::recursive);
        writeStandInImages(folder + "/Data");
        for (const auto& [name, values] : tracks())
            writeTrack(folder + "/Data/_" + name + ".track", values);
        fs::current_path(folder);

        context = std::make_unique<platform::HeadlessGL>();
        Extensions::load();
        Sync::setTrackDirectory((folder + "/Data/").c_str());
        Sync::setAudio(&audio, rowsPerSecond);
        useSetting(0);
        target = std::make_unique<RenderTarget>(frameWidth, frameHeight, true, 1, GL_RGBA8);
    }
    ~Stage() {
        target.reset();
        context.reset();
        std::filesystem::current_path(OXBRINE_RUN_DIR);
        std::filesystem::remove_all(folder);
    }

    std::string folder;
    StillAudio audio;
    std::unique_ptr<platform::HeadlessGL> context;
    std::unique_ptr<RenderTarget> target;
};

// GL_TIME_ELAPSED through entry points the engine never loads itself.
class GpuTimer {
public:
    GpuTimer() {
        gen = lookup<PFNGLGENQUERIESPROC>("glGenQueries");
        del = lookup<PFNGLDELETEQUERIESPROC>("glDeleteQueries");
        begin = lookup<PFNGLBEGINQUERYPROC>("glBeginQuery");
        end = lookup<PFNGLENDQUERYPROC>("glEndQuery");
        result = lookup<PFNGLGETQUERYOBJECTUI64VPROC>("glGetQueryObjectui64v");
        if (gen && del && begin && end && result)
            gen(1, &query);
    }
    ~GpuTimer() {
        if (query)
            del(1, &query);
    }
    bool isAvailable() const { return query != 0; }
    void start() { begin(GL_TIME_ELAPSED, query); }
    // Milliseconds of GPU time since start.
    double stop() {
        end(GL_TIME_ELAPSED);
        GLuint64 nanoseconds = 0;
        result(query, GL_QUERY_RESULT, &nanoseconds);
        return double(nanoseconds) / 1e6;
    }

private:
    template <typename Proc> static Proc lookup(const char* name) {
        return reinterpret_cast<Proc>(platform::getGLProcAddress(name));
    }
    PFNGLGENQUERIESPROC gen = nullptr;
    PFNGLDELETEQUERIESPROC del = nullptr;
    PFNGLBEGINQUERYPROC begin = nullptr;
    PFNGLENDQUERYPROC end = nullptr;
    PFNGLGETQUERYOBJECTUI64VPROC result = nullptr;
    GLuint query = 0;
};

} // namespace scenes1
