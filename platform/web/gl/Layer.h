// The desktop GL the engine calls, provided over WebGL2 in one place: the files of this folder
// define the desktop entry points WebGL2 lacks under their own names (glBegin, glPushAttrib...),
// and reach the browser's GL through Emscripten's emscripten_gl* names. Shared state between them
// lives here.
#pragma once

// The layer defines some of these functions; their prototypes check it does so faithfully.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

// Emscripten's WebGL2 functions under the names that stay free when the layer defines the plain
// ones.
extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
GLboolean emscripten_glIsEnabled(GLenum cap);
void emscripten_glGetIntegerv(GLenum name, GLint* values);
void emscripten_glGetFloatv(GLenum name, GLfloat* values);
const GLubyte* emscripten_glGetString(GLenum name);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glDepthRangef(GLfloat near, GLfloat far);
void emscripten_glLineWidth(GLfloat width);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glTexParameterf(GLenum target, GLenum name, GLfloat value);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glActiveTexture(GLenum unit);
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glDeleteShader(GLuint shader);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                               const GLint* lengths);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glUseProgram(GLuint program);
void emscripten_glDeleteProgram(GLuint program);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const GLchar* name);
void emscripten_glGetProgramiv(GLuint program, GLenum name, GLint* value);
GLint emscripten_glGetUniformLocation(GLuint program, const GLchar* name);
void emscripten_glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose,
                                   const GLfloat* value);
void emscripten_glUniformMatrix3fv(GLint location, GLsizei count, GLboolean transpose,
                                   const GLfloat* value);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniform1f(GLint location, GLfloat value);
void emscripten_glUniform3f(GLint location, GLfloat x, GLfloat y, GLfloat z);
void emscripten_glUniform4f(GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w);
void emscripten_glGetActiveUniform(GLuint program, GLuint index, GLsizei size, GLsizei* length,
                                   GLint* count, GLenum* type, GLchar* name);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glDeleteTextures(GLsizei count, const GLuint* textures);
void emscripten_glGetQueryObjectuiv(GLuint query, GLenum name, GLuint* value);
void emscripten_glGenBuffers(GLsizei count, GLuint* buffers);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glGenVertexArrays(GLsizei count, GLuint* arrays);
void emscripten_glBindVertexArray(GLuint array);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderiv(GLuint shader, GLenum name, GLint* value);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, GLchar* log);
}

namespace webgl {

// Column-major 4x4, as GL keeps them.
struct Matrix {
    float m[16];
};

// The tops of the model-view and projection stacks.
const Matrix& modelViewMatrix();
const Matrix& projectionMatrix();

// Fixed-function state kept by the layer: what WebGL2 has no switch for.
struct FixedState {
    bool texture2D[32] = {};
    bool pointSmooth = false;
    bool lineSmooth = false;
    float pointSize = 1.0f;
    float lineWidth = 1.0f;
    int activeUnit = 0;
};
FixedState& fixedState();

// Floats per streamed vertex: position 4, texture coordinate 4, colour 4, normal 3, and for
// widened lines the other end's position 4 and the side 1.
constexpr int vertexFloats = 20;

// Draws the vertices as WebGL2 primitives with the current program, or with the fixed-function
// one when none is in use; widenedLines: triangles of smoothed lines for the vertex stage to
// widen.
void drawVertices(GLenum mode, const float* vertices, int count, bool widenedLines);

// The program the engine has made current (0: fixed function).
GLuint currentProgram();
// Sets the compatibility uniforms of the current program, or binds and sets up the fixed-function
// program when the engine has none in use; unbindAfter() then restores the engine's binding.
void prepareProgram(GLenum mode, bool widenedLines);
void unbindAfter();

// The 2D textures as far as GL_CLAMP's border needs them: which is bound to each unit, its size,
// wrapping and filters.
void noteTextureSize(GLenum target, int width, int height);
void noteTextureParameter(GLenum target, GLenum name, GLint value);
// (clamp s, clamp t, width, height) of the 2D texture bound to the unit; the clamps are 1 only
// where GL_CLAMP's border can show, with linear filtering.
void readClamping(int unit, float* info);

// The extensions the context enabled that the layer reports or uses.
void setTimerQueries(bool available);
bool hasTimerQueries();

} // namespace webgl
