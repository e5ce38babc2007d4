// The fatal-error report in the browser: on the console, and on the page in place of the message
// box (oxbrinePage.fatalError); a page without that hook gets the message as its title.
#include "platform/MessageBox.h"

#include <emscripten/emscripten.h>

namespace {

// clang-format off
EM_JS(void, reportOnPage, (const char* message, const char* detail), {
    var text = UTF8ToString(message);
    var more = detail ? UTF8ToString(detail) : "";
    console.error("Fatal Error: " + text + (more ? "\n" + more : ""));
    var page = typeof window !== "undefined" ? window.oxbrinePage : undefined;
    if (page && typeof page.fatalError === "function")
        page.fatalError(text, more);
    else if (typeof document !== "undefined")
        document.title = "error: " + text;
});
// clang-format on

} // namespace

namespace platform {

void showFatalError(const char* message) {
    showFatalError(message, nullptr);
}

void showFatalError(const char* message, const char* detail) {
    reportOnPage(message ? message : "", detail ? detail : "");
}

} // namespace platform
