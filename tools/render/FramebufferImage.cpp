// Framebuffer read-back: GL's bottom-up rows turned top-down, alpha made opaque.
#include "FramebufferImage.h"

#include <cstring>

void readFramebufferImage(GLuint framebuffer, int width, int height,
                          std::vector<unsigned char>& pixels,
                          std::vector<unsigned char>& rowBuffer) {
    size_t stride = size_t(width) * 4;
    pixels.resize(stride * height);
    rowBuffer.resize(stride);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL's first row is the bottom one.
    for (int y = 0; y < height / 2; ++y) {
        unsigned char* top = pixels.data() + stride * y;
        unsigned char* bottom = pixels.data() + stride * (height - 1 - y);
        std::memcpy(rowBuffer.data(), top, stride);
        std::memcpy(top, bottom, stride);
        std::memcpy(bottom, rowBuffer.data(), stride);
    }
    // The show's alpha is whatever the passes left; pictures are opaque.
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
}
