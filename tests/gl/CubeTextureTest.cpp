// Cube maps cut from a generated vertical cross whose cells and pixels are all tellable apart.
#include "CubeTexture.h"
#include "GLTest.h"

using gltest::text;

namespace {

// Each image pixel encodes its cell (red), and its column and row inside the cell (green, blue).
struct Cross {
    int faceSize;
    int width;
    int height;
    std::vector<unsigned char> pixels;

    Cross(int faceSize, int extraColumns, int extraRows)
        : faceSize(faceSize), width(3 * faceSize + extraColumns), height(4 * faceSize + extraRows),
          pixels(static_cast<size_t>(width) * height * 4) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
                bool inGrid = x < 3 * faceSize && y < 4 * faceSize;
                int cell = inGrid ? (y / faceSize) * 3 + x / faceSize : 15;
                p[0] = static_cast<unsigned char>(16 * cell + 8);
                p[1] = static_cast<unsigned char>(inGrid ? 10 * (x % faceSize) : 255);
                p[2] = static_cast<unsigned char>(inGrid ? 10 * (y % faceSize) : 255);
                p[3] = 255;
            }
    }
    std::string save(const std::string& name) const {
        std::string path = gltest::scratchPath(name);
        gltest::writePng(path, width, height, 4, pixels);
        return path;
    }
};

struct Texel {
    int cell, column, row;
};

Texel decode(const std::vector<unsigned char>& face, int size, int x, int y) {
    const unsigned char* p = &face[(static_cast<size_t>(y) * size + x) * 4];
    return {(p[0] - 8) / 16, p[1] / 10, p[2] / 10};
}

// Grid cell (row * 3 + column) of each face in GL order +X, -X, +Y, -Y, +Z, -Z.
const int faceCell[6] = {5, 3, 1, 7, 4, 10};

void expectFaces(const CubeTexture& cube, int size) {
    for (int f = 0; f < 6; ++f) {
        std::vector<unsigned char> face = gltest::readTexture(
            GL_TEXTURE_CUBE_MAP, cube.getId(), GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                Texel texel = decode(face, size, x, y);
                EXPECT_EQ(texel.cell, faceCell[f]) << "face " << f;
                // -Z is turned by 180 degrees; the others are copied as they stand.
                int column = f == 5 ? size - 1 - x : x;
                int row = f == 5 ? size - 1 - y : y;
                EXPECT_EQ(texel.column, column) << "face " << f << " at " << x << "," << y;
                EXPECT_EQ(texel.row, row) << "face " << f << " at " << x << "," << y;
            }
    }
}

GLint faceWidth(const CubeTexture& cube, int face) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.getId());
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_WIDTH, &value);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return value;
}

} // namespace

TEST(CubeTexture, CrossCellsBecomeTheSixFacesInPlace) {
    Cross cross(4, 0, 0);
    CubeTexture cube(cross.save("cross.png").c_str());
    EXPECT_EQ(cube.getWidth(), 12) << "the whole image, not a face";
    EXPECT_EQ(cube.getHeight(), 16);
    EXPECT_EQ(gltest::getInteger(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    expectFaces(cube, 4);

    // The -Z face's first texel is the bottom-right pixel of its cell.
    std::vector<unsigned char> negativeZ = gltest::readTexture(
        GL_TEXTURE_CUBE_MAP, cube.getId(), GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 4, 4);
    const unsigned char* corner = &cross.pixels[(15 * 12 + 7) * 4];
    EXPECT_TRUE(std::equal(corner, corner + 4, negativeZ.begin()));
}

TEST(CubeTexture, RemainderBeyondTheGridIsDropped) {
    Cross cross(4, 2, 3); // 14 x 19
    CubeTexture cube(cross.save("ragged.png").c_str());
    EXPECT_EQ(cube.getWidth(), 14);
    EXPECT_EQ(cube.getHeight(), 19);
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(faceWidth(cube, f), 4);
    expectFaces(cube, 4);
}

TEST(CubeTexture, MissingFileNamesThePath) {
    Kem::Exception e = gltest::thrownBy([] { CubeTexture("Data/none.jpg"); });
    EXPECT_EQ(text(e.getMessage()), "Could not load texture \"Data/none.jpg\"");
    EXPECT_EQ(text(e.getFile()), "src/CubeTexture");
    EXPECT_EQ(e.getLine(), 9);
}

TEST(CubeTexture, PendingGlErrorIsReportedAtTheFirstFace) {
    Cross cross(2, 0, 0);
    std::string path = cross.save("small.png");
    glEnable(0x7fff); // leaves GL_INVALID_ENUM pending
    Kem::Exception e = gltest::thrownBy([&] { CubeTexture cube(path.c_str()); });
    EXPECT_EQ(text(e.getMessage()),
              std::string("GL error has occurred: ") +
                  reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)));
    EXPECT_EQ(text(e.getFile()), "src/CubeTexture");
    EXPECT_EQ(e.getLine(), 37);
    EXPECT_EQ(gltest::getInteger(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
