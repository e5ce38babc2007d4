// One compiled GLSL stage, read from a file and optionally prefixed by a common file.
#pragma once

#include "Extensions.h"
#include "kem/String.h"

class Shader {
public:
    Shader(const Kem::String& path, GLenum type);
    // The common file's text comes first, joined to the stage file with nothing between.
    Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type);
    // The stage file with lines (such as "#define X\n") put in after its #version line: variants
    // of one source without a copy of it.
    Shader(const Kem::String& path, GLenum type, const char* defines);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    GLuint getId() const { return id; }
    GLenum getType() const { return type; }

private:
    void compile(const Kem::String& path, const Kem::String& source, GLenum type);

    GLuint id = 0;
    GLenum type = 0;
};
