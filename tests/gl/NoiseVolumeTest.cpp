// The noise volume: its random lattice, one generation, the state it leaves, and a field that
// is smooth, varied and wraps on all three axes.
#include "NoiseVolume.h"
#include "GLTest.h"

#include <cmath>
#include <cstdlib>

namespace {

const int size = 256;

class NoiseVolumeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The generator draws into the lower-left 256 x 256 of whatever viewport it finds.
        glViewport(0, 0, size, size);
        volume = NoiseVolume::get();
        texels.resize(static_cast<size_t>(size) * size * size * 3);
        glBindTexture(GL_TEXTURE_3D, volume);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_3D, 0);
    }
    static void TearDownTestSuite() { std::vector<unsigned char>().swap(texels); }

    static int at(int x, int y, int z, int channel) {
        x &= size - 1;
        y &= size - 1;
        z &= size - 1;
        return texels[((static_cast<size_t>(z) * size + y) * size + x) * 3 + channel];
    }
    // Mean absolute difference between the planes at a and b along an axis, one channel.
    static double planeDifference(int axis, int a, int b, int channel) {
        double sum = 0;
        for (int v = 0; v < size; ++v)
            for (int u = 0; u < size; ++u) {
                int first = axis == 0   ? at(a, u, v, channel)
                            : axis == 1 ? at(u, a, v, channel)
                                        : at(u, v, a, channel);
                int second = axis == 0   ? at(b, u, v, channel)
                             : axis == 1 ? at(u, b, v, channel)
                                         : at(u, v, b, channel);
                sum += std::abs(first - second);
            }
        return sum / (size * size);
    }

    static GLuint volume;
    static std::vector<unsigned char> texels;
};

GLuint NoiseVolumeTest::volume = 0;
std::vector<unsigned char> NoiseVolumeTest::texels;

} // namespace

TEST(NoiseLattice, IsTheFirst4096RandLowBytesAfterSeeding) {
    std::srand(777); // whatever came before must not matter
    for (int i = 0; i < 10; ++i)
        std::rand();
    unsigned char lattice[4096];
    NoiseVolume::buildLattice(lattice);
    std::srand(12345);
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(lattice[i], std::rand() % 256) << "byte " << i;
}

TEST_F(NoiseVolumeTest, GeneratedOnceAsARepeatingLinearRgbVolume) {
    ASSERT_NE(volume, 0u);
    EXPECT_EQ(gltest::getInteger(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(gltest::getInteger(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(gltest::getInteger(GL_TEXTURE_BINDING_3D), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    glBindTexture(GL_TEXTURE_3D, volume);
    GLint value = 0;
    for (GLenum dimension : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_DEPTH}) {
        glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, dimension, &value);
        EXPECT_EQ(value, size);
    }
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_RGB8);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        glGetTexParameteriv(GL_TEXTURE_3D, wrap, &value);
        EXPECT_EQ(value, GL_REPEAT);
    }
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);

    // Mark a texel: a second generation would overwrite it.
    const unsigned char mark[3] = {1, 2, 3};
    glTexSubImage3D(GL_TEXTURE_3D, 0, 7, 7, 7, 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, mark);
    glBindTexture(GL_TEXTURE_3D, 0);
    EXPECT_EQ(NoiseVolume::get(), volume);
    unsigned char readBack[size * 3];
    glBindTexture(GL_TEXTURE_3D, volume);
    std::vector<unsigned char> all(static_cast<size_t>(size) * size * size * 3);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_UNSIGNED_BYTE, all.data());
    std::copy_n(&all[((7 * size + 7) * size) * 3], size * 3, readBack);
    EXPECT_EQ(readBack[7 * 3 + 0], 1);
    EXPECT_EQ(readBack[7 * 3 + 1], 2);
    EXPECT_EQ(readBack[7 * 3 + 2], 3);
    // Put the generated texel back for the other tests.
    unsigned char original[3] = {static_cast<unsigned char>(at(7, 7, 7, 0)),
                                 static_cast<unsigned char>(at(7, 7, 7, 1)),
                                 static_cast<unsigned char>(at(7, 7, 7, 2))};
    glTexSubImage3D(GL_TEXTURE_3D, 0, 7, 7, 7, 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, original);
    glBindTexture(GL_TEXTURE_3D, 0);
}

TEST_F(NoiseVolumeTest, EveryLayerIsFilledAndTheChannelsDiffer) {
    double mean[3] = {}, square[3] = {}, redGreen = 0;
    const size_t count = static_cast<size_t>(size) * size * size;
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            mean[c] += texels[i * 3 + c];
            square[c] += double(texels[i * 3 + c]) * texels[i * 3 + c];
        }
        redGreen += std::abs(texels[i * 3] - texels[i * 3 + 1]);
    }
    for (int c = 0; c < 3; ++c) {
        mean[c] /= count;
        double deviation = std::sqrt(square[c] / count - mean[c] * mean[c]);
        EXPECT_GT(mean[c], 80) << "channel " << c;
        EXPECT_LT(mean[c], 176) << "channel " << c;
        EXPECT_GT(deviation, 12) << "channel " << c << " is nearly flat";
    }
    EXPECT_GT(redGreen / count, 10) << "red and green are copies of each other";
    // The last layer and the far corner were drawn too.
    double lastLayer = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            lastLayer += at(x, y, size - 1, 0);
    EXPECT_GT(lastLayer / (size * size), 40);
}

TEST_F(NoiseVolumeTest, IsSmoothAndWrapsOnEveryAxis) {
    for (int axis = 0; axis < 3; ++axis)
        for (int channel = 0; channel < 3; ++channel) {
            double neighbours = 0;
            for (int k = 0; k < size - 1; k += 17)
                neighbours += planeDifference(axis, k, k + 1, channel);
            neighbours /= 15;
            double across = planeDifference(axis, size - 1, 0, channel);
            double apart = planeDifference(axis, 0, size / 2, channel);
            EXPECT_LT(neighbours, 8) << "axis " << axis << " channel " << channel;
            EXPECT_LT(across, 2 * neighbours + 1)
                << "the last plane meets the first one; axis " << axis;
            EXPECT_GT(apart, 4 * neighbours) << "distant planes are unrelated; axis " << axis;
        }
    // No single step is a jump.
    int largest = 0;
    for (int z = 0; z < size; z += 5)
        for (int y = 0; y < size; y += 3)
            for (int x = 0; x < size; ++x)
                largest = std::max(largest, std::abs(at(x, y, z, 0) - at(x + 1, y, z, 0)));
    EXPECT_LT(largest, 64);
}
