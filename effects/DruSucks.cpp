// The ray-marched scene's CPU side: bind, set the viewport and the uniforms, draw one rectangle.
#include "DruSucks.h"

#include "LaunchOptions.h"
#include "Sync.h"

DruSucks::DruSucks()
    : vertexShader("Data/DruSucks.vert", GL_VERTEX_SHADER),
      fragmentShader("Data/DruSucks.frag", GL_FRAGMENT_SHADER),
      program(&vertexShader, &fragmentShader), blitVertexShader("Data/Blit.vert", GL_VERTEX_SHADER),
      blitFragmentShader("Data/Grading.comm", "Data/Blit.frag", GL_FRAGMENT_SHADER),
      blitProgram(&blitVertexShader, &blitFragmentShader), skyTexture("Data/skyboxlol.jpg") {}

DruSucks::~DruSucks() = default;

glm::mat4 DruSucks::viewRotation(const glm::mat4& view) {
    return glm::mat4(view[0][0], view[0][1], view[0][2], 0.0f, //
                     view[1][0], view[1][1], view[1][2], 0.0f, //
                     view[2][0], view[2][1], view[2][2], 0.0f, //
                     0.0f, 0.0f, 0.0f, 0.0f);
}

void DruSucks::render(GLuint targetFramebuffer, double time, glm::mat4 view, glm::mat4) {
    glm::mat4 rotation = viewRotation(view);
    const Resolution& size = getRenderResolution();
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    glViewport(0, 0, size.width, size.height);

    program.bind();
    glBindTexture(GL_TEXTURE_CUBE_MAP, skyTexture.getId());

    float rotationTime = Sync::getValue("DruSucks Rotation Time");
    float skyboxMix = Sync::getValue("DruSucks Skybox Mix");
    float colour = Sync::getValue("DruSucks Color");
    float aoFactor = Sync::getValue("DruSucks Ao Factor");
    float cutouts = Sync::getValue("DruSucks Cutouts");
    float slashes = Sync::getValue("DruSucks Slashes");
    float planeDistance = Sync::getValue("DruSucks Plane Distance");
    float rotationMix = Sync::getValue("DruSucks Rotation Mix");

    program.setUniform1f("Time", float(time));
    program.setUniform1f("RotationTime", rotationTime);
    program.setUniformMatrix4("View", view);
    program.setUniformMatrix4("ViewRotation", rotation);
    program.setUniform1i("SkyboxTex", 0);
    program.setUniform1f("SkyboxMix", skyboxMix);
    program.setUniform1f("Color", colour);
    program.setUniform1f("AoFactor", aoFactor);
    program.setUniform1f("Cutouts", cutouts);
    program.setUniform1f("Slashes", slashes);
    program.setUniform1f("PlaneDistance", planeDistance);
    program.setUniform1f("RotationMix", rotationMix);

    glRecti(-1, -1, 1, 1);

    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    program.unbind();
}
