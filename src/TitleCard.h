// A full-width 16:9 title card laid over whatever framebuffer is bound, letterboxed vertically on
// wider-than-tall-enough targets and shifted sideways by an offset in device units.
#pragma once

#include "Extensions.h"
#include "Texture.h"

// Fixed-function drawing with identity transforms and no program in use; the card is blended by
// its own alpha channel times alpha. width and height are the render size, and the viewport
// covers it.
void drawTitleCard(GLuint texture, float alpha, float offset, int width, int height);
// The same quad, with the pixels it shades cut to those the card's visible texels can reach:
// elsewhere its alpha is 0 and the blend leaves the picture as it is. Nothing is drawn for a card
// without a visible texel.
void drawTitleCard(const Texture& card, float alpha, float offset, int width, int height);
