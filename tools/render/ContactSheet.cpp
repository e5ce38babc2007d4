// Box-filtered thumbnails and labels set in DejaVu Sans with stb_truetype.
#include "ContactSheet.h"

#include "platform/Files.h"

#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

const char* const fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int margin = 16;
constexpr int labelHeight = 26;
constexpr int titleHeight = 44;
constexpr unsigned char background = 24;

} // namespace

std::vector<double> sheetTimes(double every, double showSeconds) {
    // Compared in the whole milliseconds the frames are drawn at.
    const long long end = std::llround(showSeconds * 1000.0);
    std::vector<double> times;
    if (!(every > 0.0))
        return times;
    for (int k = 0; std::llround(k * every * 1000.0) < end; ++k)
        times.push_back(k * every);
    return times;
}

struct ContactSheet::Font {
    stbtt_fontinfo info;
};

ContactSheet::ContactSheet(int count, int columns, int thumbWidth, int thumbHeight,
                           const std::string& title)
    : columns(columns), thumbWidth(thumbWidth), thumbHeight(thumbHeight) {
    int rows = (count + columns - 1) / columns;
    width = margin + columns * (thumbWidth + margin);
    height = titleHeight + rows * (thumbHeight + labelHeight + margin) + margin;
    pixels.assign(size_t(width) * height * 4, background);
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;

    fontData = platform::readFileLimited(fontPath, platform::sourceLimit, "font");
    font = new Font;
    if (fontData.empty() || !stbtt_InitFont(&font->info, fontData.data(), 0)) {
        delete font;
        font = nullptr;
        throw std::runtime_error(std::string("cannot read the label font ") + fontPath);
    }
    drawText(title, margin, titleHeight - 14, 22.0f, 235);
}

ContactSheet::~ContactSheet() {
    delete font;
}

void ContactSheet::place(int index, const std::vector<unsigned char>& rgba, int frameWidth,
                         int frameHeight, const std::string& label) {
    int cellX = margin + (index % columns) * (thumbWidth + margin);
    int cellY = titleHeight + (index / columns) * (thumbHeight + labelHeight + margin);
    // Each thumbnail pixel averages the frame pixels that fall into it.
    for (int y = 0; y < thumbHeight; ++y) {
        int y0 = y * frameHeight / thumbHeight,
            y1 = std::max(y0 + 1, (y + 1) * frameHeight / thumbHeight);
        for (int x = 0; x < thumbWidth; ++x) {
            int x0 = x * frameWidth / thumbWidth,
                x1 = std::max(x0 + 1, (x + 1) * frameWidth / thumbWidth);
            unsigned sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += rgba[(size_t(sy) * frameWidth + sx) * 4 + c];
            unsigned n = unsigned((y1 - y0) * (x1 - x0));
            unsigned char* out = &pixels[(size_t(cellY + y) * width + cellX + x) * 4];
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<unsigned char>(sum[c] / n);
        }
    }
    drawText(label, cellX, cellY + thumbHeight + 19, 16.0f, 210);
}

void ContactSheet::drawText(const std::string& text, int x, int baseline, float size,
                            unsigned char shade) {
    float scale = stbtt_ScaleForPixelHeight(&font->info, size);
    float penX = float(x);
    for (size_t i = 0; i < text.size(); ++i) {
        int codepoint = static_cast<unsigned char>(text[i]);
        int advance, bearing;
        stbtt_GetCodepointHMetrics(&font->info, codepoint, &advance, &bearing);
        int w, h, xoff, yoff;
        unsigned char* glyph =
            stbtt_GetCodepointBitmap(&font->info, scale, scale, codepoint, &w, &h, &xoff, &yoff);
        for (int gy = 0; gy < h; ++gy)
            for (int gx = 0; gx < w; ++gx) {
                int px = int(penX) + xoff + gx, py = baseline + yoff + gy;
                if (px < 0 || py < 0 || px >= width || py >= height)
                    continue;
                unsigned coverage = glyph[gy * w + gx];
                unsigned char* out = &pixels[(size_t(py) * width + px) * 4];
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<unsigned char>(
                        (out[c] * (255 - coverage) + shade * coverage) / 255);
            }
        stbtt_FreeBitmap(glyph, nullptr);
        penX += advance * scale;
        if (i + 1 < text.size())
            penX += scale * stbtt_GetCodepointKernAdvance(&font->info, codepoint,
                                                          static_cast<unsigned char>(text[i + 1]));
    }
}
