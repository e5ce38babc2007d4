// The landscape's bar texture as built, against its source's definition (kusmasuger.txt): 8-pixel
// columns with 2-pixel black gaps, 4-pixel segments with 1-pixel black gaps, two meters a tile
// high; each meter lit from its foot up to one peak segment in the peak colour, dim above; teal
// (low) at the foot, amber (high) at the top, unlit segments at 0.08 of their colour.
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct Colour {
    float r, g, b;
};
const Colour low{0.05f, 0.75f, 0.70f}, high{1.00f, 0.62f, 0.12f}, peak{1.00f, 0.93f, 0.80f};
// JPEG at quality 98 moves a segment's middle by a few levels at most.
constexpr int tolerance = 12;

bool near(const unsigned char* pixel, Colour colour, float scale = 1.0f) {
    const float expected[3] = {colour.r, colour.g, colour.b};
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(pixel[c]) - int(std::lround(expected[c] * scale * 255.0f))) > tolerance)
            return false;
    return true;
}

} // namespace

TEST(Bars, MetersAreLitFromTheFootToOnePeakWithTheSourcesColoursAndGaps) {
    DecodedImage image = loadBuiltImage("kusmasuger.jpg");
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    const int columns = 32, bands = 2, segments = 32, bandHeight = 128;
    int peaks = 0;
    for (int band = 0; band < bands; ++band)
        for (int column = 0; column < columns; ++column) {
            SCOPED_TRACE("column " + std::to_string(column) + " band " + std::to_string(band));
            // Segment s's middle: 3 pixels into the column, its second row from the foot.
            auto middle = [&](int segment) {
                return image.at(column * 8 + 3, band * bandHeight + bandHeight - 2 - segment * 4);
            };
            std::string shape;
            for (int segment = 0; segment < segments; ++segment) {
                const unsigned char* p = middle(segment);
                shape += near(p, peak) ? 'P' : int(p[0]) + p[1] + p[2] > 100 ? 'L' : 'd';
            }
            size_t top = shape.find('P');
            std::string expected =
                top == std::string::npos
                    ? std::string(segments, 'L')
                    : std::string(top, 'L') + 'P' + std::string(segments - 1 - top, 'd');
            EXPECT_EQ(shape, expected) << "lit to the peak, dim above";
            peaks += top != std::string::npos;
            if (shape[0] != 'P')
                EXPECT_TRUE(near(middle(0), low, shape[0] == 'L' ? 0.75f : 0.08f)) << "foot";
            if (shape.back() != 'P')
                EXPECT_TRUE(near(middle(segments - 1), high, shape.back() == 'L' ? 1.0f : 0.08f))
                    << "top";
            // The gaps: two columns of pixels right of the segments, a row under each.
            for (int y = band * bandHeight; y < (band + 1) * bandHeight; ++y)
                for (int x : {column * 8 + 6, column * 8 + 7})
                    ASSERT_LE(image.at(x, y)[0] + image.at(x, y)[1] + image.at(x, y)[2],
                              3 * tolerance)
                        << "column gap at " << x << "," << y;
            for (int segment = 0; segment < segments; ++segment) {
                int gapRow = band * bandHeight + bandHeight - 4 - segment * 4;
                const unsigned char* p = image.at(column * 8 + 2, gapRow);
                ASSERT_LE(p[0] + p[1] + p[2], 3 * tolerance) << "segment gap at row " << gapRow;
            }
        }
    EXPECT_GE(peaks, 16) << "most meters stop below the top";
}
