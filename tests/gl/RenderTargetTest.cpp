// Render targets: attachments, draw buffers, depth, the state left behind, and one draw that
// fills several attachments.
#include "RenderTarget.h"
#include "GLTest.h"
#include "Program.h"
#include "Shader.h"

namespace {

GLint attachmentParameter(GLenum attachment, GLenum name) {
    auto get = gltest::lookup<PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC>(
        "glGetFramebufferAttachmentParameteriv");
    GLint value = -1;
    get(GL_FRAMEBUFFER, attachment, name, &value);
    return value;
}

GLint internalFormat(Texture* texture) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture->getId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

} // namespace

TEST(RenderTarget, OneAttachmentWithDepth) {
    RenderTarget target(32, 16, true, 1, GL_RGBA);
    EXPECT_EQ(gltest::getInteger(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(gltest::getInteger(GL_RENDERBUFFER_BINDING), 0);
    EXPECT_EQ(target.getCount(), 1);
    EXPECT_EQ(target.getWidth(), 32);
    EXPECT_EQ(target.getHeight(), 16);
    ASSERT_NE(target.getTexture(0), nullptr);
    EXPECT_EQ(target.getTexture(0)->getWidth(), 32);
    EXPECT_EQ(target.getTexture(1), nullptr);
    ASSERT_NE(target.getDepth(), 0u);

    target.bind();
    EXPECT_EQ(gltest::getInteger(GL_FRAMEBUFFER_BINDING), GLint(target.getFramebuffer()));
    auto checkStatus = gltest::lookup<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    EXPECT_EQ(checkStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(gltest::getInteger(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
    EXPECT_EQ(gltest::getInteger(GL_DRAW_BUFFER1), GL_NONE);
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              GLint(target.getTexture(0)->getId()));
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_RENDERBUFFER);
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              GLint(target.getDepth()));
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE), 24);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST(RenderTarget, ThreeAttachmentsWithoutDepth) {
    RenderTarget target(20, 10, false, 3, GL_RGB16F);
    EXPECT_EQ(gltest::getInteger(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(target.getDepth(), 0u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(target.getTexture(i), nullptr);
        EXPECT_EQ(target.getTexture(i)->getWidth(), 20);
        EXPECT_EQ(target.getTexture(i)->getHeight(), 10);
        EXPECT_EQ(internalFormat(target.getTexture(i)), GL_RGB16F);
    }
    target.bind();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(gltest::getInteger(GL_DRAW_BUFFER0 + i), GL_COLOR_ATTACHMENT0 + i);
    EXPECT_EQ(gltest::getInteger(GL_DRAW_BUFFER3), GL_NONE);
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_NONE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST(RenderTarget, DestructionFreesEveryObject) {
    auto isFramebuffer = gltest::lookup<PFNGLISFRAMEBUFFERPROC>("glIsFramebuffer");
    auto isRenderbuffer = gltest::lookup<PFNGLISRENDERBUFFERPROC>("glIsRenderbuffer");
    GLuint framebuffer = 0, depth = 0, colour[2] = {};
    {
        RenderTarget target(8, 8, true, 2, GL_RGBA);
        framebuffer = target.getFramebuffer();
        depth = target.getDepth();
        colour[0] = target.getTexture(0)->getId();
        colour[1] = target.getTexture(1)->getId();
        EXPECT_TRUE(isFramebuffer(framebuffer));
        EXPECT_TRUE(isRenderbuffer(depth));
    }
    EXPECT_FALSE(isFramebuffer(framebuffer));
    EXPECT_FALSE(isRenderbuffer(depth));
    EXPECT_FALSE(glIsTexture(colour[0]));
    EXPECT_FALSE(glIsTexture(colour[1]));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(RenderTarget, OneDrawFillsEveryAttachment) {
    std::string path = gltest::scratchPath("three.frag");
    gltest::writeText(path, "#version 330 compatibility\n"
                            "layout(location = 0) out vec4 first;\n"
                            "layout(location = 1) out vec4 second;\n"
                            "layout(location = 2) out vec4 third;\n"
                            "void main() {\n"
                            "    first = vec4(1.0, 0.0, 0.0, 1.0);\n"
                            "    second = vec4(0.0, 1.0, 0.0, 1.0);\n"
                            "    third = vec4(0.0, 0.0, 1.0, 1.0);\n"
                            "}\n");
    Shader vertex("Data/Blit.vert", GL_VERTEX_SHADER);
    Shader fragment(path.c_str(), GL_FRAGMENT_SHADER);
    Program program(&vertex, &fragment);
    RenderTarget target(4, 4, false, 3, GL_RGBA);
    target.bind();
    glViewport(0, 0, 4, 4);
    program.bind();
    glRecti(-1, -1, 1, 1);
    program.unbind();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (int i = 0; i < 3; ++i) {
        std::vector<unsigned char> pixels =
            gltest::readTexture(GL_TEXTURE_2D, target.getTexture(i)->getId(), GL_TEXTURE_2D, 4, 4);
        for (int p = 0; p < 16; ++p)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(pixels[p * 4 + c], c == i ? 255 : 0) << "attachment " << i;
    }
}
