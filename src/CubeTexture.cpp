// Cuts the six faces of a cube map out of a vertical-cross image and uploads them.
#include "CubeTexture.h"

#include "ImagePrefetch.h"
#include "Texture.h"
#include "kem/Exception.h"

#include <utility>
#include <vector>

namespace {

// Where each face's cell starts in the 3 x 4 grid, in cells, in GL face order.
const int faceCells[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};

} // namespace

CubeTexture::CubeTexture(const Kem::String& path) : path(path) {
    std::shared_ptr<const DecodedImage> image = decodeImage(path, "src/CubeTexture", 9);
    width = image->getWidth();
    height = image->getHeight();
    id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_CUBE_MAP, id);

    const int faceWidth = width / 3;
    const int faceHeight = height / 4;
    std::vector<unsigned int> face(static_cast<size_t>(faceWidth) * faceHeight);
    const unsigned int* source = reinterpret_cast<const unsigned int*>(image->getPixels());

    for (int f = 0; f < 6; ++f) {
        const int x0 = faceCells[f][0] * faceWidth;
        const int y0 = faceCells[f][1] * faceHeight;
        for (int i = 0; i < faceHeight; ++i) {
            unsigned int* row = &face[static_cast<size_t>(i) * faceWidth];
            if (f < 5) {
                const unsigned int* from = source + static_cast<size_t>(y0 + i) * width + x0;
                for (int j = 0; j < faceWidth; ++j)
                    row[j] = from[j];
            } else {
                // -Z is stored upside down: last image row first, each row mirrored.
                const unsigned int* from =
                    source + static_cast<size_t>(4 * faceHeight - 1 - i) * width + x0;
                for (int j = 0; j < faceWidth; ++j)
                    row[faceWidth - 1 - j] = from[j];
            }
        }
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, GL_RGBA, faceWidth, faceHeight, 0,
                     GL_RGBA, GL_UNSIGNED_BYTE, face.data());
        GLenum error = glGetError();
        if (error != GL_NO_ERROR) {
            glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
            glDeleteTextures(1, &id);
            throw Kem::Exception(Kem::String("GL error has occurred: ") +
                                     reinterpret_cast<const char*>(gluErrorString(error)),
                                 "src/CubeTexture", 37,
                                 Kem::String("while loading the cube map \"") + path + "\"");
        }
    }

    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    Reloadables::add(this);
}

CubeTexture::~CubeTexture() {
    Reloadables::remove(this);
    glDeleteTextures(1, &id);
}

bool CubeTexture::readsFile(const std::string& file) const {
    return path.getLength() > 0 && path.getData() && file == path.getData();
}

void CubeTexture::rebuild() {
    CubeTexture fresh(path);
    adoptSampling(GL_TEXTURE_CUBE_MAP, id, fresh.id);
    std::swap(id, fresh.id);
    std::swap(width, fresh.width);
    std::swap(height, fresh.height);
}
