// Hashes, the splitmix64 generator, tileable value/cellular noise and 3D gradient noise.
#include "Noise.h"

#include <cmath>

uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint32_t hashCoords(int x, int y, int z, uint32_t seed) {
    uint32_t h = hash32(seed ^ 0x9e3779b9U);
    h = hash32(h ^ static_cast<uint32_t>(x));
    h = hash32(h ^ static_cast<uint32_t>(y) * 0x85ebca6bU);
    h = hash32(h ^ static_cast<uint32_t>(z) * 0xc2b2ae35U);
    return h;
}

float hashUnit(int x, int y, int z, uint32_t seed) {
    return static_cast<float>(hashCoords(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

uint32_t Rng::next() {
    state += 0x9e3779b97f4a7c15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

float Rng::unit() {
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

float Rng::range(float lo, float hi) {
    return lo + (hi - lo) * unit();
}

static int wrap(int i, int period) {
    int m = i % period;
    return m < 0 ? m + period : m;
}

static float quintic(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

float periodicValueNoise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = quintic(x - fx), ty = quintic(y - fy);
    int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    float a = hashUnit(x0, y0, 0, seed), b = hashUnit(x1, y0, 0, seed);
    float c = hashUnit(x0, y1, 0, seed), d = hashUnit(x1, y1, 0, seed);
    float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float periodicFbm(float u, float v, int cells, int octaves, float gain, uint32_t seed) {
    float sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        int period = cells << octave;
        sum += amplitude * periodicValueNoise(u * period, v * period, period, seed + octave * 101);
        total += amplitude;
        amplitude *= gain;
    }
    return sum / total;
}

float periodicGradientNoise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float rx = x - fx, ry = y - fy;
    auto corner = [&](int cx, int cy) {
        float angle = 6.2831853f * hashUnit(wrap(ix + cx, period), wrap(iy + cy, period), 7, seed);
        return std::cos(angle) * (rx - cx) + std::sin(angle) * (ry - cy);
    };
    float u = quintic(rx), v = quintic(ry);
    float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * u;
    float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * u;
    return 1.41421356f * (top + (bottom - top) * v);
}

float periodicGradientFbm(float u, float v, int cells, int octaves, float gain, uint32_t seed) {
    float sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        int period = cells << octave;
        sum +=
            amplitude * periodicGradientNoise(u * period, v * period, period, seed + octave * 101);
        total += amplitude;
        amplitude *= gain;
    }
    return sum / total;
}

CellDistances periodicCellular(float u, float v, int cells, uint32_t seed) {
    float x = u * cells, y = v * cells;
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    CellDistances result{1e9f, 1e9f};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int cx = ix + dx, cy = iy + dy;
            int hx = wrap(cx, cells), hy = wrap(cy, cells);
            float px = cx + hashUnit(hx, hy, 1, seed), py = cy + hashUnit(hx, hy, 2, seed);
            float d = std::hypot(px - x, py - y);
            if (d < result.nearest) {
                result.second = result.nearest;
                result.nearest = d;
            } else if (d < result.second) {
                result.second = d;
            }
        }
    }
    return result;
}

static float gradientDot(int x, int y, int z, uint32_t seed, float dx, float dy, float dz) {
    // Twelve edge directions of a cube, as in improved Perlin noise.
    switch (hashCoords(x, y, z, seed) % 12) {
    case 0:
        return dx + dy;
    case 1:
        return -dx + dy;
    case 2:
        return dx - dy;
    case 3:
        return -dx - dy;
    case 4:
        return dx + dz;
    case 5:
        return -dx + dz;
    case 6:
        return dx - dz;
    case 7:
        return -dx - dz;
    case 8:
        return dy + dz;
    case 9:
        return -dy + dz;
    case 10:
        return dy - dz;
    default:
        return -dy - dz;
    }
}

float gradientNoise(Vec3 p, uint32_t seed) {
    float fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float rx = p.x - fx, ry = p.y - fy, rz = p.z - fz;
    float u = quintic(rx), v = quintic(ry), w = quintic(rz);
    float corners[8];
    for (int i = 0; i < 8; ++i) {
        int cx = i & 1, cy = (i >> 1) & 1, cz = (i >> 2) & 1;
        corners[i] = gradientDot(ix + cx, iy + cy, iz + cz, seed, rx - cx, ry - cy, rz - cz);
    }
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    float x00 = lerp(corners[0], corners[1], u), x10 = lerp(corners[2], corners[3], u);
    float x01 = lerp(corners[4], corners[5], u), x11 = lerp(corners[6], corners[7], u);
    return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w);
}

float fbm(Vec3 p, int octaves, float gain, uint32_t seed) {
    float sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * gradientNoise(p, seed + octave * 131);
        total += amplitude;
        amplitude *= gain;
        p = p * 2.03f;
    }
    return sum / total;
}
