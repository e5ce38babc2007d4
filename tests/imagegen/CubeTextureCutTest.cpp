// The show's own CubeTexture, given a built cross, must hand GL the faces where the generator
// put them: every face texel read back equals the cross pixel the generator assigned to it.
#include "CubeLayout.h"
#include "CubeTexture.h"
#include "Extensions.h"
#include "ImageFiles.h"
#include "platform/HeadlessGL.h"

#include <gtest/gtest.h>

TEST(CubeTextureCut, FacesReadBackAsTheGeneratorPlacedThem) {
    platform::HeadlessGL gl;
    Extensions::load();
    DecodedImage cross = loadBuiltImage("blurry.jpg");
    ASSERT_GT(cross.width, 0);
    int n = cross.width / 3;
    CubeTexture cube(builtImagePath("blurry.jpg").c_str());
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.getId());
    std::vector<unsigned char> face(static_cast<size_t>(n) * n * 4);
    for (int f = 0; f < 6; ++f) {
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      face.data());
        int mismatches = 0;
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column) {
                int x, y;
                faceTexelToCross(f, column, row, n, x, y);
                const unsigned char* want = cross.at(x, y);
                const unsigned char* got = &face[(static_cast<size_t>(row) * n + column) * 4];
                mismatches += want[0] != got[0] || want[1] != got[1] || want[2] != got[2];
            }
        }
        EXPECT_EQ(mismatches, 0) << "face " << f;
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}
