// Links a vertex and a fragment stage; uniforms are looked up by name at every set.
#include "Program.h"

#include "kem/Exception.h"

#include <glm/gtc/type_ptr.hpp>

Program::Program(Shader* vertex, Shader* fragment) {
    if (!vertex || !fragment)
        throw Kem::Exception("Invalid vertex or fragment shader.", "src/Program", 6);
    this->vertex = vertex;
    this->fragment = fragment;

    id = glCreateProgram();
    glAttachShader(id, vertex->getId());
    glAttachShader(id, fragment->getId());
    glLinkProgram(id);

    GLint status = 0;
    glGetProgramiv(id, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        char log[4096] = {};
        glGetProgramInfoLog(id, sizeof log, nullptr, log);
        log[sizeof log - 1] = '\0';
        // The destructor will not run for a half-built object.
        glDeleteProgram(id);
        throw Kem::Exception(Kem::String("Program link failed:\n") + log, "src/Program", 21,
                             Kem::String("linking \"") + vertex->getPath() + "\" with \"" +
                                 fragment->getPath() + "\"");
    }
}

Program::~Program() {
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
