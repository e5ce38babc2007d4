// Headless stage for the scene tests: a GL context, a scratch copy of the runnable Data/ folder
// with track files that take fixed values per "setting", a clock that stands still, and
// 1280x720 frame capture.
#pragma once

#include "Extensions.h"
#include "RenderTarget.h"
#include "Sync.h"
#include "platform/GLProc.h"
#include "platform/HeadlessGL.h"
#include "support/StillAudio.h"

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
        folder =
            (fs::temp_directory_path() / ("oxbrine-scenes1-" + std::to_string(getpid()))).string();
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy(std::string(OXBRINE_RUN_DIR) + "/Data", folder + "/Data",
                 fs::copy_options::recursive);
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
