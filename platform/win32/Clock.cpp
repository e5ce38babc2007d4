// The Win32 millisecond timer and sleep.
#include "platform/Clock.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {

std::uint32_t getMilliseconds() {
    return timeGetTime();
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds > 0)
        Sleep(DWORD(milliseconds));
}

} // namespace platform
