// Title cards: transparent ground, opaque white type, a glow that keeps its colour at low alpha,
// and the built cards' shapes and placement.
#include "Generator.h"
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* smallCard = R"(
kind card
output test.png
size 400 200
font bold /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
shadow sigma=3 dx=2 dy=3 opacity=0.5
glow sigma=10 opacity=0.5 colour=0.6,0.8,1.0
text HI font=bold size=100 x=200 y=150 align=centre
)";

Image makeSmallCard() {
    auto images = generateImages(ContentFile::parse(smallCard, "small card"));
    EXPECT_EQ(images.size(), 1u);
    return images.at(0).image;
}

} // namespace

TEST(Card, GroundIsTransparentAndTypeIsOpaqueWhite) {
    Image card = makeSmallCard();
    ASSERT_EQ(card.width, 400);
    EXPECT_EQ(card.at(0, 0)[3], 0.0f);
    EXPECT_EQ(card.at(399, 199)[3], 0.0f);
    EXPECT_EQ(card.at(10, 100)[3], 0.0f);

    int opaque = 0;
    double sumX = 0;
    for (int y = 0; y < card.height; ++y) {
        for (int x = 0; x < card.width; ++x) {
            const float* p = card.at(x, y);
            if (p[3] > 0.999f) {
                ++opaque;
                sumX += x;
                EXPECT_GT(p[0] + p[1] + p[2], 2.97f)
                    << "ink at " << x << "," << y << " is not white";
            }
        }
    }
    ASSERT_GT(opaque, 500);
    // Centred text: the ink's centre of mass lies on the given x.
    EXPECT_NEAR(sumX / opaque, 200.0, 4.0);
}

TEST(Card, FaintGlowIsStoredStraightWithItsOwnColour) {
    Image card = makeSmallCard();
    // Above the letters only the glow reaches (the shadow falls down and right).
    int checked = 0;
    for (int x = 150; x < 250; ++x) {
        const float* p = card.at(x, 62);
        if (p[3] > 0.01f && p[3] < 0.3f) {
            ++checked;
            // Premultiplied storage would darken these towards black.
            EXPECT_NEAR(p[0], 0.6f, 0.05f);
            EXPECT_NEAR(p[1], 0.8f, 0.05f);
            EXPECT_NEAR(p[2], 1.0f, 0.05f);
        }
    }
    EXPECT_GT(checked, 20);
}

TEST(Card, BuiltCardsAreSixteenByNineWithClearEdgesAndSolidInk) {
    for (const char* name : {"morvelin.png", "w0lvar.png", "pim00dle.png", "vexaroon.png",
                             "brisko.png", "g.png", "o.png", "end.png"}) {
        SCOPED_TRACE(name);
        DecodedImage card = loadBuiltImage(name);
        ASSERT_GT(card.width, 0);
        EXPECT_EQ(card.width * 9, card.height * 16);
        int edgeAlpha = 0;
        for (int x = 0; x < card.width; ++x) {
            edgeAlpha += card.at(x, 0)[3] + card.at(x, card.height - 1)[3];
        }
        for (int y = 0; y < card.height; ++y) {
            edgeAlpha += card.at(0, y)[3] + card.at(card.width - 1, y)[3];
        }
        EXPECT_EQ(edgeAlpha, 0);
        int solid = 0;
        for (size_t i = 0; i < card.rgba.size(); i += 4) {
            if (card.rgba[i + 3] == 255) {
                ++solid;
                EXPECT_GE(card.rgba[i] + card.rgba[i + 1] + card.rgba[i + 2], 3 * 250);
            }
        }
        EXPECT_GT(solid, 2000);
    }
}

TEST(Card, GSitsLeftOfCentreAndOToTheRightWithoutOverlap) {
    DecodedImage g = loadBuiltImage("g.png"), o = loadBuiltImage("o.png");
    ASSERT_EQ(g.width, o.width);
    int gRight = -1, oLeft = o.width;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            if (g.at(x, y)[3] > 128) {
                gRight = std::max(gRight, x);
            }
            if (o.at(x, y)[3] > 128) {
                oLeft = std::min(oLeft, x);
            }
        }
    }
    EXPECT_LT(gRight, g.width / 2);
    EXPECT_GT(oLeft, g.width / 2);
    EXPECT_LT(gRight, oLeft);
}
