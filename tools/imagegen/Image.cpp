// Image storage and encoding through stb_image_write into memory.
#include "Image.h"

#include <stb/stb_image_write.h>

#include <cmath>
#include <fstream>
#include <stdexcept>

Image::Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, 0.0f) {}

void Image::set(int x, int y, float r, float g, float b, float a) {
    float* p = at(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

static unsigned char toByte(float v) {
    float c = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<unsigned char>(std::lround(c * 255.0f));
}

std::vector<unsigned char> quantize(const Image& image, int channels) {
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * channels);
    size_t n = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) {
            bytes[i * channels + c] = toByte(image.pixels[i * 4 + c]);
        }
    }
    return bytes;
}

static void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    auto* begin = static_cast<unsigned char*>(data);
    out->insert(out->end(), begin, begin + size);
}

std::vector<unsigned char> encodePng(const Image& image) {
    // Fixed settings so the same pixels always give the same file.
    stbi_write_png_compression_level = 9;
    stbi_write_force_png_filter = -1;
    std::vector<unsigned char> pixels = quantize(image, 4);
    std::vector<unsigned char> out;
    if (!stbi_write_png_to_func(appendBytes, &out, image.width, image.height, 4, pixels.data(),
                                image.width * 4)) {
        throw std::runtime_error("PNG encoding failed");
    }
    return out;
}

std::vector<unsigned char> encodeJpeg(const Image& image, int quality) {
    std::vector<unsigned char> pixels = quantize(image, 3);
    std::vector<unsigned char> out;
    if (!stbi_write_jpg_to_func(appendBytes, &out, image.width, image.height, 3, pixels.data(),
                                quality)) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return out;
}

std::vector<unsigned char> encodeForPath(const Image& image, const std::string& path, int jpegQuality) {
    auto endsWith = [&](const char* suffix) {
        std::string s(suffix);
        return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(".png")) {
        return encodePng(image);
    }
    if (endsWith(".jpg")) {
        return encodeJpeg(image, jpegQuality);
    }
    throw std::runtime_error("unknown image type for " + path);
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("could not write " + path);
    }
}
