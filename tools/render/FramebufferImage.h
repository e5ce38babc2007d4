// Reads a framebuffer's colour back as an opaque RGBA image, top row first.
#pragma once

#include "Extensions.h"

#include <vector>

// rowBuffer is scratch space kept by the caller so repeated reads allocate nothing.
void readFramebufferImage(GLuint framebuffer, int width, int height,
                          std::vector<unsigned char>& pixels,
                          std::vector<unsigned char>& rowBuffer);
