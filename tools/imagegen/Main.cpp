// oxbrine-imagegen: builds the images named by one content source into the data folder.
// Usage: oxbrine-imagegen <source.txt> <data folder>
#include "ContentFile.h"
#include "Generator.h"
#include "kem/Exception.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <source.txt> <data folder>\n", argv[0]);
        return 2;
    }
    try {
        ContentFile source = ContentFile::load(argv[1]);
        for (const NamedImage& named : generateImages(source)) {
            std::string path = std::string(argv[2]) + "/" + named.fileName;
            writeBytes(path, encodeForPath(named.image, path, named.jpegQuality));
        }
    } catch (const Kem::Exception& e) {
        std::fprintf(stderr, "oxbrine-imagegen: %s\n", e.getMessage().getData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "oxbrine-imagegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
