// One compiled GLSL stage, read from a file and optionally prefixed by a common file.
#pragma once

#include "Extensions.h"
#include "kem/String.h"

class Shader {
public:
    Shader(const Kem::String& path, GLenum type);
    // The common file's text comes first, joined to the stage file with nothing between.
    Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    GLuint getId() const { return id; }
    GLenum getType() const { return type; }
    // The stage's own file, for messages.
    const Kem::String& getPath() const { return path; }

private:
    Kem::String path;
    GLuint id = 0;
    GLenum type = 0;
};
