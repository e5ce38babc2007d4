// Image storage and encoding through stb_image_write into memory.
#include "Image.h"

#include "platform/Files.h"

#include <string>

#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdint>
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

static const char toolMark[] = "oxbrine-imagegen";

static uint32_t crc32(const unsigned char* data, size_t size) {
    uint32_t crc = 0xffffffffU;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

// Adds a "Software" text chunk after the PNG header chunk (8 signature bytes + 25 of IHDR).
static void markPng(std::vector<unsigned char>& png) {
    std::string text = "tEXtSoftware";
    text += '\0'; // separates the keyword from its text
    text += toolMark;
    std::vector<unsigned char> chunk(text.begin(), text.end());
    uint32_t length = static_cast<uint32_t>(chunk.size() - 4);
    uint32_t crc = crc32(chunk.data(), chunk.size());
    std::vector<unsigned char> bytes = {
        static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
        static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<unsigned char>(crc >> shift));
    }
    png.insert(png.begin() + 33, bytes.begin(), bytes.end());
}

// Adds a comment segment right after the JPEG start-of-image marker.
static void markJpeg(std::vector<unsigned char>& jpeg) {
    size_t length = sizeof(toolMark) - 1 + 2;
    std::vector<unsigned char> segment = {0xff, 0xfe, static_cast<unsigned char>(length >> 8),
                                          static_cast<unsigned char>(length)};
    segment.insert(segment.end(), toolMark, toolMark + sizeof(toolMark) - 1);
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
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
    markPng(out);
    return out;
}

std::vector<unsigned char> encodeJpeg(const Image& image, int quality) {
    std::vector<unsigned char> pixels = quantize(image, 3);
    std::vector<unsigned char> out;
    if (!stbi_write_jpg_to_func(appendBytes, &out, image.width, image.height, 3, pixels.data(),
                                quality)) {
        throw std::runtime_error("JPEG encoding failed");
    }
    markJpeg(out);
    return out;
}

std::vector<unsigned char> encodeForPath(const Image& image, const std::string& path,
                                         int jpegQuality) {
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
    platform::writeFileAtomically(path, bytes);
}
