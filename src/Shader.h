// One compiled GLSL stage, read from a file and optionally prefixed by a common file.
#pragma once

#include "Extensions.h"
#include "Reloadable.h"
#include "kem/String.h"

#include <string>

class Shader final : public Reloadable {
public:
    Shader(const Kem::String& path, GLenum type);
    // The common file's text comes first, joined to the stage file with nothing between.
    Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type);
    // The stage file with lines (such as "#define X\n") put in after its #version line: variants
    // of one source without a copy of it.
    Shader(const Kem::String& path, GLenum type, const char* defines);
    // Both: the common file, then the defines after its #version line, then the stage file.
    Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type,
           const char* defines);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    GLuint getId() const { return id; }
    GLenum getType() const { return type; }
    // The stage's own file, for messages.
    const Kem::String& getPath() const { return path; }

    bool readsFile(const std::string& file) const override;
    // Compiles the files again; on failure the stage keeps its old compiled code.
    void rebuild() override;

private:
    // The source as the files hold it now, with the defines in place.
    Kem::String readSource() const;

    GLuint id = 0;
    GLenum type = 0;
    Kem::String commonPath;
    Kem::String path;
    std::string defines;
};
