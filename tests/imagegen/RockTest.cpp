// The rock pair: both images tile, and the normal map is the height field's own slope.
#include "Generator.h"
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Mean colour step between columns a and b (or rows, when `rows` is set).
double meanStep(const DecodedImage& image, int a, int b, bool rows) {
    double sum = 0;
    int count = rows ? image.width : image.height;
    for (int i = 0; i < count; ++i) {
        const unsigned char* p = rows ? image.at(i, a) : image.at(a, i);
        const unsigned char* q = rows ? image.at(i, b) : image.at(b, i);
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(p[c] - q[c]);
        }
    }
    return sum / count;
}

void expectTiles(const std::string& name) {
    DecodedImage image = loadBuiltImage(name);
    ASSERT_GT(image.width, 2);
    int w = image.width, h = image.height;
    // The wrap-around step must look like any step inside the image.
    double insideColumns = 0, insideRows = 0;
    for (int k = 0; k < 8; ++k) {
        insideColumns += meanStep(image, w / 8 * k + 3, w / 8 * k + 4, false) / 8;
        insideRows += meanStep(image, h / 8 * k + 3, h / 8 * k + 4, true) / 8;
    }
    EXPECT_LT(meanStep(image, w - 1, 0, false), 1.5 * insideColumns + 1) << name;
    EXPECT_LT(meanStep(image, h - 1, 0, true), 1.5 * insideRows + 1) << name;
    // And the images are not flat, so the bound above means something.
    EXPECT_GT(insideColumns, 2.0) << name;
}

} // namespace

TEST(Rock, SurfaceAndNormalMapTile) {
    expectTiles("rock.png");
    expectTiles("rockn.png");
}

TEST(Rock, NormalsDecodeToUnitLengthFacingOut) {
    DecodedImage normals = loadBuiltImage("rockn.png");
    ASSERT_GT(normals.width, 0);
    int tilted = 0;
    for (size_t i = 0; i < normals.rgba.size(); i += 4) {
        Vec3 n{normals.rgba[i] / 127.5f - 1, normals.rgba[i + 1] / 127.5f - 1,
               normals.rgba[i + 2] / 127.5f - 1};
        ASSERT_NEAR(length(n), 1.0f, 0.02f);
        ASSERT_GT(n.z, 0.0f);
        tilted += n.z < 0.95f;
    }
    EXPECT_GT(tilted, static_cast<int>(normals.rgba.size() / 4 / 20)) << "the map is nearly flat";
}

TEST(Rock, NormalsLeanDownhillOfTheHeightField) {
    ContentFile source = ContentFile::parse(R"(
kind rock
output r.png
normals n.png strength=5
height h.png
size 64
rock seed=3 cells=2 crack-cells=3
)",
                                            "small rock");
    std::vector<NamedImage> images = generateImages(source);
    ASSERT_EQ(images.size(), 3u);
    const Image& normals = images[1].image;
    const Image& height = images[2].image;
    auto h = [&](int x, int y) { return height.at((x + 64) % 64, (y + 64) % 64)[0]; };
    int agree = 0, total = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            float nx = normals.at(x, y)[0] * 2 - 1, ny = normals.at(x, y)[1] * 2 - 1;
            float ds = h(x + 1, y) - h(x - 1, y), dt = h(x, y + 1) - h(x, y - 1);
            // Red leans against the slope along s, green against the slope along t, with wrap.
            if (std::fabs(ds) > 1e-3f) {
                ++total;
                agree += (nx < 0) == (ds > 0);
            }
            if (std::fabs(dt) > 1e-3f) {
                ++total;
                agree += (ny < 0) == (dt > 0);
            }
        }
    }
    ASSERT_GT(total, 1000);
    EXPECT_EQ(agree, total);
}
