// Reads the whole file through the size limit, checks the header's size, then decodes in memory.
#include "DecodedImage.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <cstdint>
#include <stb/stb_image.h>
#include <string>
#include <vector>

namespace {

[[noreturn]] void refuse(const Kem::String& path, const char* file, int line,
                         const std::string& cause) {
    throw Kem::Exception(Kem::String("Could not load texture \"") + path + "\"", file, line,
                         cause.c_str());
}

// The end-of-image marker among the last bytes (some writers pad after it).
bool endsWithJpegEnd(const std::vector<unsigned char>& bytes) {
    size_t from = bytes.size() > 1024 ? bytes.size() - 1024 : 0;
    for (size_t i = bytes.size() - 1; i > from; --i) {
        if (bytes[i - 1] == 0xFF && bytes[i] == 0xD9)
            return true;
    }
    return false;
}

} // namespace

DecodedImage::DecodedImage(const Kem::String& path, const char* file, int line) {
    std::string name = path.getData() ? path.getData() : "";
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::readFileLimited(name, platform::imageLimit, "image");
    } catch (const Kem::Exception& error) {
        refuse(path, file, line, error.getMessage().getData());
    }
    if (bytes.size() > size_t(INT32_MAX))
        refuse(path, file, line, "cannot read '" + name + "': too large");
    int length = static_cast<int>(bytes.size());
    int components = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &components))
        refuse(path, file, line, "cannot decode '" + name + "': not a PNG or JPEG image");
    // Checked before decoding: the header alone could ask for any amount of memory.
    if (width <= 0 || height <= 0 || width > platform::imageSideLimit ||
        height > platform::imageSideLimit)
        refuse(path, file, line,
               "cannot decode '" + name + "': " + std::to_string(width) + "x" +
                   std::to_string(height) + " is past the limit of " +
                   std::to_string(platform::imageSideLimit) + " pixels a side");
    // The JPEG decoder pads a cut-short file with grey; a whole file ends with its end marker.
    if (bytes[0] == 0xFF && bytes[1] == 0xD8 && !endsWithJpegEnd(bytes))
        refuse(path, file, line, "cannot decode '" + name + "': the JPEG is cut short");
    pixels = stbi_load_from_memory(bytes.data(), length, &width, &height, &components, 4);
    if (!pixels)
        refuse(path, file, line,
               "cannot decode '" + name +
                   "': " + (stbi_failure_reason() ? stbi_failure_reason() : "corrupt"));
}

DecodedImage::~DecodedImage() {
    stbi_image_free(pixels);
}
