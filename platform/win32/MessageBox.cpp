// The fatal-error box, also written to standard error where a console or log takes it.
#include "platform/MessageBox.h"

#include <cstdio>
#include <windows.h>

namespace platform {

void showFatalError(const char* message) {
    const char* text = message ? message : "";
    std::fprintf(stderr, "Fatal Error: %s\n", text);
    std::fflush(stderr);
    MessageBoxA(nullptr, text, "Fatal Error", MB_ICONERROR);
}

} // namespace platform
