// 2D textures from PNG/JPEG files (decoded to RGBA by stb_image) or as empty render storage.
#include "Texture.h"

#include "ImagePrefetch.h"

#include <utility>

Texture::Texture(const Kem::String& path) : path(path) {
    std::shared_ptr<const DecodedImage> image = decodeImage(path, "src/Texture", 21);
    width = image->getWidth();
    height = image->getHeight();
    visibleTexels = image->getVisibleTexels();

    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image->getPixels());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    Reloadables::add(this);
}

Texture::Texture(int width, int height, GLenum internalFormat)
    : width(width), height(height), visibleTexels{0, 0, width - 1, height - 1} {
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

Texture::~Texture() {
    if (path.getLength() > 0)
        Reloadables::remove(this);
    glDeleteTextures(1, &id);
}

void Texture::bind(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, id);
}

bool Texture::readsFile(const std::string& file) const {
    return path.getLength() > 0 && path.getData() && file == path.getData();
}

void Texture::rebuild() {
    Texture fresh(path);
    adoptSampling(GL_TEXTURE_2D, id, fresh.id);
    std::swap(id, fresh.id);
    std::swap(width, fresh.width);
    std::swap(height, fresh.height);
    std::swap(visibleTexels, fresh.visibleTexels);
}

void adoptSampling(GLenum target, GLuint from, GLuint to) {
    const GLenum parameters[] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                                 GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
    GLint bound = 0;
    glGetIntegerv(target == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_CUBE_MAP,
                  &bound);
    for (GLenum parameter : parameters) {
        GLint value = 0;
        glBindTexture(target, from);
        glGetTexParameteriv(target, parameter, &value);
        glBindTexture(target, to);
        glTexParameteri(target, parameter, value);
    }
    glBindTexture(target, GLuint(bound) == from ? to : GLuint(bound));
}
