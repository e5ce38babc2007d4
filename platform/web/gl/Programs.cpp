// Shaders and programs as the engine sees them: each source translated to GLSL ES 3.00 when it is
// handed over, the compatibility attributes bound to fixed locations before linking, their
// matrices set before each draw; and the fixed-function program for draws without one.
#include "platform/web/gl/Layer.h"
#include "platform/web/gl/ShaderTranslation.h"

#include "kem/Exception.h"

#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace webgl {

namespace {

std::unordered_map<GLuint, ShaderStage> stages;

// A 2D sampler and the uniform telling it how the texture it reads clamps.
struct ClampedSampler {
    GLint sampler;
    GLint clamping;
};

struct BuiltinUniforms {
    GLint modelView = -1;
    GLint projection = -1;
    GLint modelViewProjection = -1;
    GLint normalMatrix = -1;
    GLint lineWidening = -1;
    std::vector<ClampedSampler> samplers;
};
std::unordered_map<GLuint, BuiltinUniforms> programUniforms;
GLuint engineProgram = 0;
// The units the engine gave each program's samplers (glUniform1i), by program and location.
std::unordered_map<GLuint, std::unordered_map<GLint, GLint>> samplerUnits;

std::vector<ClampedSampler> findClampedSamplers(GLuint program) {
    std::vector<ClampedSampler> found;
    GLint count = 0;
    emscripten_glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    const size_t prefix = std::strlen(builtin::clampPrefix);
    for (GLint i = 0; i < count; ++i) {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        emscripten_glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        if (std::strncmp(name, builtin::clampPrefix, prefix) != 0)
            continue;
        GLint sampler = emscripten_glGetUniformLocation(program, name + prefix);
        GLint clamping = emscripten_glGetUniformLocation(program, name);
        if (sampler >= 0 && clamping >= 0)
            found.push_back({sampler, clamping});
    }
    return found;
}

void bindBuiltinAttributes(GLuint program) {
    emscripten_glBindAttribLocation(program, builtin::vertexLocation, builtin::vertex);
    emscripten_glBindAttribLocation(program, builtin::texCoordLocation, builtin::texCoord);
    emscripten_glBindAttribLocation(program, builtin::colorLocation, builtin::color);
    emscripten_glBindAttribLocation(program, builtin::normalLocation, builtin::normal);
    emscripten_glBindAttribLocation(program, builtin::lineOtherLocation, builtin::lineOther);
    emscripten_glBindAttribLocation(program, builtin::lineSideLocation, builtin::lineSide);
}

BuiltinUniforms findBuiltinUniforms(GLuint program) {
    BuiltinUniforms found;
    found.modelView = emscripten_glGetUniformLocation(program, builtin::modelView);
    found.projection = emscripten_glGetUniformLocation(program, builtin::projection);
    found.modelViewProjection =
        emscripten_glGetUniformLocation(program, builtin::modelViewProjection);
    found.normalMatrix = emscripten_glGetUniformLocation(program, builtin::normalMatrix);
    found.lineWidening = emscripten_glGetUniformLocation(program, builtin::lineWidening);
    found.samplers = findClampedSamplers(program);
    return found;
}

Matrix product(const Matrix& left, const Matrix& right) {
    Matrix result{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += left.m[k * 4 + row] * right.m[column * 4 + k];
            result.m[column * 4 + row] = sum;
        }
    return result;
}

// The inverse transpose of the model-view's upper 3x3, column-major.
void normalMatrixOf(const Matrix& modelView, float* out) {
    const float* m = modelView.m;
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float cofactor[9] = {e * i - f * h,    -(d * i - f * g), d * h - e * g,
                               -(b * i - c * h), a * i - c * g,    -(a * h - b * g),
                               b * f - c * e,    -(a * f - c * d), a * e - b * d};
    const float determinant = a * cofactor[0] + b * cofactor[1] + c * cofactor[2];
    const float scale = determinant != 0.0f ? 1.0f / determinant : 0.0f;
    // (M^-1)^T = cofactor matrix / det; column j of the result holds cofactor row j.
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            out[column * 3 + row] = cofactor[row * 3 + column] * scale;
}

void setBuiltinUniforms(const BuiltinUniforms& uniforms) {
    const Matrix& modelView = modelViewMatrix();
    const Matrix& projection = projectionMatrix();
    if (uniforms.modelView >= 0)
        emscripten_glUniformMatrix4fv(uniforms.modelView, 1, GL_FALSE, modelView.m);
    if (uniforms.projection >= 0)
        emscripten_glUniformMatrix4fv(uniforms.projection, 1, GL_FALSE, projection.m);
    if (uniforms.modelViewProjection >= 0)
        emscripten_glUniformMatrix4fv(uniforms.modelViewProjection, 1, GL_FALSE,
                                      product(projection, modelView).m);
    if (uniforms.normalMatrix >= 0) {
        float normal[9];
        normalMatrixOf(modelView, normal);
        emscripten_glUniformMatrix3fv(uniforms.normalMatrix, 1, GL_FALSE, normal);
    }
}

void setClampUniforms(GLuint program, const BuiltinUniforms& uniforms) {
    if (uniforms.samplers.empty())
        return;
    const auto& units = samplerUnits[program];
    for (const ClampedSampler& sampler : uniforms.samplers) {
        auto unit = units.find(sampler.sampler);
        const int index = unit != units.end() ? unit->second : 0;
        float info[4] = {};
        if (index >= 0 && index < 32)
            readClamping(index, info);
        emscripten_glUniform4f(sampler.clamping, info[0], info[1], info[2], info[3]);
    }
}

// Fixed function as the engine uses it: transformed vertices, the colour modulating the active
// unit's 2D texture when that is enabled, points of the set size, round when smoothed.
const char* const fixedVertexSource = R"(#version 300 es
in vec4 ox_VertexIn;
in vec4 ox_MultiTexCoord0;
in vec4 ox_Color;
uniform mat4 ox_ModelViewMatrix;
uniform mat4 ox_ProjectionMatrix;
uniform float PointSize;
out vec4 color;
out vec2 texCoord;
void main() {
    color = ox_Color;
    texCoord = ox_MultiTexCoord0.xy;
    gl_PointSize = PointSize;
    gl_Position = ox_ProjectionMatrix * (ox_ModelViewMatrix * ox_VertexIn);
}
)";

const char* const fixedFragmentSource = R"(#version 300 es
precision highp float;
uniform sampler2D Tex;
uniform bool Texturing;
uniform bool RoundPoints;
in vec4 color;
in vec2 texCoord;
out vec4 fragColor;
void main() {
    if (RoundPoints) {
        vec2 fromCentre = gl_PointCoord * 2.0 - 1.0;
        if (dot(fromCentre, fromCentre) > 1.0)
            discard;
    }
    fragColor = Texturing ? color * texture(Tex, texCoord) : color;
}
)";

struct FixedProgram {
    GLuint id = 0;
    BuiltinUniforms matrices;
    GLint pointSize = -1;
    GLint texture = -1;
    GLint texturing = -1;
    GLint roundPoints = -1;
};

GLuint compileFixed(GLenum type, const char* source) {
    GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint status = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        char log[1024] = {};
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        throw Kem::Exception(Kem::String("The fixed-function shader does not compile:\n") + log,
                             "platform/web/gl/Programs", __LINE__);
    }
    return shader;
}

FixedProgram& fixedProgram() {
    static FixedProgram fixed;
    if (fixed.id != 0)
        return fixed;
    GLuint vertex = compileFixed(GL_VERTEX_SHADER, fixedVertexSource);
    GLuint fragment = compileFixed(GL_FRAGMENT_SHADER, fixedFragmentSource);
    fixed.id = emscripten_glCreateProgram();
    emscripten_glAttachShader(fixed.id, vertex);
    emscripten_glAttachShader(fixed.id, fragment);
    bindBuiltinAttributes(fixed.id);
    emscripten_glLinkProgram(fixed.id);
    emscripten_glDeleteShader(vertex);
    emscripten_glDeleteShader(fragment);
    fixed.matrices = findBuiltinUniforms(fixed.id);
    fixed.pointSize = emscripten_glGetUniformLocation(fixed.id, "PointSize");
    fixed.texture = emscripten_glGetUniformLocation(fixed.id, "Tex");
    fixed.texturing = emscripten_glGetUniformLocation(fixed.id, "Texturing");
    fixed.roundPoints = emscripten_glGetUniformLocation(fixed.id, "RoundPoints");
    return fixed;
}

} // namespace

GLuint currentProgram() {
    return engineProgram;
}

// Smoothed lines as Mesa draws them: at least 1 pixel wide, plus half a pixel on each side.
void setLineWidening(const BuiltinUniforms& uniforms, bool widenedLines) {
    if (uniforms.lineWidening < 0)
        return;
    if (!widenedLines) {
        emscripten_glUniform3f(uniforms.lineWidening, 0.0f, 0.0f, 0.0f);
        return;
    }
    GLint viewport[4] = {};
    emscripten_glGetIntegerv(GL_VIEWPORT, viewport);
    const float width = fixedState().lineWidth < 1.0f ? 1.0f : fixedState().lineWidth;
    emscripten_glUniform3f(uniforms.lineWidening, 0.5f * width + 0.5f, float(viewport[2]),
                           float(viewport[3]));
}

void prepareProgram(GLenum mode, bool widenedLines) {
    if (engineProgram != 0) {
        auto found = programUniforms.find(engineProgram);
        if (found != programUniforms.end()) {
            setBuiltinUniforms(found->second);
            setClampUniforms(engineProgram, found->second);
            setLineWidening(found->second, widenedLines);
        }
        return;
    }
    FixedProgram& fixed = fixedProgram();
    const FixedState& state = fixedState();
    emscripten_glUseProgram(fixed.id);
    setBuiltinUniforms(fixed.matrices);
    emscripten_glUniform1f(fixed.pointSize, state.pointSize);
    emscripten_glUniform1i(fixed.roundPoints, mode == GL_POINTS && state.pointSmooth);
    const bool texturing = state.texture2D[state.activeUnit];
    emscripten_glUniform1i(fixed.texturing, texturing);
    emscripten_glUniform1i(fixed.texture, state.activeUnit);
}

void unbindAfter() {
    if (engineProgram == 0)
        emscripten_glUseProgram(0);
}

} // namespace webgl

using namespace webgl;

extern "C" {

GLuint glCreateShader(GLenum type) {
    GLuint shader = emscripten_glCreateShader(type);
    if (shader != 0)
        stages[shader] = type == GL_VERTEX_SHADER ? ShaderStage::Vertex : ShaderStage::Fragment;
    return shader;
}

void glDeleteShader(GLuint shader) {
    stages.erase(shader);
    emscripten_glDeleteShader(shader);
}

void glShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                    const GLint* lengths) {
    std::string source;
    for (GLsizei i = 0; i < count; ++i) {
        if (!strings[i])
            continue;
        if (lengths && lengths[i] >= 0)
            source.append(strings[i], size_t(lengths[i]));
        else
            source.append(strings[i]);
    }
    auto stage = stages.find(shader);
    const std::string translated =
        translateShader(source, stage != stages.end() ? stage->second : ShaderStage::Fragment);
    const GLchar* text = translated.c_str();
    emscripten_glShaderSource(shader, 1, &text, nullptr);
}

void glLinkProgram(GLuint program) {
    bindBuiltinAttributes(program);
    emscripten_glLinkProgram(program);
    GLint linked = GL_FALSE;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    samplerUnits.erase(program);
    if (linked == GL_TRUE)
        programUniforms[program] = findBuiltinUniforms(program);
    else
        programUniforms.erase(program);
}

void glUseProgram(GLuint program) {
    engineProgram = program;
    emscripten_glUseProgram(program);
}

void glDeleteProgram(GLuint program) {
    // As in GL, a program in use stays in use until another is; only its lookups go.
    programUniforms.erase(program);
    samplerUnits.erase(program);
    emscripten_glDeleteProgram(program);
}

// Sampler units are noted for the clamping of the textures they read.
void glUniform1i(GLint location, GLint value) {
    if (location >= 0)
        samplerUnits[engineProgram][location] = value;
    emscripten_glUniform1i(location, value);
}

} // extern "C"
