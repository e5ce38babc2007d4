// A framebuffer object whose colour textures are all draw buffers, with optional depth.
#include "RenderTarget.h"

RenderTarget::RenderTarget(int width, int height, bool depth, int count, GLenum internalFormat)
    : count(count), width(width), height(height) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    textures = new Texture*[count];
    for (int i = 0; i < count; ++i) {
        textures[i] = new Texture(width, height, internalFormat);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D,
                               textures[i]->getId(), 0);
    }
    static const GLenum drawBuffers[9] = {
        GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2,
        GL_COLOR_ATTACHMENT3, GL_COLOR_ATTACHMENT4, GL_COLOR_ATTACHMENT5,
        GL_COLOR_ATTACHMENT6, GL_COLOR_ATTACHMENT7, GL_COLOR_ATTACHMENT8};
    // More than nine is outside the design; never read past the list.
    glDrawBuffers(count < 9 ? count : 9, drawBuffers);

    if (depth) {
        glGenRenderbuffers(1, &this->depth);
        glBindRenderbuffer(GL_RENDERBUFFER, this->depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  this->depth);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

RenderTarget::~RenderTarget() {
    glDeleteFramebuffers(1, &framebuffer);
    if (depth != 0)
        glDeleteRenderbuffers(1, &depth);
    // Each Texture deletes its own GL name.
    for (int i = 0; i < count; ++i)
        delete textures[i];
    delete[] textures;
}

void RenderTarget::bind() {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

Texture* RenderTarget::getTexture(int index) {
    return index >= 0 && index < count ? textures[index] : nullptr;
}
