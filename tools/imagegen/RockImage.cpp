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
    float open = 1.0f - smoothstep(0.0f, width, d.second - d.nearest);
    return open * open;
}

} // namespace

std::vector<NamedImage> generateRock(const ContentFile& source) {
    const Directive& rock = source.require("rock");
    RockParams p;
    int height;
    readSize(source, p.size, height);
    p.seed = static_cast<uint32_t>(rock.integer("seed", 7, 0, 1 << 30));
    p.cells = rock.integer("cells", 4, 1, 1024);
    p.crackCells = rock.integer("crack-cells", 5, 1, 1024);
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
            float base = 0.5f + 0.5f * periodicGradientFbm(u, v, p.cells, 7, 0.55f, p.seed);
            // Ridged noise: folded octaves give sharp ledges rather than soft hills.
            float ridge = 0;
            float amplitude = 0.5f;
            for (int octave = 0; octave < 4; ++octave) {
                float n = periodicGradientNoise(u * (p.cells * (2 << octave)),
                                                v * (p.cells * (2 << octave)),
                                                p.cells * (2 << octave), p.seed + 9 + octave);
                float r = 1.0f - std::fabs(n);
                ridge += amplitude * r * r;
                amplitude *= 0.5f;
            }
            // Faint strata across the tile, bent by noise; a whole number of layers keeps the wrap.
            float bend = periodicGradientFbm(u, v, 2, 3, 0.5f, p.seed + 13);
            float strata = 0.5f + 0.5f * std::sin(6.2831853f * (7.0f * v + 1.5f * bend));
            float grain = periodicGradientFbm(u, v, p.cells * 32, 2, 0.5f, p.seed + 17);
            // Cracks come and go along their length so the network never reads as tiles.
            float presence = smoothstep(0.4f, 0.6f, periodicFbm(u, v, 3, 3, 0.5f, p.seed + 19));
            float crack = crackAt(u, v, p.crackCells, p.crackWidth, p.seed + 23) * presence;
            float finePresence = smoothstep(0.5f, 0.7f, periodicFbm(u, v, 6, 3, 0.5f, p.seed + 27));
            float fine =
                crackAt(u, v, p.crackCells * 3, p.crackWidth * 0.5f, p.seed + 29) * finePresence;
            float cracks = std::max(crack, 0.6f * fine);
            size_t i = static_cast<size_t>(y) * n + x;
            heightField[i] =
                0.5f * base + 0.4f * ridge + 0.06f * strata + 0.05f * grain - p.crackDepth * cracks;
            crackField[i] = cracks;
            tintField[i] = 0.5f + 0.5f * periodicGradientFbm(u, v, 2, 4, 0.5f, p.seed + 37);
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
            float light = 0.5f + 0.8f * (heightField[i] - 0.4f) + 0.08f * (speckle - 0.5f);
            light *= 1.0f - 0.6f * std::min(1.0f, crackField[i]);
            Vec3 c = tint * light;
            albedo.set(x, y, c.x, c.y, c.z);

            // Slopes in height units per pixel, scaled to taste; differences wrap at the edges.
            float ds = 0.5f * (h(x + 1, y) - h(x - 1, y)) * n / 64.0f * p.bumpStrength;
            float dt = 0.5f * (h(x, y + 1) - h(x, y - 1)) * n / 64.0f * p.bumpStrength;
            Vec3 normal = normalize(Vec3{-ds, -dt, 1.0f});
            normals.set(x, y, normal.x * 0.5f + 0.5f, normal.y * 0.5f + 0.5f,
                        normal.z * 0.5f + 0.5f);
        }
    }
    std::vector<NamedImage> out;
    out.push_back({source.require("output").word(0), std::move(albedo)});
    out.push_back({source.require("normals").word(0), std::move(normals)});
    if (const Directive* heights = source.find("height")) {
        // Optional grey height image, for inspection and for checking the normals against it.
        Image grey(n, n);
        for (size_t i = 0; i < heightField.size(); ++i) {
            grey.set(static_cast<int>(i % n), static_cast<int>(i / n), heightField[i],
                     heightField[i], heightField[i]);
        }
        out.push_back({heights->word(0), std::move(grey)});
    }
    return out;
}
