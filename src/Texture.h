// A 2D texture, from an image file (uploaded top row first, so t = 0 is the image's top) or as
// empty storage for a render target.
#pragma once

#include "DecodedImage.h"
#include "Extensions.h"
#include "Reloadable.h"
#include "kem/String.h"

// Gives the texture `to` the sampling parameters (filters, wrapping) of `from`, and moves a binding
// of `from` on the active unit over to it.
void adoptSampling(GLenum target, GLuint from, GLuint to);

class Texture final : public Reloadable {
public:
    explicit Texture(const Kem::String& path);
    Texture(int width, int height, GLenum internalFormat);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint getId() const { return id; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // For an image file, the texels with alpha above 0; for render storage, all of them.
    const TexelRect& getVisibleTexels() const { return visibleTexels; }
    // Selects the unit (it stays active) and binds the texture to GL_TEXTURE_2D there.
    void bind(int unit);

    bool readsFile(const std::string& file) const override;
    // Decodes the image file again into a new texture that takes over this one's sampling
    // parameters; the id changes.
    void rebuild() override;

private:
    GLuint id = 0;
    int width = 0;
    int height = 0;
    TexelRect visibleTexels;
    Kem::String path; // empty for render storage
};
