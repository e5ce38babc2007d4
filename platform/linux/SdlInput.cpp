// Escape from SDL's keyboard state, with presses latched as they arrive so that a tap between two
// checks is not lost.
#include "platform/Input.h"
#include "platform/linux/SdlKeyboard.h"

#include <SDL.h>

namespace platform {

namespace {

bool escapeLatched = false;

int SDLCALL latchEscape(void*, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.keysym.scancode == SDL_SCANCODE_ESCAPE)
        escapeLatched = true;
    return 0;
}

} // namespace

void startEscapeWatch() {
    escapeLatched = false;
    SDL_AddEventWatch(latchEscape, nullptr);
}

void stopEscapeWatch() {
    SDL_DelEventWatch(latchEscape, nullptr);
}

bool wasEscapePressed() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    // Reads pending input into SDL's state without taking the events from the window's queue.
    SDL_PumpEvents();
    const bool pressed = escapeLatched || SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE];
    escapeLatched = false;
    return pressed;
}

} // namespace platform
