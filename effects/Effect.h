// A scene: built once, then asked to draw one frame at a time.
#pragma once

#include "Extensions.h"

#include <glm/glm.hpp>

class Effect {
public:
    // targetFramebuffer is bound, cleared (for scenes) and has the full output viewport; a scene
    // that draws elsewhere binds it again before its last pass. time is the music position.
    virtual void render(GLuint targetFramebuffer, double time, glm::mat4 view,
                        glm::mat4 projection) = 0;

protected:
    ~Effect() = default;
};
