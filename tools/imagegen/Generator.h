// Turns one content source into the images it names; each kind of image has its own generator.
#pragma once

#include "ContentFile.h"
#include "CubeLayout.h"
#include "Image.h"
#include "Vec3.h"

#include <string>
#include <vector>

struct NamedImage {
    std::string fileName; // relative to the data folder, e.g. "rock.png"
    Image image;
    int jpegQuality = 92; // "quality=" on the line that names the file
};

std::vector<NamedImage> generateImages(const ContentFile& source);

// The generators, one per "kind".
std::vector<NamedImage> generateCard(const ContentFile& source);
std::vector<NamedImage> generateRock(const ContentFile& source);
std::vector<NamedImage> generateBokeh(const ContentFile& source);
std::vector<NamedImage> generateBars(const ContentFile& source);
std::vector<NamedImage> generateSky(const ContentFile& source);

// Shared option readers: "r,g,b" colours and the "size W H" directive.
Vec3 parseColour(const std::string& text);
// Sides of a generated image, in pixels: a 8192 square is 256 MB of float RGBA already.
constexpr int largestSide = 8192;
// "size W [H]", each a whole number from 1 to largestSide.
void readSize(const ContentFile& source, int& width, int& height);
// The "quad" directives of a flat sky-box atlas: four words "x,y,z,u,v" each.
std::vector<AtlasQuad> readAtlasQuads(const ContentFile& source);
