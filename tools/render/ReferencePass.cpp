// The reference ray march, compiled from its own source so that no edit of Data/ can move it.
#include "ReferencePass.h"

#include "PassTimers.h"
#include "kem/Exception.h"

namespace {

const char* const source = R"(#version 330 compatibility
uniform vec2 Resolution;
uniform float Travel;
out vec4 color;

float field(vec3 p) {
    vec3 cell = mod(p, 4.0) - 2.0;
    return length(cell) - 0.8;
}

void main() {
    vec2 uv = (2.0 * gl_FragCoord.xy - Resolution) / Resolution.y;
    vec3 origin = vec3(0.3, 0.7, Travel);
    vec3 direction = normalize(vec3(uv, 1.6));
    float t = 0.0;
    for (int i = 0; i < 64; ++i)
        t += field(origin + direction * t);
    vec3 p = origin + direction * t;
    vec2 e = vec2(0.01, 0.0);
    vec3 normal = normalize(vec3(field(p + e.xyy) - field(p - e.xyy),
                                 field(p + e.yxy) - field(p - e.yxy),
                                 field(p + e.yyx) - field(p - e.yyx)));
    float light = max(dot(normal, normalize(vec3(0.5, 0.8, -0.4))), 0.0);
    color = vec4(vec3(0.1 + 0.9 * light) * exp(-0.04 * t), 1.0);
}
)";

} // namespace

ReferencePass::ReferencePass() {
    shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    char log[4096] = {};
    if (status == GL_TRUE) {
        program = glCreateProgram();
        glAttachShader(program, shader);
        glLinkProgram(program);
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        if (status != GL_TRUE)
            glGetProgramInfoLog(program, sizeof log, nullptr, log);
    } else {
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    }
    if (status != GL_TRUE) {
        log[sizeof log - 1] = '\0';
        glDeleteProgram(program);
        glDeleteShader(shader);
        throw Kem::Exception(Kem::String("The reference pass does not build:\n") + log,
                             "tools/render/ReferencePass", 55);
    }
    if (PassTimers::available())
        glGenQueries(1, &query);
}

ReferencePass::~ReferencePass() {
    if (query)
        glDeleteQueries(1, &query);
    glUseProgram(0);
    glDeleteProgram(program);
    glDeleteShader(shader);
}

double ReferencePass::draw(int width, int height, int step) {
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glUseProgram(program);
    glUniform2f(glGetUniformLocation(program, "Resolution"), float(width), float(height));
    glUniform1f(glGetUniformLocation(program, "Travel"), 0.37f * float(step));
    if (query)
        glBeginQuery(GL_TIME_ELAPSED, query);
    // A flushed clear first: llvmpipe times a query from the end of its first batch of work, as
    // it does for every pass of a frame, so the draw must not be in that batch.
    glFlush();
    glRecti(-1, -1, 1, 1);
    if (query)
        glEndQuery(GL_TIME_ELAPSED);
    glUseProgram(0);
    if (!query) {
        glFinish();
        return -1.0;
    }
    GLuint64 nanoseconds = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &nanoseconds);
    return static_cast<double>(nanoseconds) / 1e6;
}
