// Decoding through stb_image, the same decoder the show uses.
#include "ImageFiles.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <fstream>
#include <iterator>

std::string builtImagePath(const std::string& name) {
    return std::string(OXBRINE_RUN_DIR) + "/Data/" + name;
}

DecodedImage loadBuiltImage(const std::string& name) {
    DecodedImage image;
    int components = 0;
    unsigned char* pixels =
        stbi_load(builtImagePath(name).c_str(), &image.width, &image.height, &components, 4);
    EXPECT_NE(pixels, nullptr) << "missing or undecodable " << name;
    if (pixels) {
        image.rgba.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 4);
        stbi_image_free(pixels);
    }
    return image;
}

ContentFile loadContentSource(const std::string& name) {
    return ContentFile::load(std::string(OXBRINE_SOURCE_DIR) + "/content/images/" + name);
}

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}
