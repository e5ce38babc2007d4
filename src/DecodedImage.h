// A PNG or JPEG file decoded to 8-bit RGBA, top row first, for the texture classes.
#pragma once

#include "kem/String.h"

// An inclusive rectangle of texels, top row 0; empty when x1 < x0.
struct TexelRect {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool isEmpty() const { return x1 < x0; }
};

class DecodedImage {
public:
    // Throws Kem::Exception "Could not load texture \"<path>\"", the cause on its detail line, when
    // the file cannot be read, is past the image limits or does not decode; the exception carries
    // the texture class's file and line.
    DecodedImage(const Kem::String& path, const char* file, int line);
    ~DecodedImage();
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const unsigned char* getPixels() const { return pixels; }
    // The texels whose alpha is above 0: all that drawing the image blended by its alpha can
    // change. Found once, on whichever thread decodes.
    const TexelRect& getVisibleTexels() const { return visible; }

private:
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    TexelRect visible;
};
