// Title cards drawn into a framebuffer of their own and read back: size, letterbox, offset, alpha.
#include "TitleCard.h"
#include "Stage.h"
#include "Texture.h"

#include <filesystem>

using stage::Rgba;

namespace {

bool isMagenta(Rgba p) {
    return p.r > 200 && p.g < 60 && p.b > 200;
}
bool isWhite(Rgba p) {
    return p.r > 250 && p.g > 250 && p.b > 250;
}

class TitleCard : public ::testing::Test {
protected:
    void SetUp() override { stage::enter(); }

    // A solid white card.
    Texture& white() {
        static Texture* texture = nullptr;
        if (!texture) {
            std::string path = stage::folder() + "white.png";
            stage::writePng(path, 16, 9, std::vector<Rgba>(16 * 9, Rgba{255, 255, 255, 255}));
            texture = new Texture(path.c_str());
        }
        return *texture;
    }
    Texture& marker() {
        static Texture* texture = new Texture("Data/g.png");
        return *texture;
    }

    // First and last column of the marker stripe along the middle row.
    static std::pair<int, int> stripe(const std::vector<Rgba>& pixels, int width, int height) {
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x)
            if (isMagenta(pixels[(height / 2) * width + x])) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return {first, last};
    }
};

} // namespace

TEST_F(TitleCard, FillsASixteenByNineTarget) {
    stage::Canvas canvas(1280, 720);
    canvas.fill(0, 0, 0, 1);
    drawTitleCard(white().getId(), 1, 0, 1280, 720);
    std::vector<Rgba> pixels = canvas.read();
    for (int i : {0, 1279, 719 * 1280, 719 * 1280 + 1279, 360 * 1280 + 640})
        EXPECT_TRUE(isWhite(pixels[i])) << i;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TitleCard, CoversTheMiddleThreeQuartersOfAFourByThreeTarget) {
    stage::Canvas canvas(1024, 768);
    canvas.fill(0, 0, 0, 1);
    drawTitleCard(white().getId(), 1, 0, 1024, 768);
    std::vector<Rgba> pixels = canvas.read();
    auto row = [&](int y) { return pixels[y * 1024 + 512]; };
    EXPECT_FALSE(isWhite(row(95)));
    EXPECT_TRUE(isWhite(row(96)));
    EXPECT_TRUE(isWhite(row(671)));
    EXPECT_FALSE(isWhite(row(672)));
    EXPECT_TRUE(isWhite(pixels[400 * 1024 + 0]));
    EXPECT_TRUE(isWhite(pixels[400 * 1024 + 1023]));
}

TEST_F(TitleCard, OffsetShiftsByHalfAUnitPerQuarterWidth) {
    stage::Canvas canvas(1280, 720);
    for (float offset : {-0.5f, 0.0f, 0.5f}) {
        canvas.fill(0, 0, 0, 1);
        drawTitleCard(marker().getId(), 1, offset, 1280, 720);
        auto [first, last] = stripe(canvas.read(), 1280, 720);
        ASSERT_GE(first, 0) << offset;
        EXPECT_NEAR((first + last + 1) / 2.0, 640 + offset * 640, 2.0) << offset;
        // Two texels of a 64-texel card are 40 pixels; filtering softens the edges.
        EXPECT_GE(last - first + 1, 16) << offset;
        EXPECT_LE(last - first + 1, 48) << offset;
    }
}

TEST_F(TitleCard, BlendsByAlphaAndLeavesStateAsFound) {
    stage::Canvas canvas(1280, 720);
    canvas.fill(0, 0, 1, 1);
    drawTitleCard(marker().getId(), 0.5f, 0, 1280, 720);
    std::vector<Rgba> pixels = canvas.read();
    Rgba centre = pixels[360 * 1280 + 640];
    EXPECT_NEAR(centre.r, 128, 3);
    EXPECT_NEAR(centre.g, 0, 1);
    EXPECT_EQ(centre.b, 255);
    // Transparent texels leave the background alone.
    Rgba side = pixels[360 * 1280 + 100];
    EXPECT_EQ(side.r, 0);
    EXPECT_EQ(side.b, 255);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(stage::getInteger(GL_TEXTURE_BINDING_2D), 0);
}

TEST_F(TitleCard, CutToItsVisibleTexelsTheCardDrawsExactlyWhatTheWholeQuadDraws) {
    // The marker is transparent but for its middle stripe, so the cut is far smaller than the
    // quad; a cut one pixel short anywhere changes the picture.
    const TexelRect& visible = marker().getVisibleTexels();
    ASSERT_GT(visible.x0, 0);
    ASSERT_LT(visible.x1, marker().getWidth() - 1);
    struct Case {
        int width, height;
        float offset, alpha;
    };
    for (Case c :
         {Case{1280, 720, 0.0f, 1.0f}, Case{1280, 720, 0.37f, 0.6f}, Case{1024, 768, -0.5f, 1.0f},
          Case{1920, 1080, 0.9f, 0.8f}, Case{1280, 720, -1.6f, 1.0f}}) {
        stage::Canvas canvas(c.width, c.height);
        canvas.fill(0.2f, 0.3f, 0.4f, 1);
        drawTitleCard(marker().getId(), c.alpha, c.offset, c.width, c.height);
        std::vector<Rgba> whole = canvas.read();
        canvas.fill(0.2f, 0.3f, 0.4f, 1);
        drawTitleCard(marker(), c.alpha, c.offset, c.width, c.height);
        std::vector<Rgba> cut = canvas.read();
        int differing = 0;
        for (size_t i = 0; i < whole.size(); ++i)
            differing += whole[i].r != cut[i].r || whole[i].g != cut[i].g || whole[i].b != cut[i].b;
        EXPECT_EQ(differing, 0) << c.width << "x" << c.height << " offset " << c.offset;
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TitleCard, TheShowsOwnCardsAreSixteenByNineAndShowSomething) {
    std::filesystem::path data = std::filesystem::path(OXBRINE_RUN_DIR) / "Data";
    if (!std::filesystem::exists(data / "end.png"))
        GTEST_SKIP() << "the card images have not been generated";
    stage::Canvas canvas(1280, 720);
    for (const char* name : {"morvelin.png", "w0lvar.png", "pim00dle.png", "vexaroon.png",
                             "brisko.png", "g.png", "o.png", "end.png"}) {
        Texture card((data / name).c_str());
        EXPECT_NEAR(card.getWidth() * 9.0 / card.getHeight(), 16.0, 0.05) << name;
        canvas.fill(0, 0, 0, 1);
        drawTitleCard(card.getId(), 1, 0, 1280, 720);
        std::vector<Rgba> pixels = canvas.read();
        int lit = 0;
        for (Rgba p : pixels)
            lit += p.r > 128;
        // Some lettering, on a mostly transparent card.
        EXPECT_GT(lit, 500) << name;
        EXPECT_LT(lit, 1280 * 720 / 2) << name;
    }
}
