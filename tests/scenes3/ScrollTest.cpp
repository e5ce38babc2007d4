// The bar landscape's grid and scroll arithmetic, and the ray-marched scene's view rotation:
// the parts of both scenes that need no GL.
#include "DruSucks.h"
#include "DuckNipples.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(DuckScroll, SplitsTheDistanceIntoWholeCellsAndARemainder) {
    DuckScroll scroll = DuckScroll::compute(20.0f, 100);
    EXPECT_FLOAT_EQ(scroll.move, 2.0f);
    EXPECT_FLOAT_EQ(scroll.texOffset, 0.02f);
    EXPECT_EQ(scroll.particleOffset, glm::vec3(0.0f, 0.0f, -380.0f));

    // Exactly one cell: the remainder starts again at 0, one cell in texture units.
    DuckScroll oneCell = DuckScroll::compute(9.0f, 100);
    EXPECT_FLOAT_EQ(oneCell.move, 0.0f);
    EXPECT_FLOAT_EQ(oneCell.texOffset, 0.01f);

    // A coarser grid has larger cells: 900 / 7.
    DuckScroll coarse = DuckScroll::compute(300.0f, 7);
    EXPECT_NEAR(coarse.move, 300.0f - 2.0f * 900.0f / 7.0f, 1e-4f);
    EXPECT_FLOAT_EQ(coarse.texOffset, 2.0f / 7.0f);
}

TEST(DuckScroll, NegativeDistanceScrollsBackWithTheRemainderStillInsideACell) {
    DuckScroll scroll = DuckScroll::compute(-1.0f, 100);
    EXPECT_FLOAT_EQ(scroll.move, 8.0f);
    EXPECT_FLOAT_EQ(scroll.texOffset, -0.01f);
    EXPECT_EQ(scroll.particleOffset, glm::vec3(0.0f, 0.0f, -401.0f));

    for (float distance : {-0.001f, -8.99f, -9.0f, -900.5f, -12345.0f}) {
        DuckScroll s = DuckScroll::compute(distance, 100);
        EXPECT_GE(s.move, 0.0f) << distance;
        EXPECT_LE(s.move, 9.0f) << distance;
        // Scrolled cells and the remainder add back up to the distance.
        EXPECT_NEAR(s.texOffset * 900.0f + s.move, distance, 2e-3f * (1.0f + std::fabs(distance)))
            << distance;
    }
}

TEST(DuckGrid, ResolutionIsTruncatedTowardsZero) {
    EXPECT_EQ(DuckNipples::gridResolution(7.9f), 7);
    EXPECT_EQ(DuckNipples::gridResolution(1.0f), 1);
    EXPECT_EQ(DuckNipples::gridResolution(0.99f), 0);
    EXPECT_EQ(DuckNipples::gridResolution(-0.5f), 0);
    EXPECT_EQ(DuckNipples::gridResolution(-3.7f), -3);
}

TEST(DuckGrid, SevenBySevenQuadsTileTheUnitSquareRowByRow) {
    std::vector<DuckGridVertex> grid;
    DuckNipples::buildGrid(DuckNipples::gridResolution(7.9f), grid);
    ASSERT_EQ(grid.size(), size_t(7 * 7 * 4));
    double area = 0.0;
    for (size_t q = 0; q < grid.size(); q += 4) {
        int row = int(q / 4) / 7, column = int(q / 4) % 7;
        const DuckGridVertex* v = &grid[q];
        EXPECT_FLOAT_EQ(v[0].texCoord.x, float(column) / 7.0f);
        EXPECT_FLOAT_EQ(v[0].texCoord.y, float(row) / 7.0f);
        EXPECT_FLOAT_EQ(v[2].texCoord.x, float(column + 1) / 7.0f);
        EXPECT_FLOAT_EQ(v[2].texCoord.y, float(row + 1) / 7.0f);
        for (int k = 0; k < 4; ++k) {
            // Flat, x from the texture s, z running away from the viewer with t.
            EXPECT_EQ(v[k].position.y, 0.0f);
            EXPECT_FLOAT_EQ(v[k].position.x, v[k].texCoord.x - 0.5f);
            EXPECT_FLOAT_EQ(v[k].position.z, -v[k].texCoord.y);
        }
        area +=
            double(v[1].position.x - v[0].position.x) * double(v[0].position.z - v[3].position.z);
    }
    EXPECT_NEAR(area, 1.0, 1e-5);
}

TEST(DuckGrid, OneQuadOrNone) {
    std::vector<DuckGridVertex> grid;
    DuckNipples::buildGrid(1, grid);
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid[0].position, glm::vec3(-0.5f, 0.0f, 0.0f));
    EXPECT_EQ(grid[1].position, glm::vec3(0.5f, 0.0f, 0.0f));
    EXPECT_EQ(grid[2].position, glm::vec3(0.5f, 0.0f, -1.0f));
    EXPECT_EQ(grid[3].position, glm::vec3(-0.5f, 0.0f, -1.0f));
    EXPECT_EQ(grid[3].texCoord, glm::vec2(0.0f, 1.0f));

    // A reused buffer is emptied, and a negative resolution draws nothing.
    DuckNipples::buildGrid(0, grid);
    EXPECT_TRUE(grid.empty());
    DuckNipples::buildGrid(-4, grid);
    EXPECT_TRUE(grid.empty());
}

TEST(DruSucksViewRotation, KeepsOnlyTheRotationElements) {
    glm::mat4 identity = DruSucks::viewRotation(glm::mat4(1.0f));
    glm::mat4 expected(1.0f);
    expected[3][3] = 0.0f;
    EXPECT_EQ(identity, expected);

    glm::mat4 view = glm::lookAt(glm::vec3(3.0f, 2.0f, 7.0f), glm::vec3(0.5f, -1.0f, 0.0f),
                                 glm::vec3(0.0f, 1.0f, 0.0f));
    glm::mat4 rotation = DruSucks::viewRotation(view);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            bool kept = column < 3 && row < 3;
            EXPECT_EQ(rotation[column][row], kept ? view[column][row] : 0.0f)
                << column << "," << row;
        }
}

} // namespace
