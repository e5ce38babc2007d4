// Links a vertex and a fragment stage; uniforms are looked up by name at every set.
#include "Program.h"

#include "kem/Exception.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

// A new program object linking the two stages; throws with the linker's log.
GLuint link(const Shader& vertex, const Shader& fragment) {
    GLuint id = glCreateProgram();
    glAttachShader(id, vertex.getId());
    glAttachShader(id, fragment.getId());
    glLinkProgram(id);

    GLint status = 0;
    glGetProgramiv(id, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        char log[4096] = {};
        glGetProgramInfoLog(id, sizeof log, nullptr, log);
        log[sizeof log - 1] = '\0';
        glDeleteProgram(id);
        throw Kem::Exception(Kem::String("Program link failed:\n") + log, "src/Program", 21,
                             Kem::String("linking \"") + vertex.getPath() + "\" with \"" +
                                 fragment.getPath() + "\"");
    }
    return id;
}

} // namespace

Program::Program(Shader* vertex, Shader* fragment) {
    if (!vertex || !fragment)
        throw Kem::Exception("Invalid vertex or fragment shader.", "src/Program", 6);
    this->vertex = vertex;
    this->fragment = fragment;
    id = link(*vertex, *fragment);
    Reloadables::add(this);
}

Program::~Program() {
    Reloadables::remove(this);
    glUseProgram(0);
    glDeleteProgram(id);
}

void Program::bind() {
    glUseProgram(id);
}

void Program::unbind() {
    glUseProgram(0);
}

void Program::setUniform1f(const char* name, float x) {
    glUniform1f(glGetUniformLocation(id, name), x);
}

void Program::setUniform2f(const char* name, float x, float y) {
    glUniform2f(glGetUniformLocation(id, name), x, y);
}

void Program::setUniform3f(const char* name, float x, float y, float z) {
    glUniform3f(glGetUniformLocation(id, name), x, y, z);
}

void Program::setUniform1i(const char* name, int x) {
    glUniform1i(glGetUniformLocation(id, name), x);
}

void Program::setUniformMatrix4(const char* name, const glm::mat4& matrix) {
    glUniformMatrix4fv(glGetUniformLocation(id, name), 1, GL_FALSE, glm::value_ptr(matrix));
}

bool Program::readsFile(const std::string& file) const {
    return vertex->readsFile(file) || fragment->readsFile(file);
}

void Program::rebuild() {
    GLuint fresh = link(*vertex, *fragment);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glDeleteProgram(id);
    if (GLuint(current) == id)
        glUseProgram(fresh);
    id = fresh;
}
