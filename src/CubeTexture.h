// A cube map cut from one image laid out as a vertical cross (the -Z cell turned by 180 degrees).
#pragma once

#include "Extensions.h"
#include "kem/String.h"

class CubeTexture {
public:
    explicit CubeTexture(const Kem::String& path);
    ~CubeTexture();
    CubeTexture(const CubeTexture&) = delete;
    CubeTexture& operator=(const CubeTexture&) = delete;

    GLuint getId() const { return id; }
    // Of the whole cross image, not of a face.
    int getWidth() const { return width; }
    int getHeight() const { return height; }

private:
    GLuint id = 0;
    int width = 0;
    int height = 0;
};
