// Sky layouts: a direction must come back from the image where the show's cube map and sky box
// will look for it, and the built skies must run on across the cube's edges.
#include "Generator.h"
#include "ImageFiles.h"
#include "Noise.h"
#include "SkyRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A sky whose colour is its direction, so any misplaced or turned face shows up as wrong colours.
Vec3 directionColour(Vec3 d) {
    return normalize(d) * 0.5f + Vec3{0.5f, 0.5f, 0.5f};
}

// Cuts one face from a cross exactly as CubeTexture does (the -Z cell read backwards).
std::vector<const float*> cutFace(const Image& cross, int face) {
    static const int cell[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};
    int fw = cross.width / 3, fh = cross.height / 4;
    std::vector<const float*> texels;
    for (int i = 0; i < fh; ++i) {
        for (int j = 0; j < fw; ++j) {
            if (face == NegativeZ) {
                texels.push_back(cross.at(2 * fw - 1 - j, 4 * fh - 1 - i));
            } else {
                texels.push_back(cross.at(cell[face][0] * fw + j, cell[face][1] * fh + i));
            }
        }
    }
    return texels;
}

// What a cube-map lookup of `d` reads (nearest texel) from faces cut out of the cross.
template <typename Cross, typename Fetch>
Vec3 cubeLookup(const Cross& cross, int faceSize, Vec3 d, Fetch fetch) {
    FaceCoord fc = directionToFace(d);
    int column = std::min(faceSize - 1, static_cast<int>(fc.s * faceSize));
    int row = std::min(faceSize - 1, static_cast<int>(fc.t * faceSize));
    return fetch(cross, fc.face, column, row);
}

Vec3 randomDirection(Rng& rng) {
    for (;;) {
        Vec3 d{rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)};
        float l = length(d);
        if (l > 0.1f && l <= 1.0f) {
            return d * (1.0f / l);
        }
    }
}

} // namespace

TEST(CubeFaces, SelectionFollowsTheGlTable) {
    FaceCoord px = directionToFace({1, 0, 0});
    EXPECT_EQ(px.face, PositiveX);
    EXPECT_FLOAT_EQ(px.s, 0.5f);
    // Up is the face's first rows on the side faces; +X's s runs towards -z.
    FaceCoord upper = directionToFace({1, 0.5f, 0.5f});
    EXPECT_EQ(upper.face, PositiveX);
    EXPECT_FLOAT_EQ(upper.t, 0.25f);
    EXPECT_FLOAT_EQ(upper.s, 0.25f);
    FaceCoord back = directionToFace({0.2f, 0, -1});
    EXPECT_EQ(back.face, NegativeZ);
    EXPECT_FLOAT_EQ(back.s, 0.4f);
    FaceCoord top = directionToFace({0, 1, 0.5f});
    EXPECT_EQ(top.face, PositiveY);
    EXPECT_FLOAT_EQ(top.t, 0.75f);
    EXPECT_EQ(directionToFace({0, -1, 0}).face, NegativeY);
}

TEST(CubeFaces, DirectionSurvivesTheRoundTrip) {
    Rng rng(3);
    for (int i = 0; i < 2000; ++i) {
        Vec3 d = randomDirection(rng);
        FaceCoord fc = directionToFace(d);
        Vec3 back = normalize(faceToDirection(fc.face, fc.s, fc.t));
        ASSERT_NEAR(dot(back, d), 1.0f, 1e-5f) << "face " << fc.face;
    }
}

TEST(CubeFaces, CrossTexelPlacementInvertsAndMatchesTheCut) {
    const int n = 8;
    Image cross(3 * n, 4 * n);
    for (int face = 0; face < 6; ++face) {
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column) {
                int x, y, f2, c2, r2;
                faceTexelToCross(face, column, row, n, x, y);
                ASSERT_TRUE(crossToFaceTexel(x, y, n, f2, c2, r2));
                EXPECT_EQ(f2, face);
                EXPECT_EQ(c2, column);
                EXPECT_EQ(r2, row);
                cross.set(x, y, static_cast<float>(face), static_cast<float>(column),
                          static_cast<float>(row));
            }
        }
    }
    for (int face = 0; face < 6; ++face) {
        std::vector<const float*> texels = cutFace(cross, face);
        for (int i = 0; i < n * n; ++i) {
            ASSERT_EQ(texels[i][0], face);
            ASSERT_EQ(texels[i][1], i % n);
            ASSERT_EQ(texels[i][2], i / n);
        }
    }
}

TEST(CrossSky, CubeLookupReadsTheDirectionItWasRenderedFor) {
    const int n = 32;
    Image cross = renderCross(directionColour, n);
    std::vector<std::vector<const float*>> faces;
    for (int f = 0; f < 6; ++f) {
        faces.push_back(cutFace(cross, f));
    }
    auto fetch = [&](const Image&, int face, int column, int row) {
        const float* p = faces[face][row * n + column];
        return Vec3{p[0], p[1], p[2]};
    };
    Rng rng(5);
    for (int i = 0; i < 3000; ++i) {
        Vec3 d = randomDirection(rng);
        Vec3 got = cubeLookup(cross, n, d, fetch);
        Vec3 want = directionColour(d);
        // One texel at 32 per face is under 0.05 rad.
        ASSERT_LT(length(got - want), 0.04f) << d.x << "," << d.y << "," << d.z;
    }
}

TEST(AtlasSky, SkyBoxTextureCoordinatesReadTheirOwnDirection) {
    std::vector<AtlasQuad> quads = readAtlasQuads(loadContentSource("colonskybox.txt"));
    ASSERT_EQ(quads.size(), 6u);
    const int w = 256, h = 192;
    Image atlas = renderAtlas(directionColour, quads, w, h);
    Rng rng(9);
    for (const AtlasQuad& q : quads) {
        for (int i = 0; i < 200; ++i) {
            // A point of the drawn quad and the texture coordinate GL interpolates there.
            float a = rng.range(0.05f, 0.95f), b = rng.range(0.05f, 0.95f);
            Vec3 point =
                q.corner[0] + (q.corner[1] - q.corner[0]) * a + (q.corner[3] - q.corner[0]) * b;
            float u = q.u[0] + (q.u[1] - q.u[0]) * a + (q.u[3] - q.u[0]) * b;
            float v = q.v[0] + (q.v[1] - q.v[0]) * a + (q.v[3] - q.v[0]) * b;
            const float* p = atlas.at(std::min(w - 1, static_cast<int>(u * w)),
                                      std::min(h - 1, static_cast<int>(v * h)));
            ASSERT_LT(length(Vec3{p[0], p[1], p[2]} - directionColour(point)), 0.06f);
        }
    }
}

namespace {

// Mean colour step across the twelve cube edges of a built cross, next to the mean step
// between neighbouring texels inside the faces.
void expectSeamlessCross(const std::string& name) {
    DecodedImage cross = loadBuiltImage(name);
    ASSERT_GT(cross.width, 0);
    int n = cross.width / 3;
    ASSERT_EQ(cross.height / 4, n);
    auto fetch = [&](const DecodedImage& image, int face, int column, int row) {
        int x, y;
        faceTexelToCross(face, column, row, n, x, y);
        const unsigned char* p = image.at(x, y);
        return Vec3{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
    };
    float step = 1.0f / n; // about one texel either side of the edge
    double across = 0, inside = 0;
    int samples = 0;
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        corners[i] = {i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f};
    }
    for (int a = 0; a < 8; ++a) {
        for (int b = a + 1; b < 8; ++b) {
            if (length(corners[a] - corners[b]) != 2.0f) {
                continue; // not an edge
            }
            Vec3 mid = (corners[a] + corners[b]) * 0.5f;
            // The two faces' outward axes that meet at this edge.
            Vec3 n1{mid.x, 0, 0}, n2{0, mid.y, 0};
            if (mid.x == 0) {
                n1 = {0, 0, mid.z};
            } else if (mid.y == 0) {
                n2 = {0, 0, mid.z};
            }
            for (int k = 1; k < 64; ++k) {
                Vec3 e = corners[a] + (corners[b] - corners[a]) * (k / 64.0f);
                Vec3 side1 = e - n2 * (1.5f * step), side2 = e - n1 * (1.5f * step);
                Vec3 deeper1 = e - n2 * (4.5f * step);
                Vec3 c1 = cubeLookup(cross, n, side1, fetch),
                     c2 = cubeLookup(cross, n, side2, fetch);
                Vec3 c3 = cubeLookup(cross, n, deeper1, fetch);
                across += length(c1 - c2);
                inside += length(c1 - c3);
                ++samples;
            }
        }
    }
    ASSERT_EQ(samples, 12 * 63);
    across /= samples;
    inside /= samples;
    // Across an edge the two samples are 3 texels apart, the inside pair 3 as well.
    EXPECT_LT(across, 2.0 * inside + 4.0) << name << ": across " << across << ", inside " << inside;
}

} // namespace

TEST(CrossSky, BuiltSkiesContinueAcrossEveryCubeEdge) {
    expectSeamlessCross("skyboxlol.jpg");
    expectSeamlessCross("blurry.jpg");
}

TEST(AtlasSky, BuiltSkyBoxMatchesAcrossTheEdgesOfItsQuads) {
    std::vector<AtlasQuad> quads = readAtlasQuads(loadContentSource("colonskybox.txt"));
    DecodedImage atlas = loadBuiltImage("colonskybox.jpg");
    ASSERT_GT(atlas.width, 0);
    // For a point on the cube, the quad of the face it lies on (on edges: each face in turn).
    auto colourAt = [&](const AtlasQuad& q, Vec3 point) {
        // Solve the quad's affine map back to (u, v) through its first three corners.
        Vec3 e1 = q.corner[1] - q.corner[0], e2 = q.corner[3] - q.corner[0],
             d = point - q.corner[0];
        float a = dot(d, e1) / dot(e1, e1), b = dot(d, e2) / dot(e2, e2);
        float u = q.u[0] + (q.u[1] - q.u[0]) * a + (q.u[3] - q.u[0]) * b;
        float v = q.v[0] + (q.v[1] - q.v[0]) * a + (q.v[3] - q.v[0]) * b;
        int x = std::clamp(static_cast<int>(u * atlas.width), 0, atlas.width - 1);
        int y = std::clamp(static_cast<int>(v * atlas.height), 0, atlas.height - 1);
        const unsigned char* p = atlas.at(x, y);
        return Vec3{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
    };
    auto onQuad = [](const AtlasQuad& q, Vec3 p) {
        Vec3 normal = cross(q.corner[1] - q.corner[0], q.corner[3] - q.corner[0]);
        return std::fabs(dot(p - q.corner[0], normalize(normal))) < 1e-3f;
    };
    double across = 0;
    int samples = 0;
    Rng rng(4);
    for (int i = 0; i < 4000; ++i) {
        // A point on a random cube edge: two coordinates at +-100, one free.
        int axis = static_cast<int>(rng.unit() * 3);
        float c[3];
        c[axis] = rng.range(-95, 95);
        c[(axis + 1) % 3] = rng.unit() < 0.5f ? -100.0f : 100.0f;
        c[(axis + 2) % 3] = rng.unit() < 0.5f ? -100.0f : 100.0f;
        Vec3 p{c[0], c[1], c[2]};
        std::vector<Vec3> colours;
        for (const AtlasQuad& q : quads) {
            if (onQuad(q, p)) {
                colours.push_back(colourAt(q, p));
            }
        }
        ASSERT_EQ(colours.size(), 2u);
        across += length(colours[0] - colours[1]);
        ++samples;
    }
    // Stars make single texels differ; on average the two faces agree closely.
    EXPECT_LT(across / samples, 10.0);
}
