// The director tests' scaffolding: context, staging folder, track and image files, read-back.
#include "Stage.h"

#include "Sync.h"
#include "platform/HeadlessGL.h"
#include "platform/sound/SoundControl.h"

#include <stb/stb_image_write.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace stage {

namespace {

const char* const cardFiles[] = {"morvelin.png", "w0lvar.png", "pim00dle.png", "vexaroon.png",
                                 "brisko.png",   "g.png",      "o.png",        "end.png"};

// A 64 x 36 card, transparent but for an opaque magenta stripe over its two middle columns, so
// its placement can be read off the frame.
void writeMarkerCard(const std::string& path) {
    const int width = 64, height = 36;
    std::vector<Rgba> pixels(width * height, Rgba{0, 0, 0, 0});
    for (int y = 0; y < height; ++y) {
        pixels[y * width + 31] = Rgba{255, 0, 255, 255};
        pixels[y * width + 32] = Rgba{255, 0, 255, 255};
    }
    writePng(path, width, height, pixels);
}

void writeTrackIn(const std::string& folder, const std::string& name,
                  const std::vector<Key>& keys) {
    std::ofstream file(folder + "_" + name + ".track", std::ios::binary);
    std::int32_t count = static_cast<std::int32_t>(keys.size());
    file.write(reinterpret_cast<const char*>(&count), 4);
    for (const Key& key : keys) {
        std::int32_t row = key.row;
        file.write(reinterpret_cast<const char*>(&row), 4);
        file.write(reinterpret_cast<const char*>(&key.value), 4);
        file.write(reinterpret_cast<const char*>(&key.interpolation), 1);
    }
}

void writeTimeline(const std::string& folder);

struct Folder {
    fs::path path;
    std::string trackDirectory;

    Folder() {
        char pattern[] = "/tmp/oxdirXXXXXX";
        path = mkdtemp(pattern);
        fs::create_directories(path / "Data");
        fs::create_directories(path / "tracks");
        // Everything the show loads, except the cards, which the tests draw their own.
        for (const auto& entry : fs::directory_iterator(fs::path(OXBRINE_RUN_DIR) / "Data"))
            fs::create_symlink(entry.path(), path / "Data" / entry.path().filename());
        for (const char* card : cardFiles) {
            fs::remove(path / "Data" / card);
            writeMarkerCard((path / "Data" / card).string());
        }
        if (!fs::exists(path / "Data" / "bokehfuckyou.jpg"))
            stbi_write_jpg((path / "Data" / "bokehfuckyou.jpg").c_str(), 1, 1, 3, "\x40\x40\x40",
                           90);
        if (chdir(path.c_str()) != 0)
            std::abort();

        // The clock moves only when a test sets it, and tracks come from the test's own files.
        SoundControl::setNonRealTime(true);
        SoundControl::setNonRealTimePosition(0);
        trackDirectory = (path / "tracks").string() + "/";
        Sync::setTrackDirectory(trackDirectory.c_str());
        writeTimeline(trackDirectory);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

Folder& theFolder() {
    static Folder folder;
    return folder;
}

class ContextEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        context = std::make_unique<platform::HeadlessGL>();
        Extensions::load();
        theFolder();
    }
    // Gone before static destructors run, as a window's context is at the end of the show.
    void TearDown() override { context.reset(); }

private:
    std::unique_ptr<platform::HeadlessGL> context;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);

// One timeline for every test of the program, in spans of 100 rows (about 5.57 s), each key
// held until the next:
//   rows   0-99: "Part" 2.9, the g and o cards at -0.5 and 0.5, grading and bloom dry only
//   rows 100-199: "Part" -0.5
//   rows 200-299: "Part" 6, which selects nothing
//   rows 300-:    "Part" 0 to the end
void writeTimeline(const std::string& folder) {
    writeTrackIn(folder, "Part", {{0, 2.9f, 0}, {100, -0.5f, 0}, {200, 6.0f, 0}, {300, 0.0f, 0}});
    writeTrackIn(folder, "Camera FOV", {{0, 60.0f, 0}});
    writeTrackIn(folder, "Go Fade", {{0, 1.0f, 0}});
    writeTrackIn(folder, "G Offset", {{0, -0.5f, 0}});
    writeTrackIn(folder, "O Offset", {{0, 0.5f, 0}});
    writeTrackIn(folder, "Perkproc Mix", {{0, 0.0f, 0}});
    writeTrackIn(folder, "Bloom Dry", {{0, 1.0f, 0}});
    writeTrackIn(folder, "Bloom Wet", {{0, 0.0f, 0}});
}

} // namespace

void enter() { theFolder(); }

std::string folder() { return theFolder().path.string() + "/"; }

std::string trackFolder() { return theFolder().trackDirectory; }

void writeTrack(const std::string& name, const std::vector<Key>& keys) {
    writeTrackIn(trackFolder(), name, keys);
}

void writePng(const std::string& path, int width, int height, const std::vector<Rgba>& pixels) {
    ASSERT_NE(stbi_write_png(path.c_str(), width, height, 4, pixels.data(), width * 4), 0);
}

Canvas::Canvas(int width, int height) : width(width), height(height) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
}

Canvas::~Canvas() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
}

void Canvas::bind() {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
}

void Canvas::fill(float r, float g, float b, float a) {
    bind();
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
}

std::vector<Rgba> Canvas::read() { return readFramebuffer(framebuffer, width, height); }

std::vector<Rgba> readFramebuffer(GLuint framebuffer, int width, int height) {
    std::vector<Rgba> pixels(static_cast<size_t>(width) * height);
    GLint previous = getInteger(GL_FRAMEBUFFER_BINDING);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, previous);
    return pixels;
}

GLint getInteger(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

} // namespace stage
