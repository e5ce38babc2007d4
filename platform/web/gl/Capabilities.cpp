// State WebGL2 lacks or names differently: capabilities without a switch there (smoothing,
// fixed-function texturing, seamless cube maps), glPushAttrib for the scissor and viewport bits,
// point size, GL_CLAMP, float and single-channel texture formats, the extension string, timer
// queries, and GLU's error strings.
#include "platform/web/gl/Layer.h"

#include <GL/glu.h>

#include <cstring>
#include <string>
#include <vector>

namespace webgl {

namespace {

struct SavedAttributes {
    GLbitfield mask;
    GLboolean scissorTest;
    GLint scissorBox[4];
    GLint viewport[4];
    GLfloat depthRange[2];
};
std::vector<SavedAttributes> attributeStack;
bool timerQueries = false;

// True when the layer keeps the capability itself.
bool keepCapability(GLenum cap, bool enabled) {
    FixedState& state = fixedState();
    switch (cap) {
    case GL_TEXTURE_2D:
        state.texture2D[state.activeUnit] = enabled;
        return true;
    case GL_POINT_SMOOTH:
        state.pointSmooth = enabled;
        return true;
    case GL_LINE_SMOOTH:
        state.lineSmooth = enabled;
        return true;
    case GL_TEXTURE_CUBE_MAP_SEAMLESS: // always so in WebGL2
    case GL_TEXTURE_3D:
    case GL_TEXTURE_CUBE_MAP:
        return true;
    default:
        return false;
    }
}

// The sized format WebGL2 stores an internal format as, and the format and type it accepts for
// it; desktop GL takes RGBA bytes for any of them.
void webFormat(GLint& internalFormat, GLenum& format, GLenum& type, bool hasPixels) {
    switch (internalFormat) {
    case GL_RGB16F:
    case GL_RGBA16F:
        internalFormat = GL_RGBA16F;
        format = GL_RGBA;
        if (!hasPixels)
            type = GL_HALF_FLOAT;
        break;
    case GL_RGBA32F:
        format = GL_RGBA;
        if (!hasPixels)
            type = GL_FLOAT;
        break;
    case GL_R8:
        if (!hasPixels) {
            format = GL_RED;
            type = GL_UNSIGNED_BYTE;
        }
        break;
    default:
        break;
    }
}

GLint webWrap(GLenum name, GLint value) {
    const bool wrap =
        name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T || name == GL_TEXTURE_WRAP_R;
    return wrap && value == GL_CLAMP ? GL_CLAMP_TO_EDGE : value;
}

} // namespace

FixedState& fixedState() {
    static FixedState state;
    return state;
}

void setTimerQueries(bool available) {
    timerQueries = available;
}
bool hasTimerQueries() {
    return timerQueries;
}

} // namespace webgl

using namespace webgl;

extern "C" {

void glEnable(GLenum cap) {
    if (!keepCapability(cap, true))
        emscripten_glEnable(cap);
}

void glDisable(GLenum cap) {
    if (!keepCapability(cap, false))
        emscripten_glDisable(cap);
}

// Smoothing hints have no WebGL2 counterpart; the rest pass.
void glHint(GLenum, GLenum) {}

void glPointSize(GLfloat size) {
    fixedState().pointSize = size;
}

// Kept for smoothed lines, which the layer widens itself; WebGL2 draws other lines 1 pixel wide.
void glLineWidth(GLfloat width) {
    if (width > 0.0f)
        fixedState().lineWidth = width;
    emscripten_glLineWidth(width);
}

void glActiveTexture(GLenum unit) {
    const int index = int(unit) - GL_TEXTURE0;
    if (index >= 0 && index < 32)
        fixedState().activeUnit = index;
    emscripten_glActiveTexture(unit);
}

// Client-side arrays are not used; the unit only matters to them.
void glClientActiveTexture(GLenum) {}

void glPushAttrib(GLbitfield mask) {
    SavedAttributes saved{};
    saved.mask = mask;
    if (mask & GL_SCISSOR_BIT) {
        saved.scissorTest = emscripten_glIsEnabled(GL_SCISSOR_TEST);
        emscripten_glGetIntegerv(GL_SCISSOR_BOX, saved.scissorBox);
    }
    if (mask & GL_VIEWPORT_BIT) {
        emscripten_glGetIntegerv(GL_VIEWPORT, saved.viewport);
        emscripten_glGetFloatv(GL_DEPTH_RANGE, saved.depthRange);
    }
    attributeStack.push_back(saved);
}

void glPopAttrib() {
    if (attributeStack.empty())
        return;
    const SavedAttributes saved = attributeStack.back();
    attributeStack.pop_back();
    if (saved.mask & GL_SCISSOR_BIT) {
        if (saved.scissorTest)
            emscripten_glEnable(GL_SCISSOR_TEST);
        else
            emscripten_glDisable(GL_SCISSOR_TEST);
        emscripten_glScissor(saved.scissorBox[0], saved.scissorBox[1], saved.scissorBox[2],
                             saved.scissorBox[3]);
    }
    if (saved.mask & GL_VIEWPORT_BIT) {
        emscripten_glViewport(saved.viewport[0], saved.viewport[1], saved.viewport[2],
                              saved.viewport[3]);
        emscripten_glDepthRangef(saved.depthRange[0], saved.depthRange[1]);
    }
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    noteTextureParameter(target, name, value);
    emscripten_glTexParameteri(target, name, webWrap(name, value));
}

void glTexParameterf(GLenum target, GLenum name, GLfloat value) {
    noteTextureParameter(target, name, GLint(value));
    if (value == GLfloat(GL_CLAMP))
        emscripten_glTexParameteri(target, name, webWrap(name, GL_CLAMP));
    else
        emscripten_glTexParameterf(target, name, value);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    if (level == 0)
        noteTextureSize(target, width, height);
    webFormat(internalFormat, format, type, pixels != nullptr);
    emscripten_glTexImage2D(target, level, internalFormat, width, height, border, format, type,
                            pixels);
}

// The extension string names GL_ARB_timer_query when the browser's timer queries are on, so the
// engine's check finds them under their desktop name.
const GLubyte* glGetString(GLenum name) {
    if (name != GL_EXTENSIONS)
        return emscripten_glGetString(name);
    static std::string extensions;
    const GLubyte* web = emscripten_glGetString(GL_EXTENSIONS);
    extensions = web ? reinterpret_cast<const char*>(web) : "";
    if (hasTimerQueries())
        extensions += " GL_ARB_timer_query";
    return reinterpret_cast<const GLubyte*>(extensions.c_str());
}

void glGetQueryObjectiv(GLuint query, GLenum name, GLint* value) {
    GLuint result = 0;
    emscripten_glGetQueryObjectuiv(query, name, &result);
    *value = GLint(result);
}

// Nanoseconds of one pass fit the 32 bits WebGL2's query read returns.
void glGetQueryObjectui64v(GLuint query, GLenum name, GLuint64* value) {
    GLuint result = 0;
    emscripten_glGetQueryObjectuiv(query, name, &result);
    *value = result;
}

const GLubyte* gluErrorString(GLenum error) {
    const char* text = "unknown error";
    switch (error) {
    case GL_NO_ERROR:
        text = "no error";
        break;
    case GL_INVALID_ENUM:
        text = "invalid enumerant";
        break;
    case GL_INVALID_VALUE:
        text = "invalid value";
        break;
    case GL_INVALID_OPERATION:
        text = "invalid operation";
        break;
    case GL_OUT_OF_MEMORY:
        text = "out of memory";
        break;
    case GL_INVALID_FRAMEBUFFER_OPERATION:
        text = "invalid framebuffer operation";
        break;
    default:
        break;
    }
    return reinterpret_cast<const GLubyte*>(text);
}

} // extern "C"
