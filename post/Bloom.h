// The last stage of every frame: the graded image shrunk to 128 x 128, blurred, and mixed with
// the sharp image and a bokeh texture into the bound framebuffer. One per process, made on first
// use.
#pragma once

#include "Grading.h"
#include "Program.h"
#include "RenderTarget.h"
#include "Shader.h"
#include "Texture.h"

#include <memory>

class Bloom {
public:
    static Bloom& get();

    Bloom(const Bloom&) = delete;
    Bloom& operator=(const Bloom&) = delete;

    // Full render size: the grading pass draws into it.
    RenderTarget& getInput() { return *input; }
    RenderTarget& getLevel(int index) { return *levels[index]; }
    RenderTarget& getBlurTarget(int index) { return *blurTargets[index]; }
    Program& getMixProgram() { return *mixProgram; }

    // Downsample and blur the input; ends with framebuffer 0 and no program bound, the caller's
    // viewport restored and the depth test off. The result is in blur target 0.
    void blur();
    // Draws sharp x backgroundIntensity + shaped glow x intensity into the bound framebuffer.
    void mix(float intensity, float backgroundIntensity);
    // Both from another image: with a grading, the ungraded scene, graded pixel by pixel as they
    // read it (for a grading that does not need its own pass, one full-size pass less); without
    // one, an image taken as graded.
    void blur(Texture& source, const Grading* grading);
    void mix(float intensity, float backgroundIntensity, Texture& source, const Grading* grading);

private:
    Bloom();
    ~Bloom();

    void resampleBokeh();

    std::unique_ptr<RenderTarget> input;
    std::unique_ptr<RenderTarget> levels[2];
    std::unique_ptr<RenderTarget> blurTargets[2];
    std::unique_ptr<Texture> blurWeights;
    std::unique_ptr<Shader> blitVertex, blitFragment;
    std::unique_ptr<Program> blitProgram;
    std::unique_ptr<Shader> blurVertex, blurFragment;
    std::unique_ptr<Program> blurProgram;
    std::unique_ptr<Shader> mixVertex, mixFragment;
    std::unique_ptr<Program> mixProgram;
    std::unique_ptr<Shader> bokehFragment;
    std::unique_ptr<Program> bokehProgram;
    std::unique_ptr<Texture> bokehTexture;
    // The bokeh image filtered to the render size once, so the mix reads one texel a pixel;
    // made again whenever the image is reloaded (its texture id changes).
    std::unique_ptr<RenderTarget> bokehAtRenderSize;
    GLuint resampledBokeh = 0;
};
