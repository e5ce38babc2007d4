// Reads the whole file through the size limit, checks the header's size, then decodes in memory.
#include "DecodedImage.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <algorithm>
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

// Opaque images end the search within their first row; only cut-out images are read whole.
TexelRect findVisibleTexels(const unsigned char* rgba, int width, int height) {
    auto alpha = [&](int x, int y) {
        return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3];
    };
    auto rowHasAlpha = [&](int y) {
        for (int x = 0; x < width; ++x)
            if (alpha(x, y))
                return true;
        return false;
    };
    TexelRect rect;
    int top = 0;
    while (top < height && !rowHasAlpha(top))
        ++top;
    if (top == height)
        return rect;
    int bottom = height - 1;
    while (!rowHasAlpha(bottom))
        --bottom;
    int left = width, right = -1;
    for (int y = top; y <= bottom && (left > 0 || right < width - 1); ++y) {
        for (int x = 0; x < left; ++x)
            if (alpha(x, y)) {
                left = x;
                break;
            }
        for (int x = width - 1; x > right; --x)
            if (alpha(x, y)) {
                right = x;
                break;
            }
    }
    rect.x0 = left;
    rect.y0 = top;
    rect.x1 = right;
    rect.y1 = bottom;
    return rect;
}

// The size in a PNG's header chunk; false when the bytes do not start like a PNG.
bool readPngSize(const std::vector<unsigned char>& bytes, int& width, int& height) {
    static const unsigned char start[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                            0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (bytes.size() < 24 || !std::equal(start, start + 16, bytes.begin()))
        return false;
    auto bigEndian = [&](size_t at) {
        std::uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i)
            value = value << 8 | bytes[at + i];
        return value;
    };
    // Sides past 2^31 are past any limit too.
    width = int(std::min<std::uint32_t>(bigEndian(16), INT32_MAX));
    height = int(std::min<std::uint32_t>(bigEndian(20), INT32_MAX));
    return true;
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
    // A PNG's size is read from its header here: the decoder's own check of sizes past its
    // limits would call the image "not a PNG".
    if (!readPngSize(bytes, width, height) &&
        !stbi_info_from_memory(bytes.data(), length, &width, &height, &components))
        refuse(path, file, line, "cannot decode '" + name + "': not a PNG or JPEG image");
    // Checked before decoding: the header alone could ask for any amount of memory.
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width <= 0 || height <= 0)
        refuse(path, file, line, "cannot decode '" + name + "': " + size + " has no pixels");
    if (width > platform::imageSideLimit || height > platform::imageSideLimit)
        refuse(path, file, line,
               "cannot decode '" + name + "': " + size + " is past the limit of " +
                   std::to_string(platform::imageSideLimit) + " pixels a side");
    // The JPEG decoder pads a cut-short file with grey; a whole file ends with its end marker.
    if (bytes[0] == 0xFF && bytes[1] == 0xD8 && !endsWithJpegEnd(bytes))
        refuse(path, file, line, "cannot decode '" + name + "': the JPEG is cut short");
    pixels = stbi_load_from_memory(bytes.data(), length, &width, &height, &components, 4);
    if (!pixels)
        refuse(path, file, line,
               "cannot decode '" + name +
                   "': " + (stbi_failure_reason() ? stbi_failure_reason() : "corrupt"));
    visible = findVisibleTexels(pixels, width, height);
}

DecodedImage::~DecodedImage() {
    stbi_image_free(pixels);
}
