// Out-of-focus light discs on black: varied sizes, slightly brighter rims, a palette of night
// blues and teals with a few warm accents.
#include "Generator.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

std::vector<NamedImage> generateBokeh(const ContentFile& source) {
    int width, height;
    readSize(source, width, height);
    struct Swatch {
        Vec3 colour;
        float weight;
    };
    std::vector<Swatch> palette;
    float totalWeight = 0;
    for (const Directive* d : source.every("colour")) {
        palette.push_back({parseColour(d->word(0)), d->number("weight", 1)});
        totalWeight += palette.back().weight;
    }
    if (palette.empty()) {
        throw std::runtime_error(source.getName() + ": a bokeh needs colours");
    }

    std::vector<float> light(static_cast<size_t>(width) * height * 3, 0.0f);
    for (const Directive* layer : source.every("discs")) {
        Rng rng(static_cast<uint64_t>(layer->integer("seed", 1, 0, 1 << 30)));
        int count = layer->integer("count", 40, 0, 100000);
        float minRadius = layer->number("min-radius", 10),
              maxRadius = layer->number("max-radius", 60);
        float intensity = layer->number("intensity", 0.5f), rim = layer->number("rim", 0.5f);
        float softness = layer->number("softness", 0.03f);
        for (int k = 0; k < count; ++k) {
            float cx = rng.range(-0.05f, 1.05f) * width, cy = rng.range(-0.05f, 1.05f) * height;
            // Small discs are more common than large ones.
            float r = minRadius + (maxRadius - minRadius) * std::pow(rng.unit(), 2.0f);
            float pick = rng.unit() * totalWeight;
            Vec3 colour = palette.back().colour;
            for (const Swatch& s : palette) {
                if (pick < s.weight) {
                    colour = s.colour;
                    break;
                }
                pick -= s.weight;
            }
            float strength = intensity * rng.range(0.4f, 1.0f);
            float edge = 1.0f + softness * r;
            int x0 = std::max(0, static_cast<int>(cx - r - edge - 1));
            int x1 = std::min(width - 1, static_cast<int>(cx + r + edge + 1));
            int y0 = std::max(0, static_cast<int>(cy - r - edge - 1));
            int y1 = std::min(height - 1, static_cast<int>(cy + r + edge + 1));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
                    float inside = smoothstep(r + edge, r - edge, d);
                    if (inside <= 0) {
                        continue;
                    }
                    float ring = smoothstep(0.55f * r, r, d);
                    float value = strength * inside * (0.6f + rim * ring * ring);
                    float* p = &light[(static_cast<size_t>(y) * width + x) * 3];
                    p[0] += colour.x * value;
                    p[1] += colour.y * value;
                    p[2] += colour.z * value;
                }
            }
        }
    }
    Image image(width, height);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        // A soft shoulder so overlaps brighten without clipping flat.
        for (int c = 0; c < 3; ++c) {
            image.pixels[i * 4 + c] = 1.0f - std::exp(-1.3f * light[i * 3 + c]);
        }
        image.pixels[i * 4 + 3] = 1.0f;
    }
    return {{source.require("output").word(0), std::move(image)}};
}
