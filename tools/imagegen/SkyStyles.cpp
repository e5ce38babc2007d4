// The three sky looks: a blue nebula with stars, a dusky horizon and a soft studio-like glow.
#include "SkyStyles.h"

#include "Generator.h"
#include "Noise.h"

#include <cmath>
#include <stdexcept>
#include <vector>

float starField(Vec3 d, float scale, float density, uint32_t seed) {
    Vec3 p = d * scale;
    int cx = static_cast<int>(std::floor(p.x)), cy = static_cast<int>(std::floor(p.y));
    int cz = static_cast<int>(std::floor(p.z));
    float light = 0;
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                int x = cx + dx, y = cy + dy, z = cz + dz;
                if (hashUnit(x, y, z, seed) >= density) {
                    continue;
                }
                Vec3 star{x + hashUnit(x, y, z, seed + 1), y + hashUnit(x, y, z, seed + 2),
                          z + hashUnit(x, y, z, seed + 3)};
                float radius = length(star);
                if (std::fabs(radius - scale) > 0.5f) {
                    continue; // keeps one shell of cells so the density stays even
                }
                Vec3 onSphere = star * (scale / radius);
                Vec3 offset = p - onSphere;
                float distance2 = dot(offset, offset);
                // Mostly faint, a few bright.
                float brightness = 0.05f + 2.2f * std::pow(hashUnit(x, y, z, seed + 4), 10.0f);
                float sigma = 0.3f + 0.2f * hashUnit(x, y, z, seed + 5);
                light += brightness * std::exp(-distance2 / (2 * sigma * sigma));
            }
        }
    }
    return light;
}

namespace {

Vec3 option(const Directive& d, const std::string& key, const char* fallback) {
    return parseColour(d.text(key, fallback));
}

SkyFunction nebula(const Directive& d) {
    Vec3 deep = option(d, "deep", "0.01,0.02,0.06");
    Vec3 mid = option(d, "mid", "0.06,0.18,0.34");
    Vec3 bright = option(d, "bright", "0.45,0.70,0.90");
    Vec3 accent = option(d, "accent", "0.30,0.16,0.45");
    Vec3 bandNormal = normalize(option(d, "band", "0.3,1.0,0.2"));
    float stars = d.number("stars", 0.08f);
    uint32_t seed = static_cast<uint32_t>(d.integer("seed", 1, 0, 1 << 30));
    return [=](Vec3 dir) {
        dir = normalize(dir);
        Vec3 warp{fbm(dir * 1.7f, 4, 0.5f, seed + 10), fbm(dir * 1.7f, 4, 0.5f, seed + 20),
                  fbm(dir * 1.7f, 4, 0.5f, seed + 30)};
        Vec3 q = dir * 2.4f + warp * 1.6f;
        float cloud = 0.5f + 0.5f * fbm(q, 6, 0.55f, seed);
        float detail = 0.5f + 0.5f * fbm(q * 3.1f, 4, 0.5f, seed + 40);
        float across = dot(dir, bandNormal);
        float band = std::exp(-across * across / 0.22f);
        float density =
            smoothstep(0.25f, 0.8f, cloud * (0.6f + 0.6f * band)) * (0.6f + 0.4f * detail);
        Vec3 colour = mix(deep, mid, smoothstep(0.0f, 0.6f, density));
        colour = mix(colour, bright, smoothstep(0.55f, 1.0f, density) * 0.8f);
        float tint = smoothstep(0.45f, 0.75f, 0.5f + 0.5f * fbm(dir * 1.3f, 3, 0.5f, seed + 50));
        colour = colour + accent * (tint * density * 0.6f);
        // Dust lanes darken the brightest parts a little.
        float dust = smoothstep(0.55f, 0.8f,
                                0.5f + 0.5f * fbm(q * 2.0f + Vec3{3, 1, 7}, 5, 0.5f, seed + 60));
        colour = colour * (1.0f - 0.55f * dust * band);
        float starLight = starField(dir, 220.0f, stars, seed + 70) +
                          starField(dir, 70.0f, stars * 0.5f, seed + 80);
        return colour + Vec3{0.85f, 0.92f, 1.0f} * starLight;
    };
}

SkyFunction dusk(const Directive& d) {
    Vec3 zenith = option(d, "zenith", "0.01,0.02,0.07");
    Vec3 high = option(d, "high", "0.06,0.10,0.26");
    Vec3 horizon = option(d, "horizon", "0.90,0.46,0.22");
    Vec3 haze = option(d, "haze", "0.55,0.32,0.38");
    Vec3 ground = option(d, "ground", "0.03,0.03,0.05");
    Vec3 sun = normalize(option(d, "sun", "0.0,0.02,-1.0"));
    float stars = d.number("stars", 0.10f);
    uint32_t seed = static_cast<uint32_t>(d.integer("seed", 2, 0, 1 << 30));
    return [=](Vec3 dir) {
        dir = normalize(dir);
        float e = dir.y;
        float towardSun =
            0.5f + 0.5f * dot(normalize(Vec3{dir.x, 0, dir.z} * 1.0f + Vec3{0, 1e-4f, 0}),
                              normalize(Vec3{sun.x, 0, sun.z}));
        float glow = std::pow(towardSun, 1.6f);
        Vec3 sky = mix(high, zenith, smoothstep(0.15f, 0.85f, e));
        Vec3 low = mix(haze * 0.55f, horizon, glow);
        sky = mix(sky, low, std::exp(-std::max(e, 0.0f) * (3.5f - 1.5f * glow)));
        // Thin cloud streaks low in the sky, lit from the sun's side.
        Vec3 q{dir.x * 3.0f, dir.y * 16.0f, dir.z * 3.0f};
        float streak = smoothstep(0.55f, 0.8f, 0.5f + 0.5f * fbm(q, 5, 0.5f, seed));
        float streakBand = smoothstep(0.0f, 0.05f, e) * (1.0f - smoothstep(0.12f, 0.35f, e));
        sky = mix(sky, mix(haze * 0.35f, horizon * 1.15f, glow), streak * streakBand * 0.7f);
        float starLight = starField(dir, 230.0f, stars, seed + 10) +
                          starField(dir, 70.0f, stars * 0.5f, seed + 20);
        sky = sky + Vec3{0.9f, 0.93f, 1.0f} * (starLight * smoothstep(0.08f, 0.45f, e));
        // Below the horizon: a dark ground that keeps a little of the glow near the line.
        Vec3 below = mix(mix(ground, low * 0.3f, std::exp(e * 10.0f)), ground * 0.5f,
                         smoothstep(-0.1f, -0.9f, e));
        return mix(below, sky, smoothstep(-0.03f, 0.01f, e));
    };
}

SkyFunction soft(const ContentFile& source, const Directive& d) {
    Vec3 top = option(d, "top", "0.20,0.30,0.50");
    Vec3 horizon = option(d, "horizon", "0.10,0.16,0.28");
    Vec3 bottom = option(d, "bottom", "0.03,0.04,0.07");
    struct Blob {
        Vec3 direction;
        Vec3 colour;
        float width;
    };
    std::vector<Blob> blobs;
    for (const Directive* b : source.every("blob")) {
        blobs.push_back({normalize(option(*b, "direction", "0,1,0")), option(*b, "colour", "1,1,1"),
                         b->number("width", 0.2f)});
    }
    uint32_t seed = static_cast<uint32_t>(d.integer("seed", 3, 0, 1 << 30));
    return [=](Vec3 dir) {
        dir = normalize(dir);
        float e = dir.y;
        Vec3 c = mix(bottom, top, smoothstep(-0.7f, 0.9f, e));
        c = mix(c, horizon, std::exp(-e * e / 0.06f) * 0.6f);
        for (const Blob& blob : blobs) {
            c = c + blob.colour * std::exp((dot(dir, blob.direction) - 1.0f) / blob.width);
        }
        // A very gentle large-scale variation so the gradient is not perfectly clean.
        return c * (0.9f + 0.2f * (0.5f + 0.5f * fbm(dir * 1.5f, 3, 0.5f, seed)));
    };
}

} // namespace

SkyFunction makeSky(const ContentFile& source) {
    const Directive& style = source.require("style");
    const std::string& name = style.word(0);
    if (name == "nebula") {
        return nebula(style);
    }
    if (name == "dusk") {
        return dusk(style);
    }
    if (name == "soft") {
        return soft(source, style);
    }
    throw std::runtime_error(source.getName() + ": unknown sky style " + name);
}
