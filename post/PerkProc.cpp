// Colour grading: one full-screen quad through "Data/PerkProc", driven by the "PerkProc" tracks.
#include "PerkProc.h"

#include "LaunchOptions.h"
#include "Sync.h"

PerkProc& PerkProc::get() {
    static PerkProc instance;
    return instance;
}

PerkProc::PerkProc() {
    const Resolution& size = getRenderResolution();
    target = std::make_unique<RenderTarget>(size.width, size.height, true, 1, GL_RGBA);
    glBindTexture(GL_TEXTURE_2D, target->getTexture(0)->getId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glBindTexture(GL_TEXTURE_2D, 0);

    vertexShader = std::make_unique<Shader>("Data/PerkProc.vert", GL_VERTEX_SHADER);
    fragmentShader = std::make_unique<Shader>("Data/PerkProc.frag", GL_FRAGMENT_SHADER);
    program = std::make_unique<Program>(vertexShader.get(), fragmentShader.get());
    plainFragmentShader = std::make_unique<Shader>("Data/PerkProc.frag", GL_FRAGMENT_SHADER,
                                                   "#define NO_DISTORTION\n#define NO_DOTS\n");
    plainProgram = std::make_unique<Program>(vertexShader.get(), plainFragmentShader.get());
}

PerkProc::~PerkProc() {
    target.reset();
    vertexShader.reset();
    fragmentShader.reset();
    glUseProgram(0);
    plainProgram.reset();
    plainFragmentShader.reset();
    program.reset();
}

void PerkProc::apply(float mix) {
    // Read now rather than taken from the frame, so it can run slightly ahead of the scene.
    float time = static_cast<float>(Sync::getTime());
    float distortion = Sync::getValue("PerkProc Distortion");
    float distortion2 = Sync::getValue("PerkProc Distortion2");
    float flash = Sync::getValue("PerkProc Flash");
    float invert = Sync::getValue("PerkProc Invert");
    float desaturation = Sync::getValue("PerkProc Desat");
    float gradientExp = Sync::getValue("PerkProc G Exp");
    float vignetteExp = Sync::getValue("PerkProc V Exp");
    float dots = Sync::getValue("PerkProc Dots");

    // The shader clamps the dots' amount to 0..1; the distortions act at any value but 0.
    bool plain = distortion == 0.0f && distortion2 == 0.0f && !(dots > 0.0f);
    Program& used = plain ? *plainProgram : *program;
    used.bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, target->getTexture(0)->getId());

    used.setUniform1i("Tex", 0);
    used.setUniform1f("Time", time);
    used.setUniform1f("Distortion", distortion);
    used.setUniform1f("Distortion2", distortion2);
    used.setUniform1f("Flash", flash);
    used.setUniform1f("Mix", mix);
    used.setUniform1f("Invert", invert);
    used.setUniform1f("Desaturation", desaturation);
    used.setUniform1f("GradientExp", gradientExp);
    used.setUniform1f("VignetteExp", vignetteExp);
    used.setUniform1f("Dots", dots);

    glRecti(-1, -1, 1, 1);

    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}
