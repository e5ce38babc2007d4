// The show rendered without a window or sound device: a headless context, the music clock in
// non-real-time mode, and the director drawing into a framebuffer of our own.
#pragma once

#include "Extensions.h"

#include <memory>
#include <string>
#include <vector>

class Demo;
namespace platform {
class HeadlessGL;
}

class OfflineShow {
public:
    // resolution indexes the resolution table; tracks is a folder or empty for Data/.
    OfflineShow(int resolution, const std::string& tracks);
    ~OfflineShow();
    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Draws the show at that music position; false past its end.
    bool render(long long milliseconds);
    // The last rendered image, RGBA, top row first.
    const std::vector<unsigned char>& readPixels();
    // The "Part" value the frame at that position reads.
    float partAt(long long milliseconds);
    Demo& getDemo() { return *demo; }
    GLuint getFramebuffer() const { return framebuffer; }

private:
    std::unique_ptr<platform::HeadlessGL> context;
    std::unique_ptr<Demo> demo;
    int width = 0;
    int height = 0;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    std::vector<unsigned char> pixels;
    std::vector<unsigned char> rowBuffer;
};
