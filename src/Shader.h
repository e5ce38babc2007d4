// One compiled GLSL stage, read from a file and optionally prefixed by a common file.
#pragma once

#include "Extensions.h"
#include "Reloadable.h"
#include "kem/String.h"

class Shader final : public Reloadable {
public:
    Shader(const Kem::String& path, GLenum type);
    // The common file's text comes first, joined to the stage file with nothing between.
    Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    GLuint getId() const { return id; }
    GLenum getType() const { return type; }

    bool readsFile(const std::string& file) const override;
    // Compiles the files again; on failure the stage keeps its old compiled code.
    void rebuild() override;

private:
    GLuint id = 0;
    GLenum type = 0;
    Kem::String commonPath;
    Kem::String path;
};
