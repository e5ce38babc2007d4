// The director: builds every resource of the show, then draws it one frame at a time.
#pragma once

#include "FmodAudio.h"
#include "Texture.h"
#include "effects/Effect.h"
#include "kem/List.h"

class Particles;

class Demo {
public:
    // The music's rows: the double nearest to 1346 / 75.
    static constexpr double rowsPerSecond = 17.946666666666665;
    static constexpr double showLength = 78.0;

    Demo();
    virtual ~Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // Draws one frame into the output framebuffer; false once the show is over.
    virtual bool renderFrame();

    // Where each frame's final image goes: the window's framebuffer (0) unless a headless caller
    // supplies its own.
    void setOutputFramebuffer(GLuint framebuffer) { outputFramebuffer = framebuffer; }
    GLuint getOutputFramebuffer() const { return outputFramebuffer; }

    // The scene a "Part" value selects: truncated toward zero; throws "Index out of bounds"
    // outside the scene list.
    Effect* selectScene(float part);
    int getSceneCount() const { return effects.getCount(); }

    // For the making tools: the music that is the show's clock (pause, seek), the scenes' names
    // in "Part" order, and the tracks that fade each title card in.
    Audio& getAudio() { return audio; }
    static const char* getSceneName(int index);
    struct TitleCardFade {
        const char* track;
        const char* card;
    };
    static const TitleCardFade titleCardFades[7];

private:
    void releaseOwned();

    FmodAudio audio;
    Kem::List<Effect*> effects;
    Particles* particles = nullptr;
    Texture* morvelinCard = nullptr;
    Texture* w0lvarCard = nullptr;
    Texture* pim00dleCard = nullptr;
    Texture* vexaroonCard = nullptr;
    Texture* briskoCard = nullptr;
    Texture* gCard = nullptr;
    Texture* oCard = nullptr;
    Texture* endCard = nullptr;
    GLuint outputFramebuffer = 0;
};
