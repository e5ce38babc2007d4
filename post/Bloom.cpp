// Bloom: three downsamples to 128 x 128, six separable blurs, one full-resolution mix.
#include "Bloom.h"

#include "LaunchOptions.h"
#include "Sync.h"

namespace {

const int levelSizes[3] = {512, 256, 128};
const int blurSize = 128;

// Clamped edges keep the screen border from bleeding in from the opposite side.
void clampEdges(RenderTarget& target) {
    glBindTexture(GL_TEXTURE_2D, target.getTexture(0)->getId());
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<float>(GL_CLAMP));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<float>(GL_CLAMP));
    glBindTexture(GL_TEXTURE_2D, 0);
}

void drawFullScreen() { glRecti(-1, -1, 1, 1); }

} // namespace

Bloom& Bloom::get() {
    static Bloom instance;
    return instance;
}

Bloom::Bloom() {
    const Resolution& size = getRenderResolution();
    input = std::make_unique<RenderTarget>(size.width, size.height, true, 1, GL_RGBA);
    for (int i = 0; i < 3; ++i)
        levels[i] =
            std::make_unique<RenderTarget>(levelSizes[i], levelSizes[i], false, 1, GL_RGBA);
    for (int i = 0; i < 3; ++i)
        clampEdges(*levels[i]);
    for (int i = 0; i < 2; ++i) {
        blurTargets[i] = std::make_unique<RenderTarget>(blurSize, blurSize, false, 1, GL_RGBA);
        clampEdges(*blurTargets[i]);
    }

    blitVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    blitFragment = std::make_unique<Shader>("Data/Blit.frag", GL_FRAGMENT_SHADER);
    blitProgram = std::make_unique<Program>(blitVertex.get(), blitFragment.get());
    blurVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    blurFragment = std::make_unique<Shader>("Data/Blur.frag", GL_FRAGMENT_SHADER);
    blurProgram = std::make_unique<Program>(blurVertex.get(), blurFragment.get());
    mixVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    mixFragment = std::make_unique<Shader>("Data/Mix.frag", GL_FRAGMENT_SHADER);
    mixProgram = std::make_unique<Program>(mixVertex.get(), mixFragment.get());

    bokehTexture = std::make_unique<Texture>("Data/bokehfuckyou.jpg");
}

Bloom::~Bloom() {
    input.reset();
    for (int i = 0; i < 3; ++i) {
        levels[i].reset();
        if (i < 2)
            blurTargets[i].reset();
    }
    glUseProgram(0);
    blitVertex.reset();
    blitFragment.reset();
    blitProgram.reset();
    blurVertex.reset();
    blurFragment.reset();
    blurProgram.reset();
    mixVertex.reset();
    mixFragment.reset();
    mixProgram.reset();
    bokehTexture.reset();
}

void Bloom::blur() {
    // Only the viewport is saved: the depth test stays off afterwards.
    glPushAttrib(GL_VIEWPORT_BIT);
    glDisable(GL_DEPTH_TEST);

    blitProgram->bind();
    blitProgram->setUniform1i("Tex", 0);
    glActiveTexture(GL_TEXTURE0);
    GLuint source = input->getTexture(0)->getId();
    for (int i = 0; i < 3; ++i) {
        glViewport(0, 0, levelSizes[i], levelSizes[i]);
        blitProgram->setUniform1f("Width", static_cast<float>(levelSizes[i]));
        blitProgram->setUniform1f("Height", static_cast<float>(levelSizes[i]));
        levels[i]->bind();
        glBindTexture(GL_TEXTURE_2D, source);
        drawFullScreen();
        source = levels[i]->getTexture(0)->getId();
    }

    // Six Gaussians, two wide, then four fine, each along x into target 1 and then along y into
    // target 0, where the mix reads the last.
    blurProgram->bind();
    blurProgram->setUniform1i("Tex", 0);
    for (int i = 0; i < 6; ++i) {
        blurProgram->setUniform1f("Delta", i < 2 ? 1.0f : 0.25f);
        for (int axis = 0; axis < 2; ++axis) {
            RenderTarget& destination = *blurTargets[axis == 0 ? 1 : 0];
            glBindTexture(GL_TEXTURE_2D, 0);
            destination.bind();
            glBindTexture(GL_TEXTURE_2D, source);
            blurProgram->setUniform2f("Direction", axis == 0 ? 1.0f : 0.0f,
                                      axis == 0 ? 0.0f : 1.0f);
            drawFullScreen();
            source = destination.getTexture(0)->getId();
        }
    }

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glPopAttrib();
}

void Bloom::mix(float intensity, float backgroundIntensity) {
    bokehTexture->bind(2);
    blurTargets[0]->getTexture(0)->bind(1);
    input->getTexture(0)->bind(0);

    const Resolution& size = getRenderResolution();
    mixProgram->bind();
    mixProgram->setUniform2f("Resolution", static_cast<float>(size.width),
                             static_cast<float>(size.height));
    mixProgram->setUniform1i("Tex", 0);
    mixProgram->setUniform1i("BlurTex", 1);
    mixProgram->setUniform1i("BokehTex", 2);
    mixProgram->setUniform1f("Intensity", intensity);
    mixProgram->setUniform1f("BgIntensity", backgroundIntensity);
    mixProgram->setUniform1f("WetExp", Sync::getValue("Bloom Wet Exp"));
    mixProgram->setUniform1f("BokehMix", Sync::getValue("Bloom B Mix"));

    drawFullScreen();
    glUseProgram(0);
}
