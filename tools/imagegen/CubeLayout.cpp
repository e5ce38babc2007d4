// Cube-map face conventions and the cross/atlas cuts the show applies to its sky images.
#include "CubeLayout.h"

#include <algorithm>
#include <cmath>

FaceCoord directionToFace(Vec3 d) {
    float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    int face;
    float sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = d.x > 0 ? PositiveX : NegativeX;
        ma = ax;
        sc = d.x > 0 ? -d.z : d.z;
        tc = -d.y;
    } else if (ay >= az) {
        face = d.y > 0 ? PositiveY : NegativeY;
        ma = ay;
        sc = d.x;
        tc = d.y > 0 ? d.z : -d.z;
    } else {
        face = d.z > 0 ? PositiveZ : NegativeZ;
        ma = az;
        sc = d.z > 0 ? d.x : -d.x;
        tc = -d.y;
    }
    return {face, 0.5f * (sc / ma + 1.0f), 0.5f * (tc / ma + 1.0f)};
}

Vec3 faceToDirection(int face, float s, float t) {
    float a = 2.0f * s - 1.0f, b = 2.0f * t - 1.0f;
    switch (face) {
    case PositiveX:
        return {1.0f, -b, -a};
    case NegativeX:
        return {-1.0f, -b, a};
    case PositiveY:
        return {a, 1.0f, b};
    case NegativeY:
        return {a, -1.0f, -b};
    case PositiveZ:
        return {a, -b, 1.0f};
    default:
        return {-a, -b, -1.0f};
    }
}

// Cell (column, row) of each face in the cross, in GL face order.
static const int crossCell[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};

void faceTexelToCross(int face, int column, int row, int faceSize, int& x, int& y) {
    if (face == NegativeZ) {
        // CubeTexture reads this cell bottom row first, right to left.
        x = faceSize + (faceSize - 1 - column);
        y = 4 * faceSize - 1 - row;
        return;
    }
    x = crossCell[face][0] * faceSize + column;
    y = crossCell[face][1] * faceSize + row;
}

bool crossToFaceTexel(int x, int y, int faceSize, int& face, int& column, int& row) {
    int cx = x / faceSize, cy = y / faceSize;
    for (int f = 0; f < 6; ++f) {
        if (crossCell[f][0] == cx && crossCell[f][1] == cy) {
            face = f;
            int lx = x - cx * faceSize, ly = y - cy * faceSize;
            if (f == NegativeZ) {
                column = faceSize - 1 - lx;
                row = faceSize - 1 - ly;
            } else {
                column = lx;
                row = ly;
            }
            return true;
        }
    }
    return false;
}

Vec3 atlasToPoint(const AtlasQuad& q, float u, float v) {
    // Solve (u, v) - uv0 = a (uv1 - uv0) + b (uv3 - uv0).
    float e1u = q.u[1] - q.u[0], e1v = q.v[1] - q.v[0];
    float e2u = q.u[3] - q.u[0], e2v = q.v[3] - q.v[0];
    float det = e1u * e2v - e2u * e1v;
    float du = u - q.u[0], dv = v - q.v[0];
    float a = (du * e2v - e2u * dv) / det;
    float b = (e1u * dv - du * e1v) / det;
    return q.corner[0] + (q.corner[1] - q.corner[0]) * a + (q.corner[3] - q.corner[0]) * b;
}

float atlasDistance(const AtlasQuad& q, float u, float v) {
    float u0 = std::min({q.u[0], q.u[1], q.u[2], q.u[3]});
    float u1 = std::max({q.u[0], q.u[1], q.u[2], q.u[3]});
    float v0 = std::min({q.v[0], q.v[1], q.v[2], q.v[3]});
    float v1 = std::max({q.v[0], q.v[1], q.v[2], q.v[3]});
    float du = std::max({u0 - u, 0.0f, u - u1});
    float dv = std::max({v0 - v, 0.0f, v - v1});
    return std::hypot(du, dv);
}
