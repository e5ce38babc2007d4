// Shared by the GL resource tests: one headless context for the whole program, scratch files,
// and the few GL queries the engine itself never needs.
#pragma once

#include "Extensions.h"
#include "kem/Exception.h"
#include "platform/GLProc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gltest {

// A fresh folder under the system's temporary directory, removed when the program ends.
std::string scratchPath(const std::string& name);
void writeText(const std::string& path, const std::string& text);
// Writes a PNG of 1 (grey), 3 (RGB) or 4 (RGBA) components per pixel, top row first.
void writePng(const std::string& path, int width, int height, int components,
              const std::vector<unsigned char>& pixels);

template <typename Proc> Proc lookup(const char* name) {
    return reinterpret_cast<Proc>(platform::getGLProcAddress(name));
}

GLint getInteger(GLenum name);
// Level 0 of a 2D-like target as RGBA bytes.
std::vector<unsigned char> readTexture(GLenum bindTarget, GLuint id, GLenum imageTarget, int width,
                                       int height);

// The message of the Kem::Exception that body throws, with its file and line.
template <typename Body> Kem::Exception thrownBy(Body body) {
    try {
        body();
    } catch (const Kem::Exception& e) {
        return e;
    }
    ADD_FAILURE() << "no Kem::Exception was thrown";
    return Kem::Exception("", "", 0);
}

inline std::string text(const Kem::String& s) {
    return s.getData() ? s.getData() : "";
}

} // namespace gltest
