// A full-width 16:9 title card laid over whatever framebuffer is bound, letterboxed vertically on
// wider-than-tall-enough targets and shifted sideways by an offset in device units.
#pragma once

#include "Extensions.h"

// Fixed-function drawing with identity transforms and no program in use; the card is blended by
// its own alpha channel times alpha. width and height are the render size.
void drawTitleCard(GLuint texture, float alpha, float offset, int width, int height);
