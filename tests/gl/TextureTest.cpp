// 2D textures from decoded images and as empty storage, against the real driver.
#include "Texture.h"
#include "GLTest.h"
#include "ImagePrefetch.h"
#include "Program.h"
#include "Reloadable.h"
#include "RenderTarget.h"
#include "Shader.h"

using gltest::text;

namespace {

GLint levelParameter(GLuint id, GLenum name) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

// A 24x8 frame showing the texture stretched over [-1, 2] x [0, 1], so that its filtering and its
// wrapping both show.
std::vector<unsigned char> drawStretched(Texture& texture) {
    static const std::string fragmentPath = [] {
        std::string path = gltest::scratchPath("stretched.frag");
        gltest::writeText(path, "#version 330 compatibility\n"
                                "uniform sampler2D image;\n"
                                "in vec2 texCoord;\n"
                                "out vec4 color;\n"
                                "void main() {\n"
                                "    color = texture(image, vec2(texCoord.x * 3.0 - 1.0, 0.5));\n"
                                "}\n");
        return path;
    }();
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(fragmentPath.c_str(), GL_FRAGMENT_SHADER);
    Program program(&vertex, &fragment);
    RenderTarget target(24, 8, false, 1, GL_RGBA8);
    target.bind();
    glViewport(0, 0, 24, 8);
    program.bind();
    program.setUniform1i("image", 0);
    texture.bind(0);
    glRecti(-1, -1, 1, 1);
    std::vector<unsigned char> pixels(24 * 8 * 4);
    glReadPixels(0, 0, 24, 8, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    program.unbind();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return pixels;
}

// The sampling an effect may choose instead of the defaults (linear, repeating).
void sampleNearestMirrored(Texture& texture) {
    glBindTexture(GL_TEXTURE_2D, texture.getId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace

// An image saved again is reloaded into the texture the effect holds, with the sampling the
// effect gave it: the frame is the one a texture made from the new image with that sampling
// draws, and unlike the one the default sampling draws.
TEST(Texture, ReloadedImageKeepsItsFilteringAndWrapping) {
    std::string path = gltest::scratchPath("stripes.png");
    gltest::writePng(path, 2, 1, 1, {0, 255});
    Texture texture(path.c_str());
    sampleNearestMirrored(texture);
    std::vector<unsigned char> before = drawStretched(texture);

    std::string swappedPath = gltest::scratchPath("swapped.png");
    gltest::writePng(swappedPath, 2, 1, 1, {255, 0});
    Texture expected(swappedPath.c_str());
    std::vector<unsigned char> withDefaults = drawStretched(expected);
    sampleNearestMirrored(expected);
    std::vector<unsigned char> withEffectSampling = drawStretched(expected);
    ASSERT_NE(withDefaults, withEffectSampling) << "the frame does not show the sampling";

    gltest::writePng(path, 2, 1, 1, {255, 0});
    Reloadables::Outcome outcome = Reloadables::rebuildReaders(path);
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.rebuilt, 1);
    std::vector<unsigned char> after = drawStretched(texture);
    EXPECT_NE(after, before) << "the new image was not taken up";
    EXPECT_EQ(after, withEffectSampling) << "the reloaded texture lost its sampling";
}

TEST(Texture, RedPixelBecomesOneRedTexel) {
    std::string path = gltest::scratchPath("red.png");
    gltest::writePng(path, 1, 1, 4, {255, 0, 0, 255});
    Texture texture(path.c_str());
    EXPECT_EQ(texture.getWidth(), 1);
    EXPECT_EQ(texture.getHeight(), 1);
    EXPECT_EQ(gltest::getInteger(GL_TEXTURE_BINDING_2D), 0);
    std::vector<unsigned char> texel =
        gltest::readTexture(GL_TEXTURE_2D, texture.getId(), GL_TEXTURE_2D, 1, 1);
    EXPECT_EQ(texel, (std::vector<unsigned char>{255, 0, 0, 255}));

    GLint minFilter = 0, magFilter = 0;
    glBindTexture(GL_TEXTURE_2D, texture.getId());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR) << "no mipmaps, so the filter must not ask for them";
    EXPECT_EQ(magFilter, GL_LINEAR);
}

TEST(Texture, GreyAndRgbImagesComeBackAsRgbaTopRowFirst) {
    std::string grey = gltest::scratchPath("grey.png");
    gltest::writePng(grey, 2, 2, 1, {10, 20, 30, 40});
    Texture greyTexture(grey.c_str());
    EXPECT_EQ(gltest::readTexture(GL_TEXTURE_2D, greyTexture.getId(), GL_TEXTURE_2D, 2, 2),
              (std::vector<unsigned char>{10, 10, 10, 255, 20, 20, 20, 255, 30, 30, 30, 255, 40, 40,
                                          40, 255}));

    std::string rgb = gltest::scratchPath("rgb.png");
    gltest::writePng(rgb, 1, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Texture rgbTexture(rgb.c_str());
    EXPECT_EQ(rgbTexture.getWidth(), 1);
    EXPECT_EQ(rgbTexture.getHeight(), 3);
    EXPECT_EQ(gltest::readTexture(GL_TEXTURE_2D, rgbTexture.getId(), GL_TEXTURE_2D, 1, 3),
              (std::vector<unsigned char>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));
}

TEST(Texture, MissingOrUndecodableFileNamesThePath) {
    Kem::Exception e = gltest::thrownBy([] { Texture("Data/none.png"); });
    EXPECT_EQ(text(e.getMessage()), "Could not load texture \"Data/none.png\"");
    EXPECT_EQ(text(e.getFile()), "src/Texture");
    EXPECT_EQ(e.getLine(), 21);

    std::string garbage = gltest::scratchPath("garbage.png");
    gltest::writeText(garbage, "this is not an image");
    e = gltest::thrownBy([&] { Texture(garbage.c_str()); });
    EXPECT_EQ(text(e.getMessage()), "Could not load texture \"" + garbage + "\"");
}

TEST(Texture, PrefetchedFilesLoadAsIfDecodedThenAndEachOnce) {
    std::string blue = gltest::scratchPath("blue.png");
    std::string green = gltest::scratchPath("green.png");
    std::string garbage = gltest::scratchPath("prefetched-garbage.png");
    gltest::writePng(blue, 1, 2, 4, {0, 0, 255, 255, 0, 0, 128, 255});
    gltest::writePng(green, 1, 1, 3, {0, 200, 0});
    gltest::writeText(garbage, "this is not an image");
    {
        // The green file is named but never used; the missing one and the garbage still fail.
        ImagePrefetch prefetch({blue, "Data/none.png", green, garbage});
        Texture texture(blue.c_str());
        EXPECT_EQ(gltest::readTexture(GL_TEXTURE_2D, texture.getId(), GL_TEXTURE_2D, 1, 2),
                  (std::vector<unsigned char>{0, 0, 255, 255, 0, 0, 128, 255}));
        EXPECT_EQ(decodeImage(blue.c_str(), "test", 0), decodeImage(blue.c_str(), "test", 0))
            << "decoded once";
        EXPECT_EQ(text(gltest::thrownBy([] { Texture("Data/none.png"); }).getMessage()),
                  "Could not load texture \"Data/none.png\"");
        EXPECT_EQ(text(gltest::thrownBy([&] { Texture(garbage.c_str()); }).getMessage()),
                  "Could not load texture \"" + garbage + "\"");
    }
    // Gone with the prefetch: a file changed since is read again.
    gltest::writePng(blue, 1, 1, 4, {9, 8, 7, 255});
    Texture reread(blue.c_str());
    EXPECT_EQ(gltest::readTexture(GL_TEXTURE_2D, reread.getId(), GL_TEXTURE_2D, 1, 1),
              (std::vector<unsigned char>{9, 8, 7, 255}));
}

TEST(Texture, EmptyStorageHasTheAskedSizeAndFormat) {
    Texture texture(64, 32, GL_RGBA16F);
    EXPECT_EQ(texture.getWidth(), 64);
    EXPECT_EQ(texture.getHeight(), 32);
    EXPECT_EQ(levelParameter(texture.getId(), GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParameter(texture.getId(), GL_TEXTURE_HEIGHT), 32);
    EXPECT_EQ(levelParameter(texture.getId(), GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA16F);
    Texture single(4, 4, GL_R8);
    EXPECT_EQ(levelParameter(single.getId(), GL_TEXTURE_INTERNAL_FORMAT), GL_R8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Texture, BindLeavesItsUnitActiveAndDestructionFreesTheName) {
    GLuint id = 0;
    {
        Texture texture(2, 2, GL_RGBA);
        id = texture.getId();
        texture.bind(3);
        EXPECT_EQ(gltest::getInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
        EXPECT_EQ(gltest::getInteger(GL_TEXTURE_BINDING_2D), GLint(id));
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
    }
    EXPECT_FALSE(glIsTexture(id));
}
