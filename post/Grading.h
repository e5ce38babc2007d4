// One frame's colour grading, read from the "PerkProc" tracks, and how its per-pixel part
// reaches the programs that grade as they read.
#pragma once

class Program;

struct Grading {
    float time = 0.0f;
    float distortion = 0.0f;
    float distortion2 = 0.0f;
    float flash = 0.0f;
    float invert = 0.0f;
    float desaturation = 0.0f;
    float gradientExp = 0.0f;
    float vignetteExp = 0.0f;
    float dots = 0.0f;
    float mix = 0.0f; // from the untouched image (0) to the fully graded one (1)

    static Grading read(float mix);

    // Whether a pixel's grade depends on more than its own colour and place: the scan-line tear,
    // the lens warp and the halftone need the grading pass; all else commutes with averaging.
    bool needsItsOwnPass() const;

    // The uniforms of Data/Grading.comm; without a grading, Mix 0 passes the image through.
    static void setPerPixelUniforms(Program& program, const Grading* grading);
};
