// Reads a text file whole; an empty file gives an empty String that still has storage.
#include "File.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <string>
#include <vector>

namespace File {

Kem::String readAll(const Kem::String& path) {
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::readFileLimited(path.getData() ? path.getData() : "",
                                          platform::shaderLimit, "shader");
    } catch (const Kem::Exception& error) {
        // The same words for every failure; the cause goes on the second line.
        throw Kem::Exception(Kem::String("Could not open input file: \"") + path + "\"", "src/File",
                             11, error.getMessage());
    }
    // The String stops at the first NUL, as C text does.
    std::string text(bytes.begin(), bytes.end());
    return Kem::String(text.c_str());
}

} // namespace File
