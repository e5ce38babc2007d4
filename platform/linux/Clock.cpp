// Monotonic millisecond clock and sleep for Linux.
#include "platform/Clock.h"

#include <ctime>

namespace platform {

std::uint32_t getMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t ms = std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec wait{milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}

} // namespace platform
