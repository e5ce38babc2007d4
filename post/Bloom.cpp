// Bloom: two downsamples to 128 x 128, one blur along each axis, one full-resolution mix.
#include "Bloom.h"

#include "BlurKernel.h"
#include "LaunchOptions.h"
#include "Sync.h"

namespace {

const int levelSizes[2] = {512, 128};
const int blurSize = 128;
// The Gaussians the blur is made of, as tap spacings: two wide, then four that smooth out what
// the wide ones left. They are folded into one weight per texel and neighbour at start-up.
const float blurDeltas[6] = {1.0f, 1.0f, 0.25f, 0.25f, 0.25f, 0.25f};

// Clamped edges keep the screen border from bleeding in from the opposite side.
void clampEdges(RenderTarget& target) {
    glBindTexture(GL_TEXTURE_2D, target.getTexture(0)->getId());
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<float>(GL_CLAMP));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<float>(GL_CLAMP));
    glBindTexture(GL_TEXTURE_2D, 0);
}

void drawFullScreen() {
    glRecti(-1, -1, 1, 1);
}

} // namespace

Bloom& Bloom::get() {
    static Bloom instance;
    return instance;
}

Bloom::Bloom() {
    const Resolution& size = getRenderResolution();
    input = std::make_unique<RenderTarget>(size.width, size.height, true, 1, GL_RGBA);
    // As the scene target's: the first downsample reads either the same way.
    clampEdges(*input);
    for (int i = 0; i < 2; ++i) {
        levels[i] = std::make_unique<RenderTarget>(levelSizes[i], levelSizes[i], false, 1, GL_RGBA);
        clampEdges(*levels[i]);
    }
    for (int i = 0; i < 2; ++i) {
        blurTargets[i] = std::make_unique<RenderTarget>(blurSize, blurSize, false, 1, GL_RGBA);
        clampEdges(*blurTargets[i]);
    }

    // One RGBA texel holds four weights: a row per output texel, BlurKernel::band / 4 texels.
    BlurKernel kernel = foldBlurPasses(blurSize, blurDeltas, 6);
    blurWeights = std::make_unique<Texture>(BlurKernel::band / 4, blurSize, GL_RGBA32F);
    glBindTexture(GL_TEXTURE_2D, blurWeights->getId());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, BlurKernel::band / 4, blurSize, GL_RGBA, GL_FLOAT,
                    kernel.weights.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    blitVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    blitFragment =
        std::make_unique<Shader>("Data/Grading.comm", "Data/Blit.frag", GL_FRAGMENT_SHADER);
    blitProgram = std::make_unique<Program>(blitVertex.get(), blitFragment.get());
    blurVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    blurFragment = std::make_unique<Shader>("Data/Blur.frag", GL_FRAGMENT_SHADER);
    blurProgram = std::make_unique<Program>(blurVertex.get(), blurFragment.get());
    mixVertex = std::make_unique<Shader>("Data/Blit.vert", GL_VERTEX_SHADER);
    mixFragment =
        std::make_unique<Shader>("Data/Grading.comm", "Data/Mix.frag", GL_FRAGMENT_SHADER);
    mixProgram = std::make_unique<Program>(mixVertex.get(), mixFragment.get());
    bokehFragment = std::make_unique<Shader>("Data/Grading.comm", "Data/Mix.frag",
                                             GL_FRAGMENT_SHADER, "#define RESAMPLE_BOKEH\n");
    bokehProgram = std::make_unique<Program>(mixVertex.get(), bokehFragment.get());

    bokehTexture = std::make_unique<Texture>("Data/bokehfuckyou.jpg");
    bokehAtRenderSize = std::make_unique<RenderTarget>(size.width, size.height, false, 1, GL_RGBA);
}

Bloom::~Bloom() {
    input.reset();
    for (int i = 0; i < 2; ++i) {
        levels[i].reset();
        blurTargets[i].reset();
    }
    blurWeights.reset();
    glUseProgram(0);
    blitVertex.reset();
    blitFragment.reset();
    blitProgram.reset();
    blurVertex.reset();
    blurFragment.reset();
    blurProgram.reset();
    bokehProgram.reset();
    bokehFragment.reset();
    mixVertex.reset();
    mixFragment.reset();
    mixProgram.reset();
    bokehTexture.reset();
    bokehAtRenderSize.reset();
}

void Bloom::blur() {
    blur(*input->getTexture(0), nullptr);
}

void Bloom::blur(Texture& source, const Grading* grading) {
    // Only the viewport is saved: the depth test stays off afterwards.
    glPushAttrib(GL_VIEWPORT_BIT);
    glDisable(GL_DEPTH_TEST);

    // Four bilinear taps a quarter of a destination texel from its centre: at 512 to 128 they
    // fall between texels, so the pass averages each 4 x 4 block exactly.
    blitProgram->bind();
    blitProgram->setUniform1i("Tex", 0);
    glActiveTexture(GL_TEXTURE0);
    GLuint level = source.getId();
    for (int i = 0; i < 2; ++i) {
        // Graded at the first level only: the second averages graded texels.
        Grading::setPerPixelUniforms(*blitProgram, i == 0 ? grading : nullptr);
        glViewport(0, 0, levelSizes[i], levelSizes[i]);
        blitProgram->setUniform1f("Width", static_cast<float>(levelSizes[i]));
        blitProgram->setUniform1f("Height", static_cast<float>(levelSizes[i]));
        levels[i]->bind();
        glBindTexture(GL_TEXTURE_2D, level);
        drawFullScreen();
        level = levels[i]->getTexture(0)->getId();
    }

    // Along x into target 1, then along y into target 0, where the mix reads it.
    blurProgram->bind();
    blurProgram->setUniform1i("Tex", 0);
    blurProgram->setUniform1i("Weights", 1);
    blurWeights->bind(1);
    glActiveTexture(GL_TEXTURE0);
    for (int axis = 0; axis < 2; ++axis) {
        RenderTarget& destination = *blurTargets[axis == 0 ? 1 : 0];
        glBindTexture(GL_TEXTURE_2D, 0);
        destination.bind();
        glBindTexture(GL_TEXTURE_2D, level);
        blurProgram->setUniform2f("Direction", axis == 0 ? 1.0f : 0.0f, axis == 0 ? 0.0f : 1.0f);
        drawFullScreen();
        level = destination.getTexture(0)->getId();
    }

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glPopAttrib();
}

void Bloom::resampleBokeh() {
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    const Resolution& size = getRenderResolution();
    bokehAtRenderSize->bind();
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, size.width, size.height);
    bokehTexture->bind(2);
    bokehProgram->bind();
    bokehProgram->setUniform2f("Resolution", static_cast<float>(size.width),
                               static_cast<float>(size.height));
    bokehProgram->setUniform1i("BokehTex", 2);
    drawFullScreen();
    glPopAttrib();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    resampledBokeh = bokehTexture->getId();
}

void Bloom::mix(float intensity, float backgroundIntensity) {
    mix(intensity, backgroundIntensity, *input->getTexture(0), nullptr);
}

void Bloom::mix(float intensity, float backgroundIntensity, Texture& source,
                const Grading* grading) {
    if (resampledBokeh != bokehTexture->getId())
        resampleBokeh();
    bokehAtRenderSize->getTexture(0)->bind(2);
    blurTargets[0]->getTexture(0)->bind(1);
    source.bind(0);

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
    Grading::setPerPixelUniforms(*mixProgram, grading);

    drawFullScreen();
    glUseProgram(0);
}
