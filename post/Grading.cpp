// Reads the grading tracks and hands their per-pixel part to a program.
#include "Grading.h"

#include "Program.h"
#include "Sync.h"

Grading Grading::read(float mix) {
    Grading grading;
    grading.mix = mix;
    // Read now rather than taken from the frame, so it can run slightly ahead of the scene.
    grading.time = static_cast<float>(Sync::getTime());
    grading.distortion = Sync::getValue("PerkProc Distortion");
    grading.distortion2 = Sync::getValue("PerkProc Distortion2");
    grading.flash = Sync::getValue("PerkProc Flash");
    grading.invert = Sync::getValue("PerkProc Invert");
    grading.desaturation = Sync::getValue("PerkProc Desat");
    grading.gradientExp = Sync::getValue("PerkProc G Exp");
    grading.vignetteExp = Sync::getValue("PerkProc V Exp");
    grading.dots = Sync::getValue("PerkProc Dots");
    return grading;
}

bool Grading::needsItsOwnPass() const {
    // The shader clamps the dots' amount to 0..1; the distortions act at any value but 0.
    return distortion != 0.0f || distortion2 != 0.0f || dots > 0.0f;
}

void Grading::setPerPixelUniforms(Program& program, const Grading* grading) {
    static const Grading none;
    const Grading& used = grading ? *grading : none;
    program.setUniform1f("Flash", used.flash);
    program.setUniform1f("Mix", used.mix);
    program.setUniform1f("Invert", used.invert);
    program.setUniform1f("Desaturation", used.desaturation);
    program.setUniform1f("GradientExp", used.gradientExp);
    program.setUniform1f("VignetteExp", used.vignetteExp);
}
