// The fatal-error box, also written to standard error where a console or log takes it.
#include "platform/MessageBox.h"

#include <cstdio>
#include <windows.h>

namespace platform {

void showFatalError(const char* message) {
    showFatalError(message, nullptr);
}

void showFatalError(const char* message, const char* detail) {
    const char* text = message ? message : "";
    std::fprintf(stderr, "Fatal Error: %s\n", text);
    if (detail && *detail)
        std::fprintf(stderr, "%s\n", detail);
    std::fflush(stderr);
    MessageBoxA(nullptr, text, "Fatal Error", MB_ICONERROR);
}

} // namespace platform
