// Shader and Program against the real driver: failures and their messages, the common prefix,
// uniforms by name, and the full-screen vertex stage.
#include "GLTest.h"
#include "Program.h"
#include "RenderTarget.h"
#include "Shader.h"

#include <glm/gtc/matrix_transform.hpp>

using gltest::text;
using gltest::thrownBy;

namespace {

std::string compiledSource(const Shader& shader) {
    auto getShaderSource = gltest::lookup<PFNGLGETSHADERSOURCEPROC>("glGetShaderSource");
    char buffer[1024] = {};
    getShaderSource(shader.getId(), sizeof buffer, nullptr, buffer);
    return buffer;
}

// Draws one full-viewport rectangle into a fresh RGBA target and returns its pixels.
std::vector<unsigned char> drawPass(Program& program, int width, int height) {
    RenderTarget target(width, height, false, 1, GL_RGBA8);
    target.bind();
    glViewport(0, 0, width, height);
    glRecti(-1, -1, 1, 1);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    program.unbind();
    return pixels;
}

const char* const passFragment = "#version 330 compatibility\n"
                                 "in vec2 texCoord;\n"
                                 "out vec4 color;\n"
                                 "void main() { color = vec4(texCoord, 0.0, 1.0); }\n";

} // namespace

TEST(Shader, RejectsOtherStageTypesBeforeReadingAnything) {
    Kem::Exception e = thrownBy([] { Shader("Data/none.geom", GL_GEOMETRY_SHADER); });
    EXPECT_EQ(text(e.getMessage()), "Invalid shader type specified");
    EXPECT_EQ(text(e.getFile()), "src/Shader");
    EXPECT_EQ(e.getLine(), 26);
    e = thrownBy([] { Shader("Data/none.comm", "Data/none.vert", GL_COMPUTE_SHADER); });
    EXPECT_EQ(text(e.getMessage()), "Invalid shader type specified");
    e = thrownBy([] { Shader("Data/none.frag", GL_GEOMETRY_SHADER, "#define X\n"); });
    EXPECT_EQ(text(e.getMessage()), "Invalid shader type specified");
}

TEST(Shader, MissingStageFileFailsInFileReading) {
    Kem::Exception e = thrownBy([] { Shader("Data/none.vert", GL_VERTEX_SHADER); });
    EXPECT_EQ(text(e.getMessage()), "Could not open input file: \"Data/none.vert\"");
}

TEST(Shader, CommonTextIsJoinedInFrontWithNothingBetween) {
    const std::string common = "#version 330 compatibility\n#define SHADE 0.";
    const std::string stage = "25\nout vec4 color;\nvoid main() { color = vec4(SHADE); }\n";
    std::string commonPath = gltest::scratchPath("join.comm");
    std::string stagePath = gltest::scratchPath("join.frag");
    gltest::writeText(commonPath, common);
    gltest::writeText(stagePath, stage);

    Shader joined(commonPath.c_str(), stagePath.c_str(), GL_FRAGMENT_SHADER);
    EXPECT_EQ(joined.getType(), GLenum(GL_FRAGMENT_SHADER));
    EXPECT_EQ(compiledSource(joined), common + stage);

    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Program program(&vertex, &joined);
    program.bind();
    std::vector<unsigned char> pixel = drawPass(program, 1, 1);
    EXPECT_EQ(pixel[0], 64) << "0.25 only when the two texts meet without a separator";
}

TEST(Shader, DefinesGoRightAfterTheVersionLineWhateverComesBeforeIt) {
    const std::string head = "// a comment first\n#version 330 compatibility\n";
    const std::string body = "out vec4 color;\nvoid main() { color = vec4(SHADE); }\n";
    std::string path = gltest::scratchPath("defined.frag");
    gltest::writeText(path, head + body);

    Shader defined(path.c_str(), GL_FRAGMENT_SHADER, "#define SHADE 0.5\n");
    EXPECT_EQ(compiledSource(defined), head + "#define SHADE 0.5\n" + body);
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Program program(&vertex, &defined);
    program.bind();
    EXPECT_EQ(drawPass(program, 1, 1)[0], 128);
}

TEST(Shader, EmptyOrNullCommonPathAddsNoPrefix) {
    std::string stagePath = gltest::scratchPath("alone.frag");
    gltest::writeText(stagePath, passFragment);
    Shader withEmpty("", stagePath.c_str(), GL_FRAGMENT_SHADER);
    Shader withNull(Kem::String(), stagePath.c_str(), GL_FRAGMENT_SHADER);
    Shader twoArgument(stagePath.c_str(), GL_FRAGMENT_SHADER);
    EXPECT_EQ(compiledSource(withEmpty), passFragment);
    EXPECT_EQ(compiledSource(withNull), passFragment);
    EXPECT_EQ(compiledSource(twoArgument), passFragment);
}

TEST(Shader, CompileFailureCarriesStagePathAndDriverLog) {
    std::string commonPath = gltest::scratchPath("broken.comm");
    std::string stagePath = gltest::scratchPath("Blur.frag");
    gltest::writeText(commonPath, "#version 330 compatibility\n");
    gltest::writeText(stagePath, "void main() { undeclaredName = 1.0; }\n");
    Kem::Exception e =
        thrownBy([&] { Shader(commonPath.c_str(), stagePath.c_str(), GL_FRAGMENT_SHADER); });
    std::string prefix = stagePath + " - shader compile failed:\n";
    std::string message = text(e.getMessage());
    ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
    EXPECT_NE(message.find("undeclaredName", prefix.size()), std::string::npos)
        << "the driver's log follows";
    EXPECT_EQ(text(e.getFile()), "src/Shader");
    EXPECT_EQ(e.getLine(), 43);
}

TEST(Program, NullShaderFailsWithoutCreatingAProgram) {
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    auto isProgram = gltest::lookup<PFNGLISPROGRAMPROC>("glIsProgram");
    GLuint probe = glCreateProgram();
    glDeleteProgram(probe);
    Kem::Exception e = thrownBy([&] { Program(&vertex, nullptr); });
    EXPECT_EQ(text(e.getMessage()), "Invalid vertex or fragment shader.");
    EXPECT_EQ(text(e.getFile()), "src/Program");
    EXPECT_EQ(e.getLine(), 6);
    e = thrownBy([&] { Program(nullptr, &vertex); });
    EXPECT_EQ(text(e.getMessage()), "Invalid vertex or fragment shader.");
    GLuint next = glCreateProgram();
    EXPECT_FALSE(isProgram(probe));
    EXPECT_LE(next, probe + 1) << "no program name was taken in between";
    glDeleteProgram(next);
}

TEST(Program, LinkFailureCarriesDriverLog) {
    std::string stagePath = gltest::scratchPath("nomain.frag");
    gltest::writeText(stagePath, "#version 330 compatibility\nfloat helper() { return 1.0; }\n");
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(stagePath.c_str(), GL_FRAGMENT_SHADER);
    Kem::Exception e = thrownBy([&] { Program(&vertex, &fragment); });
    std::string message = text(e.getMessage());
    const std::string prefix = "Program link failed:\n";
    ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
    EXPECT_GT(message.size(), prefix.size()) << "the driver's log follows";
    EXPECT_EQ(text(e.getFile()), "src/Program");
    EXPECT_EQ(e.getLine(), 21);
}

TEST(Program, BindUnbindAndDestructionLeaveNoProgramCurrent) {
    std::string stagePath = gltest::scratchPath("pass.frag");
    gltest::writeText(stagePath, passFragment);
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(stagePath.c_str(), GL_FRAGMENT_SHADER);
    GLuint id = 0;
    {
        Program program(&vertex, &fragment);
        id = program.getId();
        program.bind();
        EXPECT_EQ(gltest::getInteger(GL_CURRENT_PROGRAM), GLint(id));
        program.unbind();
        EXPECT_EQ(gltest::getInteger(GL_CURRENT_PROGRAM), 0);
        program.bind();
    }
    EXPECT_EQ(gltest::getInteger(GL_CURRENT_PROGRAM), 0);
    EXPECT_FALSE(gltest::lookup<PFNGLISPROGRAMPROC>("glIsProgram")(id));
    auto isShader = gltest::lookup<PFNGLISSHADERPROC>("glIsShader");
    EXPECT_TRUE(isShader(vertex.getId())) << "the program does not own its shaders";
    EXPECT_TRUE(isShader(fragment.getId()));
}

TEST(Program, UniformsAreSetByNameAndUnknownNamesIgnored) {
    std::string stagePath = gltest::scratchPath("uniforms.frag");
    gltest::writeText(stagePath, "#version 330 compatibility\n"
                                 "uniform float one; uniform vec2 two; uniform vec3 three;\n"
                                 "uniform int count; uniform mat4 matrix;\n"
                                 "out vec4 color;\n"
                                 "void main() {\n"
                                 "    vec4 moved = matrix * vec4(0.0, 0.0, 0.0, 1.0);\n"
                                 "    color = vec4(one + two.y, three.z, float(count) / 10.0,\n"
                                 "                 moved.x / 10.0);\n"
                                 "}\n");
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(stagePath.c_str(), GL_FRAGMENT_SHADER);
    Program program(&vertex, &fragment);
    program.bind();
    program.setUniform1f("one", 0.25f);
    program.setUniform2f("two", 0.0f, 0.25f);
    program.setUniform3f("three", 0.0f, 0.0f, 0.75f);
    program.setUniform1i("count", 2);
    program.setUniformMatrix4("matrix", glm::translate(glm::mat4(1.0f), glm::vec3(6.0f, 0, 0)));
    program.setUniform1f("absent", 1.0f);
    program.setUniform3f("alsoAbsent", 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::vector<unsigned char> pixel = drawPass(program, 1, 1);
    EXPECT_NEAR(pixel[0], 128, 1);
    EXPECT_NEAR(pixel[1], 191, 1);
    EXPECT_NEAR(pixel[2], 51, 1);
    EXPECT_NEAR(pixel[3], 153, 1) << "column-major, not transposed: translation in column 3";
}

TEST(Program, BlitVertexStageCoversTheViewportWithUnitTexCoords) {
    std::string stagePath = gltest::scratchPath("coords.frag");
    gltest::writeText(stagePath, passFragment);
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(stagePath.c_str(), GL_FRAGMENT_SHADER);
    Program program(&vertex, &fragment);
    program.bind();
    const int size = 8;
    std::vector<unsigned char> pixels = drawPass(program, size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const unsigned char* p = &pixels[(y * size + x) * 4];
            EXPECT_NEAR(p[0], (x + 0.5) / size * 255, 1) << x << "," << y;
            EXPECT_NEAR(p[1], (y + 0.5) / size * 255, 1) << x << "," << y;
            EXPECT_EQ(p[3], 255) << "every pixel is covered";
        }
}
