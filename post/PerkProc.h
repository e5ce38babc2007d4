// The scene target every scene draws into, and the colour-grading pass that turns it into the
// bloom's input when the grading needs a pass of its own (else the bloom grades as it reads).
// One per process, made on first use.
#pragma once

#include "Grading.h"
#include "Program.h"
#include "RenderTarget.h"
#include "Shader.h"

#include <memory>

class PerkProc {
public:
    static PerkProc& get();

    PerkProc(const PerkProc&) = delete;
    PerkProc& operator=(const PerkProc&) = delete;

    // The off-screen framebuffer the scenes, the overlay and the title cards land in.
    RenderTarget& getTarget() { return *target; }
    Program& getProgram() { return *program; }
    // The variant the pass uses while the distortions and the dots are 0.
    Program& getPlainProgram() { return *plainProgram; }

    // Grades the target's image into whatever framebuffer is bound, over the caller's viewport;
    // mix blends from the untouched image (0) to the fully graded one (1).
    void apply(float mix);
    void apply(const Grading& grading);

private:
    PerkProc();
    ~PerkProc();

    std::unique_ptr<RenderTarget> target;
    std::unique_ptr<Shader> vertexShader;
    std::unique_ptr<Shader> fragmentShader;
    std::unique_ptr<Program> program;
    // Without the distortion and the dots, for the frames that leave both at 0.
    std::unique_ptr<Shader> plainFragmentShader;
    std::unique_ptr<Program> plainProgram;
};
