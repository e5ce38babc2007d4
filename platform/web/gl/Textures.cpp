// Bookkeeping of 2D textures for GL_CLAMP, which WebGL2 lacks: the texture bound to each unit,
// and per texture its size, wrap modes and filters. The shaders read it through their
// ox_clamp_ uniforms.
#include "platform/web/gl/Layer.h"

#include <unordered_map>

namespace webgl {

namespace {

struct TextureFacts {
    int width = 0;
    int height = 0;
    bool clampS = false;
    bool clampT = false;
    bool linearMin = false; // GL's default minification uses mipmaps; the engine sets its own
    bool linearMag = true;
};

std::unordered_map<GLuint, TextureFacts> textures;
GLuint bound2D[32] = {};

TextureFacts* activeTexture(GLenum target) {
    if (target != GL_TEXTURE_2D)
        return nullptr;
    GLuint id = bound2D[fixedState().activeUnit];
    return id != 0 ? &textures[id] : nullptr;
}

} // namespace

void noteTextureSize(GLenum target, int width, int height) {
    if (TextureFacts* facts = activeTexture(target)) {
        facts->width = width;
        facts->height = height;
    }
}

void noteTextureParameter(GLenum target, GLenum name, GLint value) {
    TextureFacts* facts = activeTexture(target);
    if (!facts)
        return;
    switch (name) {
    case GL_TEXTURE_WRAP_S:
        facts->clampS = value == GL_CLAMP;
        break;
    case GL_TEXTURE_WRAP_T:
        facts->clampT = value == GL_CLAMP;
        break;
    case GL_TEXTURE_MIN_FILTER:
        facts->linearMin = value == GL_LINEAR;
        break;
    case GL_TEXTURE_MAG_FILTER:
        facts->linearMag = value == GL_LINEAR;
        break;
    default:
        break;
    }
}

void readClamping(int unit, float* info) {
    info[0] = info[1] = info[2] = info[3] = 0.0f;
    auto found = textures.find(bound2D[unit]);
    if (found == textures.end())
        return;
    const TextureFacts& facts = found->second;
    // Nearest filtering never reaches past the edge texels.
    const bool linear = facts.linearMin || facts.linearMag;
    info[0] = linear && facts.clampS ? 1.0f : 0.0f;
    info[1] = linear && facts.clampT ? 1.0f : 0.0f;
    info[2] = float(facts.width);
    info[3] = float(facts.height);
}

} // namespace webgl

using namespace webgl;

extern "C" {

void glBindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D)
        bound2D[fixedState().activeUnit] = texture;
    emscripten_glBindTexture(target, texture);
}

void glDeleteTextures(GLsizei count, const GLuint* names) {
    for (GLsizei i = 0; i < count; ++i) {
        textures.erase(names[i]);
        for (GLuint& unit : bound2D)
            if (unit == names[i])
                unit = 0;
    }
    emscripten_glDeleteTextures(count, names);
}

} // extern "C"
