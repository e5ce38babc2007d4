// The process-wide 256^3 RGB tileable noise volume, rendered on the GPU on first use.
#pragma once

#include "Extensions.h"

namespace NoiseVolume {

// The GL name of the GL_TEXTURE_3D volume; the first call generates it.
GLuint get();

} // namespace NoiseVolume
