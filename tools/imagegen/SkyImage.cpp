// Sky images: a direction function rendered into a vertical cross (for CubeTexture) or into a
// flat sky-box atlas whose quads the source lists exactly as the scene draws them.
#include "SkyRender.h"

#include "Generator.h"
#include "Numbers.h"
#include "SourceText.h"

#include <cmath>
#include <limits>
#include <stdexcept>

static AtlasQuad parseQuad(const Directive& d) {
    // Words: four groups of "x,y,z,u,v".
    AtlasQuad quad;
    if (d.words.size() != 4) {
        throw std::runtime_error(text::where(d.file, d.line, 0, "quad needs four corners"));
    }
    for (int i = 0; i < 4; ++i) {
        float values[5];
        const std::string& corner = d.words[i];
        size_t start = 0;
        for (int k = 0; k < 5; ++k) {
            size_t end = corner.find(',', start);
            if ((end == std::string::npos) != (k == 4)) {
                throw std::runtime_error(
                    text::where(d.file, d.line, d.wordColumns[i], "corner needs x,y,z,u,v"));
            }
            text::NumberRead read = text::readDecimal(
                std::string_view(corner).substr(start, end == std::string::npos ? std::string::npos
                                                                                : end - start),
                -1e6, 1e6);
            if (!read.ok) {
                throw std::runtime_error(
                    text::where(d.file, d.line, d.wordColumns[i], "quad corner: " + read.problem));
            }
            values[k] = float(read.value);
            start = end + 1;
        }
        quad.corner[i] = {values[0], values[1], values[2]};
        quad.u[i] = values[3];
        quad.v[i] = values[4];
    }
    return quad;
}

std::vector<AtlasQuad> readAtlasQuads(const ContentFile& source) {
    std::vector<AtlasQuad> quads;
    for (const Directive* q : source.every("quad")) {
        quads.push_back(parseQuad(*q));
    }
    return quads;
}

namespace {

Vec3 supersampled(const SkyFunction& sky, const std::function<Vec3(float, float)>& directionAt,
                  float x, float y) {
    // Four samples per pixel keep stars and fine streaks from aliasing.
    static const float offsets[4][2] = {
        {0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}};
    Vec3 sum;
    for (const auto& o : offsets) {
        sum = sum + sky(directionAt(x + o[0], y + o[1]));
    }
    return sum * 0.25f;
}

} // namespace

Image renderCross(const SkyFunction& sky, int faceSize) {
    Image image(3 * faceSize, 4 * faceSize);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            int face, column, row;
            if (!crossToFaceTexel(x, y, faceSize, face, column, row)) {
                image.set(x, y, 0, 0, 0);
                continue;
            }
            auto directionAt = [&](float c, float r) {
                return faceToDirection(face, c / faceSize, r / faceSize);
            };
            Vec3 c =
                supersampled(sky, directionAt, static_cast<float>(column), static_cast<float>(row));
            image.set(x, y, c.x, c.y, c.z);
        }
    }
    return image;
}

Image renderAtlas(const SkyFunction& sky, const std::vector<AtlasQuad>& quads, int width,
                  int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Pixels between or beside the quads continue the nearest one, so filtering at the
            // quads' edges reads matching colours.
            float u = (x + 0.5f) / width, v = (y + 0.5f) / height;
            const AtlasQuad* nearest = nullptr;
            float best = std::numeric_limits<float>::max();
            for (const AtlasQuad& q : quads) {
                float d = atlasDistance(q, u, v);
                if (d < best) {
                    best = d;
                    nearest = &q;
                }
            }
            auto directionAt = [&](float px, float py) {
                return atlasToPoint(*nearest, px / width, py / height);
            };
            Vec3 c = supersampled(sky, directionAt, static_cast<float>(x), static_cast<float>(y));
            image.set(x, y, c.x, c.y, c.z);
        }
    }
    return image;
}

std::vector<NamedImage> generateSky(const ContentFile& source) {
    const Directive& layout = source.require("layout");
    SkyFunction sky = makeSky(source);
    Image image;
    if (layout.word(0) == "cross") {
        image = renderCross(sky, layout.integer("face", 256, 1, largestSide / 4));
    } else if (layout.word(0) == "atlas") {
        std::vector<AtlasQuad> quads = readAtlasQuads(source);
        if (quads.empty()) {
            throw std::runtime_error(source.getName() + ": an atlas needs quads");
        }
        image = renderAtlas(sky, quads, layout.integer("width", 1024, 1, largestSide),
                            layout.integer("height", 768, 1, largestSide));
    } else {
        throw std::runtime_error(source.getName() + ": unknown layout " + layout.word(0));
    }
    return {{source.require("output").word(0), std::move(image)}};
}
