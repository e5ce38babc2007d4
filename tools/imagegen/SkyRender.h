// Renders a sky's direction function into the two layouts the show reads skies from.
#pragma once

#include "CubeLayout.h"
#include "Image.h"
#include "SkyStyles.h"

#include <vector>

// A 3 x 4 vertical cross of `faceSize` faces as CubeTexture cuts it; unused cells are black.
Image renderCross(const SkyFunction& sky, int faceSize);
// A flat atlas: each pixel shows the direction of its point on the quad that covers it (or the
// nearest quad, continued, where none does).
Image renderAtlas(const SkyFunction& sky, const std::vector<AtlasQuad>& quads, int width,
                  int height);
