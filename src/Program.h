// A linked vertex + fragment program; uniforms are set by name at each use. The two Shaders are
// not owned: their creator keeps them alive at least as long as the Program.
#pragma once

#include "Extensions.h"
#include "Reloadable.h"
#include "Shader.h"

#include <glm/glm.hpp>

class Program final : public Reloadable {
public:
    Program(Shader* vertex, Shader* fragment);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    GLuint getId() const { return id; }
    void bind();
    void unbind();

    // The program must be bound; a name the program lacks is silently ignored.
    void setUniform1f(const char* name, float x);
    void setUniform2f(const char* name, float x, float y);
    void setUniform3f(const char* name, float x, float y, float z);
    void setUniform1i(const char* name, int x);
    void setUniformMatrix4(const char* name, const glm::mat4& matrix);

    bool readsFile(const std::string& file) const override;
    // Links the stages' current code again; on failure the old program stays in use.
    void rebuild() override;
    int rebuildPass() const override { return 1; }

private:
    GLuint id = 0;
    Shader* vertex = nullptr;
    Shader* fragment = nullptr;
};
