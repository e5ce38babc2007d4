// Compiles one GLSL stage from its file, with an optional common prefix file or defines.
#include "Shader.h"

#include "File.h"
#include "kem/Exception.h"

#include <string>

namespace {

// Before any file is read: a wrong stage is the caller's mistake, whatever the files hold.
void checkType(GLenum type) {
    if (type != GL_VERTEX_SHADER && type != GL_FRAGMENT_SHADER)
        throw Kem::Exception("Invalid shader type specified", "src/Shader", 26);
}

} // namespace

Shader::Shader(const Kem::String& path, GLenum type) : Shader(Kem::String(), path, type) {}

Shader::Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type) {
    checkType(type);
    Kem::String source = File::readAll(path);
    if (commonPath.getLength() > 0)
        source = File::readAll(commonPath) + source;
    compile(path, source, type);
}

Shader::Shader(const Kem::String& path, GLenum type, const char* defines) {
    checkType(type);
    Kem::String file = File::readAll(path);
    std::string text = file.getData() ? file.getData() : "";
    // Nothing but comments may come before the #version line.
    size_t version = text.find("#version");
    size_t at = 0;
    if (version != std::string::npos) {
        size_t lineEnd = text.find('\n', version);
        if (lineEnd == std::string::npos)
            text += '\n';
        at = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    }
    text.insert(at, defines ? defines : "");
    compile(path, Kem::String(text.c_str()), type);
}

void Shader::compile(const Kem::String& path, const Kem::String& source, GLenum type) {
    this->type = type;

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
