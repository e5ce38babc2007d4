// A tileable rock surface and its tangent-space normal map, both from one height field.
// Normal map: red along +s (image right), green along +t (image down, as the rows are uploaded),
// blue out of the surface; each channel stores n * 0.5 + 0.5.
#include "Generator.h"

#include "Noise.h"

#include <cmath>

namespace {

struct RockParams {
    int size;
    uint32_t seed;
    int cells;
    int crackCells;
    float crackDepth;
    float crackWidth;
    Vec3 cool, warm;
    float bumpStrength;
};

float crackAt(float u, float v, int cells, float width, uint32_t seed) {
    // Warp the cells with tileable noise so the cracks wander; the warp tiles, so do the cracks.
    float wu = u + 0.06f * (periodicFbm(u, v, 4, 3, 0.5f, seed + 1) - 0.5f);
    float wv = v + 0.06f * (periodicFbm(u, v, 4, 3, 0.5f, seed + 2) - 0.5f);
    CellDistances d = periodicCellular(wu, wv, cells, seed);
    return 1.0f - smoothstep(0.0f, width, d.second - d.nearest);
}

}  // namespace

std::vector<NamedImage> generateRock(const ContentFile& source) {
    const Directive& rock = source.require("rock");
    RockParams p;
    int height;
    readSize(source, p.size, height);
    p.seed = static_cast<uint32_t>(rock.number("seed", 7));
    p.cells = static_cast<int>(rock.number("cells", 4));
    p.crackCells = static_cast<int>(rock.number("crack-cells", 5));
    p.crackDepth = rock.number("crack-depth", 0.35f);
    p.crackWidth = rock.number("crack-width", 0.08f);
    p.cool = parseColour(rock.text("cool", "0.40,0.43,0.47"));
    p.warm = parseColour(rock.text("warm", "0.50,0.46,0.41"));
    p.bumpStrength = source.require("normals").number("strength", 6.0f);

    const int n = p.size;
    std::vector<float> heightField(static_cast<size_t>(n) * n), crackField(heightField.size());
    std::vector<float> tintField(heightField.size());
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
            float base = periodicFbm(u, v, p.cells, 7, 0.52f, p.seed);
            // Ridges: folded noise gives sharper ledges than plain noise.
            float ridge = 1.0f - std::fabs(2.0f * periodicFbm(u, v, p.cells * 2, 5, 0.5f, p.seed + 9) - 1.0f);
            float grain = periodicFbm(u, v, p.cells * 16, 3, 0.5f, p.seed + 17);
            float crack = crackAt(u, v, p.crackCells, p.crackWidth, p.seed + 23);
            float fine = crackAt(u, v, p.crackCells * 3, p.crackWidth * 0.6f, p.seed + 29);
            float depthVariation = 0.6f + 0.8f * periodicFbm(u, v, 3, 2, 0.5f, p.seed + 31);
            float cracks = std::max(crack, 0.5f * fine) * depthVariation;
            size_t i = static_cast<size_t>(y) * n + x;
            heightField[i] = 0.55f * base + 0.3f * ridge * ridge + 0.08f * grain - p.crackDepth * cracks;
            crackField[i] = cracks;
            tintField[i] = periodicFbm(u, v, 2, 3, 0.5f, p.seed + 37);
        }
    }

    Image albedo(n, n), normals(n, n);
    auto h = [&](int x, int y) {
        return heightField[static_cast<size_t>((y + n) % n) * n + (x + n) % n];
    };
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            size_t i = static_cast<size_t>(y) * n + x;
            float speckle = hashUnit(x, y, 0, p.seed + 41);
            Vec3 tint = mix(p.cool, p.warm, smoothstep(0.35f, 0.65f, tintField[i]));
            float light = 0.55f + 0.9f * (heightField[i] - 0.35f) + 0.06f * (speckle - 0.5f);
            light *= 1.0f - 0.55f * std::min(1.0f, crackField[i]);
            Vec3 c = tint * light;
            albedo.set(x, y, c.x, c.y, c.z);

            // Slopes in height units per pixel, scaled to taste; differences wrap at the edges.
            float ds = 0.5f * (h(x + 1, y) - h(x - 1, y)) * n / 64.0f * p.bumpStrength;
            float dt = 0.5f * (h(x, y + 1) - h(x, y - 1)) * n / 64.0f * p.bumpStrength;
            Vec3 normal = normalize(Vec3{-ds, -dt, 1.0f});
            normals.set(x, y, normal.x * 0.5f + 0.5f, normal.y * 0.5f + 0.5f, normal.z * 0.5f + 0.5f);
        }
    }
    std::vector<NamedImage> out;
    out.push_back({source.require("output").word(0), std::move(albedo)});
    out.push_back({source.require("normals").word(0), std::move(normals)});
    return out;
}
