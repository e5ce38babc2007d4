// One headless context shared by every GL test, plus scratch files and read-back helpers.
#include "GLTest.h"

#include "platform/HeadlessGL.h"

#include <stb/stb_image_write.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace gltest {

namespace {

class ContextEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        context = std::make_unique<platform::HeadlessGL>();
        Extensions::load();
    }
    // Gone before static destructors run, as a window's context is at the end of the show.
    void TearDown() override { context.reset(); }

private:
    std::unique_ptr<platform::HeadlessGL> context;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);

struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        path =
            std::filesystem::temp_directory_path() / ("oxbrine-gl-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

std::string scratchPath(const std::string& name) {
    static ScratchFolder folder;
    return (folder.path / name).string();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void writePng(const std::string& path, int width, int height, int components,
              const std::vector<unsigned char>& pixels) {
    ASSERT_NE(
        stbi_write_png(path.c_str(), width, height, components, pixels.data(), width * components),
        0);
}

GLint getInteger(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

std::vector<unsigned char> readTexture(GLenum bindTarget, GLuint id, GLenum imageTarget, int width,
                                       int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glBindTexture(bindTarget, id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(imageTarget, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(bindTarget, 0);
    return pixels;
}

} // namespace gltest
