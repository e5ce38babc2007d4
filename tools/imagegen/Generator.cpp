// Dispatch on the source's "kind" and the option readers the generators share.
#include "Generator.h"

#include <sstream>
#include <stdexcept>

static std::vector<NamedImage> generateByKind(const ContentFile& source) {
    const std::string& kind = source.require("kind").word(0);
    if (kind == "card") {
        return generateCard(source);
    }
    if (kind == "rock") {
        return generateRock(source);
    }
    if (kind == "bokeh") {
        return generateBokeh(source);
    }
    if (kind == "bars") {
        return generateBars(source);
    }
    if (kind == "sky") {
        return generateSky(source);
    }
    throw std::runtime_error(source.getName() + ": unknown kind '" + kind + "'");
}

std::vector<NamedImage> generateImages(const ContentFile& source) {
    std::vector<NamedImage> images = generateByKind(source);
    for (NamedImage& named : images) {
        for (const Directive& d : source.all()) {
            if (!d.words.empty() && d.words[0] == named.fileName && d.has("quality")) {
                named.jpegQuality = d.integer("quality", 92, 1, 100);
            }
        }
    }
    return images;
}

Vec3 parseColour(const std::string& text) {
    Vec3 c;
    char comma1 = 0, comma2 = 0;
    std::istringstream in(text);
    in >> c.x >> comma1 >> c.y >> comma2 >> c.z;
    if (!in || comma1 != ',' || comma2 != ',') {
        throw std::runtime_error("not a colour (r,g,b): " + text);
    }
    return c;
}

void readSize(const ContentFile& source, int& width, int& height) {
    const Directive& size = source.require("size");
    width = size.integerWord(0, 1, largestSide);
    height = size.words.size() > 1 ? size.integerWord(1, 1, largestSide) : width;
}
