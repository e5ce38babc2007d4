// Glyph layout and sub-pixel rasterisation through stb_truetype.
#include "Font.h"

#include "platform/Files.h"

#include <cmath>
#include <stdexcept>

Font::Font(const std::string& path) {
    data = platform::readFileLimited(path, platform::sourceLimit, "font");
    if (!stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0))) {
        throw std::runtime_error("not a usable font: " + path);
    }
}

float Font::measure(const std::string& text, float size, float tracking) const {
    float scale = stbtt_ScaleForMappingEmToPixels(&info, size);
    float x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int advance = 0, bearing = 0;
        int c = static_cast<unsigned char>(text[i]);
        stbtt_GetCodepointHMetrics(&info, c, &advance, &bearing);
        x += advance * scale;
        if (i + 1 < text.size()) {
            x += stbtt_GetCodepointKernAdvance(&info, c, static_cast<unsigned char>(text[i + 1])) *
                 scale;
            x += tracking * size;
        }
    }
    return x;
}

float Font::capHeight(float size) const {
    int x0, y0, x1, y1;
    stbtt_GetCodepointBox(&info, 'H', &x0, &y0, &x1, &y1);
    return y1 * stbtt_ScaleForMappingEmToPixels(&info, size);
}

void Font::draw(Mask& mask, const std::string& text, float x, float baseline, float size,
                float tracking, float opacity, int onlyLetter) const {
    float scale = stbtt_ScaleForMappingEmToPixels(&info, size);
    float yShift = baseline - std::floor(baseline);
    int baseRow = static_cast<int>(std::floor(baseline));
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < text.size(); ++i) {
        int c = static_cast<unsigned char>(text[i]);
        float xShift = x - std::floor(x);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, c, scale, scale, xShift, yShift, &x0, &y0, &x1,
                                            &y1);
        int w = x1 - x0, h = y1 - y0;
        bool wanted = onlyLetter < 0 || static_cast<size_t>(onlyLetter) == i;
        if (wanted && w > 0 && h > 0) {
            glyph.assign(static_cast<size_t>(w) * h, 0);
            stbtt_MakeCodepointBitmapSubpixel(&info, glyph.data(), w, h, w, scale, scale, xShift,
                                              yShift, c);
            int left = static_cast<int>(std::floor(x)) + x0, top = baseRow + y0;
            for (int gy = 0; gy < h; ++gy) {
                for (int gx = 0; gx < w; ++gx) {
                    float coverage = glyph[static_cast<size_t>(gy) * w + gx] / 255.0f;
                    if (coverage > 0) {
                        mask.cover(left + gx, top + gy, coverage * opacity);
                    }
                }
            }
        }
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, c, &advance, &bearing);
        x += advance * scale;
        if (i + 1 < text.size()) {
            x += stbtt_GetCodepointKernAdvance(&info, c, static_cast<unsigned char>(text[i + 1])) *
                 scale;
            x += tracking * size;
        }
    }
}
