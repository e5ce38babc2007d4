// Sky colours as functions of a direction, so every face and every layout of a sky agrees at
// the cube's edges by construction.
#pragma once

#include "ContentFile.h"
#include "Vec3.h"

#include <functional>

using SkyFunction = std::function<Vec3(Vec3 direction)>;

// Built from the source's "style" directive and its options: "nebula", "dusk" or "soft".
SkyFunction makeSky(const ContentFile& source);

// Points of light fixed to cells of a 3D lattice and pulled onto the sphere; `scale` sets how
// many cells the sphere crosses, `density` the share of cells that hold a star.
float starField(Vec3 direction, float scale, float density, uint32_t seed);
