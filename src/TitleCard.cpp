// Title cards: one textured quad in normalised device coordinates.
#include "TitleCard.h"

#include <cmath>

namespace {

// Half the card's height: 1 on a 16:9 target, less on a squarer one.
float halfHeight(int width, int height) {
    return (static_cast<float>(width) / static_cast<float>(height)) / 1.7777778f;
}

// Texture coordinates 0 ... 1 of the visible texels, grown by a texel for the bilinear filter;
// a side that reaches the image's edge keeps the whole range, as the default repeat wrap lets
// the opposite edge bleed in there.
void visibleRange(int first, int last, int size, float& from, float& to) {
    if (first <= 0 || last >= size - 1) {
        from = 0.0f;
        to = 1.0f;
        return;
    }
    from = static_cast<float>(first - 1) / static_cast<float>(size);
    to = static_cast<float>(last + 2) / static_cast<float>(size);
}

// A pixel coordinate clamped to 0 ... limit before it becomes an int, so that any offset a track
// holds (infinite, NaN) converts safely; such a card lands nowhere and draws nothing.
int clampedPixel(float coordinate, int limit) {
    if (!(coordinate > 0.0f))
        return 0;
    if (coordinate >= static_cast<float>(limit))
        return limit;
    return static_cast<int>(coordinate);
}

} // namespace

void drawTitleCard(GLuint texture, float alpha, float offset, int width, int height) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);

    float h = halfHeight(width, height);

    glBegin(GL_QUADS);
    glColor4f(1, 1, 1, alpha);
    glTexCoord2f(0, 0);
    glVertex2f(offset - 1, h);
    glTexCoord2f(1, 0);
    glVertex2f(offset + 1, h);
    glTexCoord2f(1, 1);
    glVertex2f(offset + 1, -h);
    glTexCoord2f(0, 1);
    glVertex2f(offset - 1, -h);
    glEnd();

    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void drawTitleCard(const Texture& card, float alpha, float offset, int width, int height) {
    const TexelRect& visible = card.getVisibleTexels();
    if (visible.isEmpty())
        return;
    float s0, s1, t0, t1;
    visibleRange(visible.x0, visible.x1, card.getWidth(), s0, s1);
    visibleRange(visible.y0, visible.y1, card.getHeight(), t0, t1);

    // Where those coordinates land in pixels: s runs left to right across the quad, t (the
    // image's rows) from its top down. A pixel of margin covers rounding.
    float h = halfHeight(width, height);
    auto pixelX = [&](float s) { return (offset - 1.0f + 2.0f * s + 1.0f) * 0.5f * width; };
    auto pixelY = [&](float t) { return (h - 2.0f * h * t + 1.0f) * 0.5f * height; };
    int left = clampedPixel(std::floor(pixelX(s0)) - 1.0f, width);
    int right = clampedPixel(std::ceil(pixelX(s1)) + 1.0f, width);
    int bottom = clampedPixel(std::floor(pixelY(t1)) - 1.0f, height);
    int top = clampedPixel(std::ceil(pixelY(t0)) + 1.0f, height);
    if (right <= left || top <= bottom)
        return;

    glPushAttrib(GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, right - left, top - bottom);
    drawTitleCard(card.getId(), alpha, offset, width, height);
    glPopAttrib();
}
