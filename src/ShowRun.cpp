// The show's frame loop body, shared by every program that plays it live.
#include "ShowRun.h"

#include "Extensions.h"
#include "LaunchOptions.h"
#include "platform/Input.h"

ShowRun::ShowRun(const char* title, std::uint32_t style) {
    const Resolution& size = getRenderResolution();
    window.create(title, getLaunchOptions().fullscreen, size.width, size.height, style);
    Extensions::load();
    demo = std::make_unique<Demo>();
}

ShowRun::~ShowRun() {
    demo.reset();
}

bool ShowRun::step() {
    // A close request from the window system ends the show like Escape does.
    if (platform::wasEscapePressed() || !window.isOpen() || window.isCloseRequested())
        return false;
    if (!demo->renderFrame())
        return false;
    window.update();
    return true;
}
