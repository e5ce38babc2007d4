// Millisecond clock and sleeping, the only timing the show takes from the system.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the Win32 timer.
std::uint32_t getMilliseconds();
void sleepMilliseconds(int milliseconds);

} // namespace platform
