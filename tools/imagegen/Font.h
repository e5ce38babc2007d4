// A TrueType font drawn with stb_truetype into a coverage mask, with kerning and tracking.
#pragma once

#include "Mask.h"

#include <stb/stb_truetype.h>

#include <string>
#include <vector>

class Font {
public:
    explicit Font(const std::string& path);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Advance width of `text` at `size` pixels per em with `tracking` em added between letters.
    float measure(const std::string& text, float size, float tracking) const;
    // Draws with the baseline's left end at (x, baseline); with `onlyLetter` >= 0 the whole text
    // is laid out but only that letter is drawn.
    void draw(Mask& mask, const std::string& text, float x, float baseline, float size,
              float tracking, float opacity, int onlyLetter = -1) const;
    // Height of capital letters above the baseline, in pixels at `size`.
    float capHeight(float size) const;

private:
    std::vector<unsigned char> data;
    stbtt_fontinfo info;
};
