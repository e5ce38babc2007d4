// A float RGBA image and its encoding to PNG or JPEG with fixed encoder settings.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Image {
    Image() = default;
    Image(int width, int height);

    int width = 0;
    int height = 0;
    std::vector<float> pixels; // RGBA, 0..1, top row first

    float* at(int x, int y) { return &pixels[(static_cast<size_t>(y) * width + x) * 4]; }
    const float* at(int x, int y) const {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
    void set(int x, int y, float r, float g, float b, float a = 1.0f);
};

// 8-bit samples with rounding; `channels` is 3 (alpha dropped) or 4.
std::vector<unsigned char> quantize(const Image& image, int channels);

std::vector<unsigned char> encodePng(const Image& image);
std::vector<unsigned char> encodeJpeg(const Image& image, int quality);
// Encodes by the file name's extension (.png keeps alpha, .jpg drops it).
std::vector<unsigned char> encodeForPath(const Image& image, const std::string& path,
                                         int jpegQuality);

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
