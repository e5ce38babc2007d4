// Box reduction, difference statistics and the PNG files of the golden frames.
#include "golden/GoldenImage.h"

#include "ImageFile.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>

namespace golden {

Image reduce(const std::vector<unsigned char>& rgba, int width, int height) {
    Image out;
    out.width = width / reduction;
    out.height = height / reduction;
    out.rgb.resize(size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < reduction; ++dy)
                    for (int dx = 0; dx < reduction; ++dx)
                        sum +=
                            rgba[(size_t(y * reduction + dy) * width + x * reduction + dx) * 4 + c];
                int n = reduction * reduction;
                out.rgb[(size_t(y) * out.width + x) * 3 + c] = (unsigned char)((sum + n / 2) / n);
            }
    return out;
}

Difference compare(const Image& expected, const Image& actual, int level) {
    Difference d;
    const int block = 8;
    int blocksX = expected.width / block, blocksY = expected.height / block;
    std::vector<double> blockSums(size_t(blocksX) * blocksY, 0.0);
    double total = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                int delta = std::abs(int(expected.at(x, y)[c]) - int(actual.at(x, y)[c]));
                worst = std::max(worst, delta);
                total += delta;
                if (x / block < blocksX && y / block < blocksY)
                    blockSums[size_t(y / block) * blocksX + x / block] += delta;
            }
            d.overLevel += worst > level;
        }
    d.mean = total / (double(expected.width) * expected.height * 3);
    for (double sum : blockSums)
        d.worstBlock = std::max(d.worstBlock, sum / (block * block * 3));
    return d;
}

bool within(const Difference& d, const Tolerance& t) {
    return d.overLevel <= t.pixels && d.mean <= t.mean && d.worstBlock <= t.block;
}

Image load(const std::string& path) {
    Image image;
    int components = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &image.width, &image.height, &components, 3);
    if (!pixels)
        return Image{};
    image.rgb.assign(pixels, pixels + size_t(image.width) * image.height * 3);
    stbi_image_free(pixels);
    return image;
}

void save(const std::string& path, const Image& image) {
    writePng(path, image.width, image.height, image.rgb, 3);
}

Image differenceImage(const Image& a, const Image& b) {
    Image out = a;
    for (size_t i = 0; i < out.rgb.size(); ++i)
        out.rgb[i] = (unsigned char)std::min(255, 4 * std::abs(int(a.rgb[i]) - int(b.rgb[i])));
    return out;
}

} // namespace golden
