// The scene tests' stage: track files, the still clock, frame capture and comparison.
#include "SceneStage.h"

#include "LaunchOptions.h"
#include "RenderTarget.h"
#include "Sync.h"
#include "support/StillAudio.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace scenes3 {
namespace {

StillAudio audio;

// Track file: int32 key count, then per key int32 row, float value, uint8 interpolation (hold).
void writeTrack(const std::string& path, const std::vector<float>& values) {
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](const void* data, size_t size) {
        out.write(static_cast<const char*>(data), std::streamsize(size));
    };
    std::int32_t count = std::int32_t(values.size() + 1);
    put(&count, 4);
    for (size_t n = 0; n <= values.size(); ++n) {
        std::int32_t row = std::int32_t(n * 100);
        float value = n < values.size() ? values[n] : 0.0f; // the last key is Silent
        std::uint8_t hold = 0;
        put(&row, 4);
        put(&value, 4);
        put(&hold, 1);
    }
}

} // namespace

void writeTracks(const TrackTable& tracks) {
    char folderTemplate[] = "/tmp/oxbrine-scenes3-XXXXXX";
    const char* made = mkdtemp(folderTemplate);
    ASSERT_NE(made, nullptr);
    static std::string folder;
    folder = std::string(made) + "/";
    for (const auto& [name, values] : tracks) {
        ASSERT_EQ(values.size(), size_t(Silent / 100)) << name;
        writeTrack(folder + "_" + name + ".track", values);
    }
    Sync::setTrackDirectory(folder.c_str());
    Sync::setAudio(&audio, 1.0);
}

void setSetting(Setting setting) {
    audio.position = double(setting) + 0.5;
}

float Frame::luminance(int x, int y) const {
    const unsigned char* p = at(x, y);
    return (0.3f * p[0] + 0.55f * p[1] + 0.15f * p[2]) / 255.0f;
}

float Frame::meanLuminance(int y0, int y1) const {
    double sum = 0.0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x)
            sum += luminance(x, y);
    return float(sum / (double(y1 - y0) * width));
}

float Frame::meanChannel(int channel, int y0, int y1) const {
    double sum = 0.0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x)
            sum += at(x, y)[channel];
    return float(sum / (double(y1 - y0) * width * 255.0));
}

float changedShare(const Frame& a, const Frame& b, int y0, int y1) {
    long changed = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char* p = a.at(x, y);
            const unsigned char* q = b.at(x, y);
            int difference = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
            changed += difference > 6;
        }
    return float(changed) / float(long(y1 - y0) * a.width);
}

void selectResolution(int width, int height) {
    for (int row = 0; row < resolutionCount; ++row)
        if (resolutions[row].width == width && resolutions[row].height == height)
            getLaunchOptions().resolution = row;
    ASSERT_EQ(getRenderResolution().width, width);
    ASSERT_EQ(getRenderResolution().height, height);
}

Frame drawFrame(Effect& effect, int width, int height, double time, const glm::mat4& view,
                bool staleState) {
    RenderTarget output(width, height, true, 1, GL_RGBA8);
    output.bind();
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (staleState) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 16, 16);
    }
    glm::mat4 projection =
        glm::perspective(glm::radians(55.0f), float(width) / float(height), 1.0f, 1000.0f);
    effect.render(output.getFramebuffer(), time, view, projection);
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

void save(const Frame& frame, const std::string& name) {
    std::string folder = std::string(OXBRINE_RUN_DIR) + "/../scenes3-frames";
    std::filesystem::create_directories(folder);
    std::vector<unsigned char> opaque = frame.rgba;
    for (size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    stbi_flip_vertically_on_write(1);
    std::string path = folder + "/" + name + ".png";
    stbi_write_png(path.c_str(), frame.width, frame.height, 4, opaque.data(), frame.width * 4);
}

} // namespace scenes3
