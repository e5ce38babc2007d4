// The process-wide 256^3 RGB tileable noise volume, rendered on the GPU on first use.
#pragma once

#include "Extensions.h"

namespace NoiseVolume {

// The GL name of the GL_TEXTURE_3D volume; the first call generates it.
GLuint get();

// The 16^3 lattice of random bytes the volume is rendered from (x fastest, then y, then z):
// the low byte of each rand() after srand(12345) in glibc's sequence, whatever C library the
// program is linked with.
void buildLattice(unsigned char lattice[4096]);

} // namespace NoiseVolume
