// Writes PNGs beside their final name and renames them into place when complete.
#include "ImageFile.h"

#include <stb/stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

void checkWritable(const std::string& path) {
    std::string probe = path + ".partial";
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write '" + path + "': " + std::strerror(errno));
    std::fclose(file);
    std::remove(probe.c_str());
}

void writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& pixels, int channels) {
    std::string partial = path + ".partial";
    if (!stbi_write_png(partial.c_str(), width, height, channels, pixels.data(),
                        width * channels)) {
        std::remove(partial.c_str());
        throw std::runtime_error("cannot write '" + path + "'");
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        throw std::runtime_error("cannot write '" + path + "': " + std::strerror(errno));
    }
}
