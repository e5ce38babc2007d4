// The keyboard and mouse on the page: Escape latched for the show to read once per frame, F and a
// double-click on the canvas toggling full screen.
#include "platform/web/PageInput.h"

#include "platform/Input.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

namespace platform {

namespace {

bool escapeLatched = false;

// clang-format off
// The canvas's parent goes full screen, so the page's letterboxing scales the picture there too.
EM_JS(void, switchFullscreen, (int toggle), {
    var canvas = Module["canvas"];
    if (!canvas)
        return;
    var stage = canvas.parentElement || canvas;
    if (document.fullscreenElement) {
        if (toggle)
            document.exitFullscreen().catch(function() {});
    }
    else if (stage.requestFullscreen)
        stage.requestFullscreen().catch(function() {});
});
// clang-format on

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (std::strcmp(event->key, "Escape") == 0) {
        escapeLatched = true;
        return EM_TRUE;
    }
    if (std::strcmp(event->code, "KeyF") == 0 && !event->ctrlKey && !event->altKey &&
        !event->metaKey) {
        if (!event->repeat)
            switchFullscreen(1);
        return EM_TRUE;
    }
    return EM_FALSE;
}

EM_BOOL onDoubleClick(int, const EmscriptenMouseEvent*, void*) {
    switchFullscreen(1);
    return EM_TRUE;
}

} // namespace

void startPageInput() {
    escapeLatched = false;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_dblclick_callback("#canvas", nullptr, EM_TRUE, onDoubleClick);
}

void stopPageInput() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_dblclick_callback("#canvas", nullptr, EM_TRUE, nullptr);
}

void requestFullscreen() {
    switchFullscreen(0);
}

bool wasEscapePressed() {
    const bool pressed = escapeLatched;
    escapeLatched = false;
    return pressed;
}

} // namespace platform
