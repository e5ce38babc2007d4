// Shared by the director tests: one headless context for the whole program, a staging folder
// whose Data/ mirrors the runnable folder's (with test title cards), track files, and read-back.
#pragma once

#include "Extensions.h"
#include "kem/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stage {

struct Rgba {
    unsigned char r, g, b, a;
};

// Makes the context current and the working folder the staging folder (once per program).
void enter();
// The staging folder, ending in '/'.
std::string folder();
// A folder of track files under the staging folder, ending in '/'.
std::string trackFolder();

struct Key {
    int row;
    float value;
    unsigned char interpolation;
};
void writeTrack(const std::string& name, const std::vector<Key>& keys);
// RGBA, top row first.
void writePng(const std::string& path, int width, int height, const std::vector<Rgba>& pixels);

// An RGBA8 framebuffer of its own, standing in for the window's.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    GLuint getFramebuffer() const { return framebuffer; }
    void bind();
    void fill(float r, float g, float b, float a);
    // Bottom row first, as GL reads it.
    std::vector<Rgba> read();

private:
    GLuint framebuffer = 0;
    GLuint texture = 0;
    int width;
    int height;
};

// Bottom row first, as GL reads it.
std::vector<Rgba> readFramebuffer(GLuint framebuffer, int width, int height);
GLint getInteger(GLenum name);

inline std::string text(const Kem::String& s) { return s.getData() ? s.getData() : ""; }

template <typename Body> std::string messageThrownBy(Body body) {
    try {
        body();
    } catch (const Kem::Exception& e) {
        return text(e.getMessage());
    }
    return "(nothing thrown)";
}

} // namespace stage
