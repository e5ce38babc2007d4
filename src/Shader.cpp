// Compiles one GLSL stage from its file, with an optional common prefix file or defines.
#include "Shader.h"

#include "File.h"
#include "kem/Exception.h"

namespace {

// Before any file is read: a wrong stage is the caller's mistake, whatever the files hold.
void checkType(GLenum type) {
    if (type != GL_VERTEX_SHADER && type != GL_FRAGMENT_SHADER)
        throw Kem::Exception("Invalid shader type specified", "src/Shader", 26);
}

// A new shader object holding the compiled source; throws with the compiler's log.
GLuint compile(const Kem::String& path, const Kem::String& source, GLenum type) {
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
    : type(type), commonPath(commonPath), path(path) {
    checkType(type);
    id = compile(path, readSource(), type);
    Reloadables::add(this);
}

Shader::Shader(const Kem::String& path, GLenum type, const char* defines)
    : Shader(Kem::String(), path, type, defines) {}

Shader::Shader(const Kem::String& commonPath, const Kem::String& path, GLenum type,
               const char* defines)
    : type(type), commonPath(commonPath), path(path), defines(defines ? defines : "") {
    checkType(type);
    id = compile(path, readSource(), type);
    Reloadables::add(this);
}

Kem::String Shader::readSource() const {
    Kem::String source = File::readAll(path);
    if (commonPath.getLength() > 0)
        source = File::readAll(commonPath) + source;
    if (defines.empty())
        return source;
    std::string text = source.getData() ? source.getData() : "";
    // Nothing but comments may come before the #version line.
    size_t version = text.find("#version");
    size_t at = 0;
    if (version != std::string::npos) {
        size_t lineEnd = text.find('\n', version);
        if (lineEnd == std::string::npos)
            text += '\n';
        at = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    }
    text.insert(at, defines);
    return Kem::String(text.c_str());
}

Shader::~Shader() {
    Reloadables::remove(this);
    glDeleteShader(id);
}

bool Shader::readsFile(const std::string& file) const {
    return samePath(path, file) || samePath(commonPath, file);
}

void Shader::rebuild() {
    GLuint fresh = compile(path, readSource(), type);
    glDeleteShader(id);
    id = fresh;
}
