// Deterministic hashing, a seeded generator and the noise functions the images are built from.
// Everything here is our own so the outputs are the same bytes on every run.
#pragma once

#include "Vec3.h"

#include <cstdint>

uint32_t hash32(uint32_t x);
uint32_t hashCoords(int x, int y, int z, uint32_t seed);
// Uniform in [0, 1).
float hashUnit(int x, int y, int z, uint32_t seed);

// A small counter-based generator (splitmix64) for layouts.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}
    uint32_t next();
    float unit();                    // [0, 1)
    float range(float lo, float hi); // [lo, hi)

private:
    uint64_t state;
};

// Value noise on a lattice that repeats every `period` cells; result in [0, 1].
float periodicValueNoise(float x, float y, int period, uint32_t seed);
// Sum of octaves over one tile: (u, v) in tile units, `cells` lattice cells per tile at the first
// octave; each octave doubles the cells, so the result tiles over (u, v) in [0, 1). Range ~[0, 1].
float periodicFbm(float u, float v, int cells, int octaves, float gain, uint32_t seed);

// Gradient noise on a lattice that repeats every `period` cells; result roughly in [-1, 1].
// Free of the square lattice look that folded value noise shows.
float periodicGradientNoise(float x, float y, int period, uint32_t seed);
// Octaves of periodic gradient noise over one tile, as periodicFbm; range roughly [-1, 1].
float periodicGradientFbm(float u, float v, int cells, int octaves, float gain, uint32_t seed);

struct CellDistances {
    float nearest;
    float second;
};
// Distances to the two nearest feature points of a tiling cellular pattern, in cell units.
CellDistances periodicCellular(float u, float v, int cells, uint32_t seed);

// Gradient noise in 3D, roughly in [-1, 1].
float gradientNoise(Vec3 p, uint32_t seed);
float fbm(Vec3 p, int octaves, float gain, uint32_t seed);
