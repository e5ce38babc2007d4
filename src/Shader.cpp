// Compiles one GLSL stage from its file, with an optional common prefix file.
#include "Shader.h"

#include "File.h"
#include "kem/Exception.h"

Shader::Shader(const Kem::String& path, GLenum type) : Shader(Kem::String(), path, type) {}

Shader::Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type) {
    if (type != GL_VERTEX_SHADER && type != GL_FRAGMENT_SHADER)
        throw Kem::Exception("Invalid shader type specified", "src/Shader", 26);
    this->type = type;
    this->path = path;

    Kem::String source = File::readAll(path);
    if (commonPath.getLength() > 0)
        source = File::readAll(commonPath) + source;

    id = glCreateShader(type);
    const GLchar* text = source.getData() ? source.getData() : "";
    glShaderSource(id, 1, &text, nullptr);
    glCompileShader(id);

    GLint status = 0;
    glGetShaderiv(id, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        char log[4096] = {};
        glGetShaderInfoLog(id, sizeof log, nullptr, log);
        log[sizeof log - 1] = '\0';
        // The destructor will not run for a half-built object.
        glDeleteShader(id);
        throw Kem::Exception(path + " - shader compile failed:\n" + log, "src/Shader", 43);
    }
}

Shader::~Shader() {
    glDeleteShader(id);
}
