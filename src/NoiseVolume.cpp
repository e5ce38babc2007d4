// Renders the tileable noise volume once, layer by layer, from a small random lattice.
#include "NoiseVolume.h"

#include "Program.h"
#include "Shader.h"
#include "platform/GLProc.h"

#include <cstdlib>

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

GLuint generate() {
    GLuint volume = 0;
    glGenTextures(1, &volume);
    glBindTexture(GL_TEXTURE_3D, volume);
    setSamplingState();
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, volumeSize, volumeSize, volumeSize, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, nullptr);

    unsigned char* lattice = new unsigned char[latticeSize * latticeSize * latticeSize];
    buildLattice(lattice);
    GLuint latticeTexture = 0;
    glGenTextures(1, &latticeTexture);
    // Stays bound on the active unit (unit 0) while the layers are drawn.
    glBindTexture(GL_TEXTURE_3D, latticeTexture);
    setSamplingState();
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, latticeSize, latticeSize, latticeSize, 0, GL_RED,
                 GL_UNSIGNED_BYTE, lattice);
    delete[] lattice;

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    auto cleanUp = [&] {
        glUseProgram(0);
        glBindTexture(GL_TEXTURE_3D, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &latticeTexture);
    };
    try {
        Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
        Shader fragment("Data/Noise3DLinear.frag", GL_FRAGMENT_SHADER);
        Program program(&vertex, &fragment);
        program.bind();
        for (int layer = 0; layer < volumeSize; ++layer) {
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, volume, 0, layer);
            program.setUniform1i("t", 0);
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

} // namespace

void buildLattice(unsigned char lattice[4096]) {
    std::srand(12345);
    for (int i = 0; i < latticeSize * latticeSize * latticeSize; ++i)
        lattice[i] = static_cast<unsigned char>(std::rand() & 0xff);
}

GLuint get() {
    static Owner owner;
    return owner.volume;
}

} // namespace NoiseVolume
