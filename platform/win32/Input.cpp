// Escape from the asynchronous key state, plus any press the window procedure latched.
#include "platform/Input.h"
#include "platform/win32/EscapeLatch.h"

#include <windows.h>

namespace platform {

namespace {
bool escapeLatched = false;
}

void latchEscape() {
    escapeLatched = true;
}

bool takeLatchedEscape() {
    const bool latched = escapeLatched;
    escapeLatched = false;
    return latched;
}

bool wasEscapePressed() {
    // Both queries run every time, so each resets its own "since the last call" state.
    const bool down = GetAsyncKeyState(VK_ESCAPE) != 0;
    const bool latched = takeLatchedEscape();
    return down || latched;
}

} // namespace platform
