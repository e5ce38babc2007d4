// The director: builds every resource of the show, then draws it one frame at a time.
#pragma once

#include "FmodAudio.h"
#include "MusicGrid.h"
#include "PassTimers.h"
#include "Texture.h"
#include "effects/Effect.h"
#include "kem/List.h"

#include <memory>

class Particles;

class Demo {
public:
    static constexpr double rowsPerSecond = MusicGrid::rowsPerSecond;
    static constexpr double showLength = MusicGrid::showSeconds;

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
    // Times every pass of each frame on the GPU (off by default: no queries are issued). Where the
    // context has no timer queries it stays off and the times stay invalid. waitForResults makes
    // each frame wait for its own times, for offline measuring; otherwise they arrive a frame or
    // two late and nothing waits.
    void enablePassTimers(bool on, bool waitForResults = false);
    const PassTimes& getPassTimes() const;

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
    std::unique_ptr<PassTimers> passTimers;
    bool waitForPassTimes = false;
};
