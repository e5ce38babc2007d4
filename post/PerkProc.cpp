// Colour grading: one full-screen quad through "Data/PerkProc", driven by the "PerkProc" tracks.
#include "PerkProc.h"

#include "LaunchOptions.h"

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
    fragmentShader =
        std::make_unique<Shader>("Data/Grading.comm", "Data/PerkProc.frag", GL_FRAGMENT_SHADER);
    program = std::make_unique<Program>(vertexShader.get(), fragmentShader.get());
    plainFragmentShader =
        std::make_unique<Shader>("Data/Grading.comm", "Data/PerkProc.frag", GL_FRAGMENT_SHADER,
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
    apply(Grading::read(mix));
}

void PerkProc::apply(const Grading& grading) {
    Program& used = grading.needsItsOwnPass() ? *program : *plainProgram;
    used.bind();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, target->getTexture(0)->getId());

    used.setUniform1i("Tex", 0);
    used.setUniform1f("Time", grading.time);
    used.setUniform1f("Distortion", grading.distortion);
    used.setUniform1f("Distortion2", grading.distortion2);
    Grading::setPerPixelUniforms(used, &grading);
    used.setUniform1f("Dots", grading.dots);

    glRecti(-1, -1, 1, 1);

    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}
