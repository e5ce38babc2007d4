// Encodes PNGs in memory and hands them to the one file writer.
#include "ImageFile.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <stb/stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

void checkWritable(const std::string& path) {
    platform::checkWritable(path);
}

void writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& pixels, int channels) {
    std::vector<unsigned char> encoded;
    if (!stbi_write_png_to_func(appendBytes, &encoded, width, height, channels, pixels.data(),
                                width * channels))
        throw Kem::Exception(("cannot write '" + path + "': the PNG could not be encoded").c_str(),
                             "tools/render/ImageFile", __LINE__);
    platform::writeFileAtomically(path, encoded);
}
