// Renders the tileable noise volume once, layer by layer, from a small random lattice.
#include "NoiseVolume.h"

#include "Program.h"
#include "Shader.h"
#include "platform/GLProc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NoiseVolume {

namespace {

const int volumeSize = 256;
const int latticeSize = 16;

void setSamplingState() {
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_REPEAT);
}

// RGB texels whose channel c at cell (x, y, z) is the lattice at (x, y, z) + shifts[c], wrapped.
std::vector<unsigned char> shiftedLattice(const std::vector<unsigned char>& lattice,
                                          const int shifts[3][3]) {
    const int mask = latticeSize - 1;
    std::vector<unsigned char> rgb(lattice.size() * 3);
    for (int z = 0; z < latticeSize; ++z)
        for (int y = 0; y < latticeSize; ++y)
            for (int x = 0; x < latticeSize; ++x)
                for (int c = 0; c < 3; ++c) {
                    int sx = (x + shifts[c][0]) & mask, sy = (y + shifts[c][1]) & mask,
                        sz = (z + shifts[c][2]) & mask;
                    rgb[((z * latticeSize + y) * latticeSize + x) * 3 + c] =
                        lattice[(sz * latticeSize + sy) * latticeSize + sx];
                }
    return rgb;
}

GLuint generate() {
    GLuint volume = 0;
    glGenTextures(1, &volume);
    glBindTexture(GL_TEXTURE_3D, volume);
    setSamplingState();
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, volumeSize, volumeSize, volumeSize, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, nullptr);

    // Two RGB lattices, each channel the random lattice moved by a whole number of cells: one
    // filtered fetch then gives a value of three decorrelated noises (see Noise3DLinear.frag).
    static const int octaveShifts[3][3] = {{0, 0, 0}, {5, 10, 1}, {2, 12, 9}};
    static const int warpShifts[3][3] = {{3, 6, 14}, {11, 1, 8}, {9, 15, 4}};
    std::vector<unsigned char> lattice(latticeSize * latticeSize * latticeSize);
    buildLattice(lattice.data());
    GLuint latticeTextures[2] = {};
    glGenTextures(2, latticeTextures);
    // Both stay bound (units 1 and 0) while the layers are drawn.
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_3D, latticeTextures[1]);
    setSamplingState();
    std::vector<unsigned char> shifted = shiftedLattice(lattice, warpShifts);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, latticeSize, latticeSize, latticeSize, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, shifted.data());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_3D, latticeTextures[0]);
    setSamplingState();
    shifted = shiftedLattice(lattice, octaveShifts);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, latticeSize, latticeSize, latticeSize, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, shifted.data());

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    auto cleanUp = [&] {
        glUseProgram(0);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_3D, 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_3D, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(2, latticeTextures);
    };
    try {
        Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
        Shader fragment("Data/Noise3DLinear.frag", GL_FRAGMENT_SHADER);
        Program program(&vertex, &fragment);
        program.bind();
        for (int layer = 0; layer < volumeSize; ++layer) {
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, volume, 0, layer);
            program.setUniform1i("t", 0);
            program.setUniform1i("w", 1);
            program.setUniform1i("a", layer);
            glRecti(-1, -1, 1, 1);
        }
        cleanUp();
    } catch (...) {
        // Leave no half-made volume or bound state behind a broken shader file.
        cleanUp();
        glDeleteTextures(1, &volume);
        throw;
    }
    return volume;
}

// Deletes the volume at process exit, when a context may no longer exist.
struct Owner {
    GLuint volume = 0;
    Owner() : volume(generate()) {}
    ~Owner() {
        // A context that has gone away has also cleared the entry point lookup.
        if (volume != 0 && platform::getGLProcAddress("glDeleteTextures") != nullptr)
            glDeleteTextures(1, &volume);
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
};

// The first `count` numbers of glibc's rand() after srand(seed) (its additive feedback generator:
// degree 31, separation 3), computed here: other C libraries (MinGW's, Emscripten's musl) have
// other sequences, and the volume must not depend on the library the program is linked with.
std::vector<int> glibcRandSequence(std::int32_t seed, int count) {
    std::vector<std::uint32_t> r(static_cast<size_t>(344 + count));
    std::int32_t word = seed == 0 ? 1 : seed;
    r[0] = std::uint32_t(word);
    for (int i = 1; i < 31; ++i) {
        // 16807 * word % (2^31 - 1) without overflow (Schrage).
        const std::int32_t high = word / 127773, low = word % 127773;
        word = 16807 * low - 2836 * high;
        if (word < 0)
            word += 2147483647;
        r[i] = std::uint32_t(word);
    }
    for (int i = 31; i < 34; ++i)
        r[i] = r[i - 31];
    for (size_t i = 34; i < r.size(); ++i)
        r[i] = r[i - 31] + r[i - 3];
    std::vector<int> numbers(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        numbers[k] = int(r[size_t(344 + k)] >> 1);
    return numbers;
}

} // namespace

void buildLattice(unsigned char lattice[4096]) {
    const int count = latticeSize * latticeSize * latticeSize;
    const std::vector<int> numbers = glibcRandSequence(12345, count);
    for (int i = 0; i < count; ++i)
        lattice[i] = static_cast<unsigned char>(numbers[i] & 0xff);
}

GLuint get() {
    static Owner owner;
    return owner.volume;
}

} // namespace NoiseVolume
