// Title cards: one textured quad in normalised device coordinates.
#include "TitleCard.h"

void drawTitleCard(GLuint texture, float alpha, float offset, int width, int height) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);

    // Half the card's height: 1 on a 16:9 target, less on a squarer one.
    float h = (static_cast<float>(width) / static_cast<float>(height)) / 1.7777778f;

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
