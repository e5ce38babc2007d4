// Test helpers: decoding the built images and finding the content sources.
#pragma once

#include "ContentFile.h"

#include <string>
#include <vector>

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// A file the build wrote into the runnable folder's Data/; fails the test when missing.
DecodedImage loadBuiltImage(const std::string& name);
ContentFile loadContentSource(const std::string& name);
std::vector<unsigned char> readFileBytes(const std::string& path);
std::string builtImagePath(const std::string& name);
