// Compiles one GLSL stage from its file, with an optional common prefix file.
#include "Shader.h"

#include "File.h"
#include "kem/Exception.h"

#include <cstring>

namespace {

// A new shader object holding the compiled files; throws with the compiler's log.
GLuint compile(const Kem::String& commonPath, const Kem::String& path, GLenum type) {
    Kem::String source = File::readAll(path);
    if (commonPath.getLength() > 0)
        source = File::readAll(commonPath) + source;

    GLuint id = glCreateShader(type);
    const GLchar* text = source.getData() ? source.getData() : "";
    glShaderSource(id, 1, &text, nullptr);
    glCompileShader(id);

    GLint status = 0;
    glGetShaderiv(id, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        char log[4096] = {};
        glGetShaderInfoLog(id, sizeof log, nullptr, log);
        log[sizeof log - 1] = '\0';
        glDeleteShader(id);
        throw Kem::Exception(path + " - shader compile failed:\n" + log, "src/Shader", 43);
    }
    return id;
}

bool samePath(const Kem::String& path, const std::string& file) {
    return path.getLength() > 0 && path.getData() && file == path.getData();
}

} // namespace

Shader::Shader(const Kem::String& path, GLenum type) : Shader(Kem::String(), path, type) {}

Shader::Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type)
    : commonPath(commonPath), path(path) {
    if (type != GL_VERTEX_SHADER && type != GL_FRAGMENT_SHADER)
        throw Kem::Exception("Invalid shader type specified", "src/Shader", 26);
    this->type = type;
    id = compile(commonPath, path, type);
    Reloadables::add(this);
}

Shader::~Shader() {
    Reloadables::remove(this);
    glDeleteShader(id);
}

bool Shader::readsFile(const std::string& file) const {
    return samePath(path, file) || samePath(commonPath, file);
}

void Shader::rebuild() {
    GLuint fresh = compile(commonPath, path, type);
    glDeleteShader(id);
    id = fresh;
}
