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
}

PerkProc::~PerkProc() {
    target.reset();
    vertexShader.reset();
    fragmentShader.reset();
    glUseProgram(0);
    program.reset();
}

void PerkProc::apply(float mix) {
    program->bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, target->getTexture(0)->getId());

    program->setUniform1i("Tex", 0);
    // Read now rather than taken from the frame, so it can run slightly ahead of the scene.
    program->setUniform1f("Time", static_cast<float>(Sync::getTime()));
    program->setUniform1f("Distortion", Sync::getValue("PerkProc Distortion"));
    program->setUniform1f("Distortion2", Sync::getValue("PerkProc Distortion2"));
    program->setUniform1f("Flash", Sync::getValue("PerkProc Flash"));
    program->setUniform1f("Mix", mix);
    program->setUniform1f("Invert", Sync::getValue("PerkProc Invert"));
    program->setUniform1f("Desaturation", Sync::getValue("PerkProc Desat"));
    program->setUniform1f("GradientExp", Sync::getValue("PerkProc G Exp"));
    program->setUniform1f("VignetteExp", Sync::getValue("PerkProc V Exp"));
    program->setUniform1f("Dots", Sync::getValue("PerkProc Dots"));

    glRecti(-1, -1, 1, 1);

    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}
