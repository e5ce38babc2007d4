// Small reductions of rendered frames and the comparison that decides whether two of them show
// the same picture: tolerant of rasterisation noise, not of a shifted edge or a changed colour.
#pragma once

#include <string>
#include <vector>

namespace golden {

// Each stored pixel is the mean of a factor x factor block of the frame.
constexpr int reduction = 5;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // top row first

    const unsigned char* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// RGBA, top row first, of a size divisible by the factor.
Image reduce(const std::vector<unsigned char>& rgba, int width, int height);

struct Difference {
    double mean = 0;       // mean absolute difference over every channel of every pixel
    int overLevel = 0;     // pixels where some channel differs by more than `level`
    double worstBlock = 0; // largest mean absolute difference of an 8 x 8 block
};

struct Tolerance {
    int level;
    int pixels;   // at most this many pixels over the level
    double mean;  // and at most this mean difference
    double block; // and no block worse than this
};

Difference compare(const Image& expected, const Image& actual, int level);
bool within(const Difference& d, const Tolerance& t);

// PNG files, written through the renderer's writer; loading an absent file gives an empty image.
Image load(const std::string& path);
void save(const std::string& path, const Image& image);
// Four times the absolute difference, per channel.
Image differenceImage(const Image& a, const Image& b);

} // namespace golden
