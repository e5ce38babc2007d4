// A cube map cut from one image laid out as a vertical cross (the -Z cell turned by 180 degrees).
#pragma once

#include "Extensions.h"
#include "Reloadable.h"
#include "kem/String.h"

class CubeTexture final : public Reloadable {
public:
    explicit CubeTexture(const Kem::String& path);
    ~CubeTexture();
    CubeTexture(const CubeTexture&) = delete;
    CubeTexture& operator=(const CubeTexture&) = delete;

    GLuint getId() const { return id; }
    // Of the whole cross image, not of a face.
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    bool readsFile(const std::string& file) const override;
    // Decodes the image file again into a new texture that takes over this one's sampling
    // parameters; the id changes.
    void rebuild() override;

private:
    GLuint id = 0;
    int width = 0;
    int height = 0;
    Kem::String path; // empty for render storage
};
