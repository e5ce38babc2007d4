// The grading and bloom passes on known images: pass-through, each grading effect, the glow and
// the state the blur leaves behind.
#include "Bloom.h"
#include "PerkProc.h"
#include "Stage.h"

#include <cmath>
#include <cstdlib>

using stage::Rgba;

namespace {

const int width = 1280, height = 720;

// Smooth colour ramps with a bright square in the middle: enough structure to see every effect.
std::vector<Rgba> testImage() {
    std::vector<Rgba> pixels(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool square = std::abs(x - 640) < 40 && std::abs(y - 360) < 40;
            unsigned char r = static_cast<unsigned char>(40 + x * 150 / width);
            unsigned char g = static_cast<unsigned char>(60 + y * 120 / height);
            pixels[y * width + x] = square ? Rgba{255, 255, 255, 255} : Rgba{r, g, 90, 255};
        }
    return pixels;
}

void upload(Texture* texture, const std::vector<Rgba>& pixels) {
    glBindTexture(GL_TEXTURE_2D, texture->getId());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

int largestDifference(const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max({largest, std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g),
                            std::abs(a[i].b - b[i].b)});
    return largest;
}

Rgba at(const std::vector<Rgba>& pixels, int x, int y) {
    return pixels[y * width + x];
}
int brightness(Rgba p) {
    return p.r + p.g + p.b;
}

// Every amount 0 but the mix, which grades fully.
::Grading fullyGraded() {
    ::Grading amounts;
    amounts.time = 1.5f;
    amounts.mix = 1.0f;
    return amounts;
}

class Post : public ::testing::Test {
protected:
    void SetUp() override {
        stage::enter();
        PerkProc& perkProc = PerkProc::get();
        upload(perkProc.getTarget().getTexture(0), image);
    }

    // The grading program with chosen amounts, drawn as the pass draws it.
    std::vector<Rgba> grade(const ::Grading& amounts, bool plain = false) {
        PerkProc& perkProc = PerkProc::get();
        canvas.bind();
        Program& program = plain ? perkProc.getPlainProgram() : perkProc.getProgram();
        program.bind();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, perkProc.getTarget().getTexture(0)->getId());
        program.setUniform1i("Tex", 0);
        program.setUniform1f("Time", amounts.time);
        program.setUniform1f("Distortion", amounts.distortion);
        program.setUniform1f("Distortion2", amounts.distortion2);
        ::Grading::setPerPixelUniforms(program, &amounts);
        program.setUniform1f("Dots", amounts.dots);
        glRecti(-1, -1, 1, 1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glUseProgram(0);
        return canvas.read();
    }

    std::vector<Rgba> image = testImage();
    // GL reads bottom row first; the image was uploaded in the same order, so they compare.
    stage::Canvas canvas{width, height};
};

} // namespace

TEST_F(Post, GradingWithMixZeroOrAllAmountsZeroPassesTheImageThrough) {
    canvas.bind();
    PerkProc::get().apply(0);
    EXPECT_EQ(largestDifference(canvas.read(), image), 0);
    EXPECT_EQ(stage::getInteger(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(stage::getInteger(GL_TEXTURE_BINDING_2D), 0);

    EXPECT_LE(largestDifference(grade(fullyGraded()), image), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Post, ThePlainVariantGradesLikeTheFullProgramWithoutDistortionOrDots) {
    ::Grading none = fullyGraded(), tones = fullyGraded(), flashed = fullyGraded(),
              inverted = fullyGraded();
    tones.desaturation = 0.35f;
    tones.gradientExp = 1;
    tones.vignetteExp = 1.6f;
    flashed.flash = 0.4f;
    flashed.vignetteExp = 1.2f;
    inverted.invert = 0.7f;
    inverted.mix = 0.5f;
    inverted.dots = -1; // clamped to none
    for (const ::Grading& amounts : {none, tones, flashed, inverted})
        EXPECT_LE(largestDifference(grade(amounts, true), grade(amounts)), 1);

    // The variant really leaves the lens warp and the halftone out.
    ::Grading warped = fullyGraded(), dotted = fullyGraded();
    warped.distortion2 = 2;
    dotted.dots = 1;
    EXPECT_GT(largestDifference(grade(warped, true), grade(warped)), 10);
    EXPECT_GT(largestDifference(grade(dotted, true), grade(dotted)), 10);
}

TEST_F(Post, FlashInvertAndDesaturationDoWhatTheySay) {
    ::Grading flash = fullyGraded();
    flash.flash = 1;
    EXPECT_EQ(brightness(at(grade(flash), 100, 100)), 765);

    ::Grading invert = fullyGraded();
    invert.invert = 1;
    Rgba inverted = at(grade(invert), 100, 100);
    Rgba original = at(image, 100, 100);
    EXPECT_NEAR(inverted.r, 255 - original.r, 1);
    EXPECT_NEAR(inverted.b, 255 - original.b, 1);

    ::Grading grey = fullyGraded();
    grey.desaturation = 1;
    Rgba desaturated = at(grade(grey), 1000, 600);
    EXPECT_NEAR(desaturated.r, desaturated.g, 1);
    EXPECT_NEAR(desaturated.g, desaturated.b, 1);

    ::Grading halfway = invert;
    halfway.mix = 0.5f;
    EXPECT_NEAR(at(grade(halfway), 100, 100).r, 127.5, 1.5);
}

TEST_F(Post, GradientAndVignetteAreGentleAtOne) {
    ::Grading gradient = fullyGraded();
    gradient.gradientExp = 1;
    std::vector<Rgba> graded = grade(gradient);
    // Bottom (row 0 read back) darker than the top, the top untouched.
    double bottomRatio = at(graded, 300, 2).g / double(at(image, 300, 2).g);
    double topRatio = at(graded, 300, height - 3).g / double(at(image, 300, height - 3).g);
    EXPECT_LT(bottomRatio, 0.75);
    EXPECT_GT(bottomRatio, 0.4);
    EXPECT_GT(topRatio, 0.97);

    ::Grading vignette = fullyGraded();
    vignette.vignetteExp = 1;
    graded = grade(vignette);
    double cornerRatio = brightness(at(graded, 2, 2)) / double(brightness(at(image, 2, 2)));
    EXPECT_LT(cornerRatio, 0.6);
    EXPECT_GT(cornerRatio, 0.2);
    EXPECT_GE(brightness(at(graded, 640, 360)), 760);
}

TEST_F(Post, DistortionsAndDotsMoveOrBreakUpTheImage) {
    ::Grading tear = fullyGraded();
    tear.distortion = 1;
    EXPECT_GT(largestDifference(grade(tear), image), 60);

    ::Grading lens = fullyGraded();
    lens.distortion2 = 1;
    std::vector<Rgba> warped = grade(lens);
    EXPECT_LE(largestDifference({at(warped, 640, 300)}, {at(image, 640, 300)}), 2);
    // The bright square's edge moves outward, and red further than blue.
    EXPECT_GT(largestDifference(warped, image), 100);

    ::Grading dots = fullyGraded();
    dots.dots = 1;
    std::vector<Rgba> screened = grade(dots);
    int darkest = 999, brightest = 0;
    for (int x = 0; x < 12; ++x) {
        darkest = std::min(darkest, brightness(at(screened, 300 + x, 300)));
        brightest = std::max(brightest, brightness(at(screened, 300 + x, 300)));
    }
    EXPECT_GT(brightest - darkest, 100);
}

TEST_F(Post, BlurLeavesTheCallersViewportFramebufferZeroAndNoDepthTest) {
    Bloom& bloom = Bloom::get();
    EXPECT_EQ(bloom.getInput().getWidth(), width);
    EXPECT_EQ(bloom.getInput().getHeight(), height);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(bloom.getLevel(i).getWidth(), 512 >> (2 * i));
        EXPECT_EQ(bloom.getLevel(i).getHeight(), 512 >> (2 * i));
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(bloom.getBlurTarget(i).getWidth(), 128);
        EXPECT_EQ(bloom.getBlurTarget(i).getHeight(), 128);
    }

    canvas.bind();
    glViewport(3, 4, 100, 50);
    glEnable(GL_DEPTH_TEST);
    bloom.blur();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 3);
    EXPECT_EQ(viewport[1], 4);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 50);
    EXPECT_EQ(stage::getInteger(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(stage::getInteger(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Post, MixPassesTheSharpImageDryAndGlowsAroundHighlightsWet) {
    Bloom& bloom = Bloom::get();
    upload(bloom.getInput().getTexture(0), image);
    bloom.blur();

    canvas.bind();
    bloom.mix(0, 1);
    EXPECT_EQ(largestDifference(canvas.read(), image), 0);

    // Wet only, on a black frame with one white square: light around the square, none far away.
    std::vector<Rgba> dark(width * height, Rgba{0, 0, 0, 255});
    for (int y = 320; y < 400; ++y)
        for (int x = 600; x < 680; ++x)
            dark[y * width + x] = Rgba{255, 255, 255, 255};
    upload(bloom.getInput().getTexture(0), dark);
    bloom.blur();
    canvas.bind();
    bloom.mix(1, 0);
    std::vector<Rgba> glow = canvas.read();
    int inside = brightness(at(glow, 640, 360));
    int near = brightness(at(glow, 700, 360));
    int further = brightness(at(glow, 760, 360));
    EXPECT_GT(inside, 300);
    EXPECT_GT(near, 10);
    EXPECT_LT(near, inside);
    EXPECT_LT(further, near);
    EXPECT_EQ(brightness(at(glow, 100, 100)), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Post, GradingAsTheBloomReadsTheSceneEqualsTheGradingPassBeforeIt) {
    ::Grading full = fullyGraded();
    full.flash = 0.2f;
    full.invert = 0.3f;
    full.desaturation = 0.5f;
    full.gradientExp = 1.0f;
    full.vignetteExp = 1.2f;
    ::Grading half = full;
    half.mix = 0.5f;
    Bloom& bloom = Bloom::get();
    PerkProc& perkProc = PerkProc::get();
    Texture& scene = *perkProc.getTarget().getTexture(0);
    for (const ::Grading& grading : {full, half}) {
        bloom.getInput().bind();
        glViewport(0, 0, width, height);
        perkProc.apply(grading);
        bloom.blur();
        canvas.bind();
        bloom.mix(1, 1);
        std::vector<Rgba> separate = canvas.read();
        EXPECT_GT(largestDifference(separate, image), 40);

        bloom.blur(scene, &grading);
        canvas.bind();
        bloom.mix(1, 1, scene, &grading);
        EXPECT_LE(largestDifference(canvas.read(), separate), 2) << "mix " << grading.mix;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
