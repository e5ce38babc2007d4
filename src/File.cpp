// Reads a text file whole; an empty file gives an empty String that still has storage.
#include "File.h"

#include "kem/Exception.h"

#include <fstream>
#include <iterator>
#include <string>

namespace File {

Kem::String readAll(const Kem::String& path) {
    std::ifstream stream(path.getData() ? path.getData() : "");
    if (!stream.good())
        throw Kem::Exception(Kem::String("Could not open input file: \"") + path + "\"", "src/File",
                             11);
    std::string buffer((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    stream.close();
    // The String stops at the first NUL, as C text does.
    return Kem::String(buffer.c_str());
}

} // namespace File
