// A framebuffer object with 1 to 9 colour textures of one size, all enabled as draw buffers,
// and optionally a 24-bit depth renderbuffer.
#pragma once

#include "Extensions.h"
#include "Texture.h"

class RenderTarget {
public:
    RenderTarget(int width, int height, bool depth, int count, GLenum internalFormat);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // Binds the framebuffer; the viewport is the caller's to set.
    void bind();
    Texture* getTexture(int index);
    GLuint getFramebuffer() const { return framebuffer; }
    GLuint getDepth() const { return depth; }
    int getCount() const { return count; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

private:
    GLuint framebuffer = 0;
    GLuint depth = 0;
    Texture** textures = nullptr;
    int count = 0;
    int width = 0;
    int height = 0;
};
