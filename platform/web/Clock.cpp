// The page's millisecond clock. A page's thread must never block: the frame loop hands control
// back to the browser after every frame, which is what a short sleep does on the desktop.
#include "platform/Clock.h"

#include <emscripten/emscripten.h>

namespace platform {

std::uint32_t getMilliseconds() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

void sleepMilliseconds(int) {}

} // namespace platform
