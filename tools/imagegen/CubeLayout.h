// Where a direction lands in the images the show reads as skies: GL cube-map faces, the vertical
// cross that CubeTexture cuts into faces, and flat sky-box atlases whose quads are listed in the
// content source.
#pragma once

#include "Vec3.h"

#include <vector>

// In GL order: +X, -X, +Y, -Y, +Z, -Z.
enum CubeFace { PositiveX, NegativeX, PositiveY, NegativeY, PositiveZ, NegativeZ };

struct FaceCoord {
    int face;
    float s, t; // 0..1 across the face, t = 0 on the face image's first row
};

// The GL cube-map selection: major axis, then s and t from the face's table row.
FaceCoord directionToFace(Vec3 direction);
// The inverse on the face's plane at distance 1 (not normalised).
Vec3 faceToDirection(int face, float s, float t);

// Vertical cross, 3 x 4 cells: +Y over -X +Z +X, then -Y, then -Z turned by 180 degrees.
// Face texel (column, row) of a face of `faceSize` pixels maps to the cross pixel (x, y).
void faceTexelToCross(int face, int column, int row, int faceSize, int& x, int& y);
// The inverse: false for the six cells that hold no face.
bool crossToFaceTexel(int x, int y, int faceSize, int& face, int& column, int& row);

// One face of a flat sky box: four cube corners and their texture coordinates, as drawn.
struct AtlasQuad {
    Vec3 corner[4];
    float u[4], v[4];
};

// The point on the quad's plane whose texture coordinates are (u, v), by the affine map through
// the first three corners (the quads are rectangles in both spaces).
Vec3 atlasToPoint(const AtlasQuad& quad, float u, float v);
// Texture-space distance from (u, v) to the quad's rectangle; 0 inside.
float atlasDistance(const AtlasQuad& quad, float u, float v);
