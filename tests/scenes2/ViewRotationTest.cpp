// The rotation part of the camera that the ray-marched scene turns its rays with.
#include "DruSucks.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace {

TEST(ViewRotation, KeepsTheNineRotationElementsAndZeroesTheRest) {
    glm::mat4 identity = DruSucks::viewRotation(glm::mat4(1.0f));
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(identity[column][row], column == row && column < 3 ? 1.0f : 0.0f)
                << column << "," << row;

    glm::mat4 view = glm::translate(glm::mat4(1.0f), glm::vec3(3.0f, -2.0f, 7.0f));
    view = glm::rotate(view, 0.7f, glm::normalize(glm::vec3(1.0f, 2.0f, -0.5f)));
    glm::mat4 rotation = DruSucks::viewRotation(view);
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(rotation[column][row], view[column][row]);
    EXPECT_EQ(rotation[3], glm::vec4(0.0f)); // no translation, last diagonal 0
    EXPECT_EQ(rotation[0][3], 0.0f);
    EXPECT_EQ(rotation[2][3], 0.0f);
}

} // namespace
