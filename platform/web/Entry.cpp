// The web build's entry points, called by the page (Module.ccall): the show played on the
// browser's animation frames, or one frame drawn exactly as oxbrine-render draws it. Errors are
// caught here, once, and reported on the page.
#include "Demo.h"
#include "Extensions.h"
#include "LaunchOptions.h"
#include "ShowRun.h"
#include "Window.h"
#include "kem/Exception.h"
#include "platform/MessageBox.h"
#include "platform/sound/SoundControl.h"
#include "platform/web/CanvasContext.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

namespace {

constexpr const char* windowTitle = "Morvelin - Oxbrine";

// One page plays one resolution: the post chain and the scenes keep the size they were built at.
int builtResolution = -1;

std::unique_ptr<ShowRun> playing;

struct StillShow {
    GLWindow window;
    std::unique_ptr<Demo> demo;
};
std::unique_ptr<StillShow> still;

// clang-format off
EM_JS(void, tellPageShowEnded, (), {
    var page = typeof window !== "undefined" ? window.oxbrinePage : undefined;
    if (page && typeof page.showEnded === "function")
        page.showEnded();
});
// clang-format on

void claimResolution(int resolution) {
    if (builtResolution >= 0 && builtResolution != resolution)
        throw Kem::Exception((std::string("This page has drawn the show at ") +
                              resolutions[builtResolution].label + "; load it again to use " +
                              resolutions[resolution].label)
                                 .c_str(),
                             "platform/web/Entry", __LINE__);
    builtResolution = resolution;
    getLaunchOptions().resolution = resolution;
}

template <typename Action> int reportingErrors(Action action) {
    try {
        action();
        return 0;
    } catch (const Kem::Exception& error) {
        platform::showFatalError(error.getMessage().getData(), error.getDetail().getData());
    } catch (const std::exception& error) {
        platform::showFatalError(error.what());
    }
    return 1;
}

void endShow() {
    emscripten_cancel_main_loop();
    // The director goes with its music before the page takes over again.
    playing.reset();
    tellPageShowEnded();
}

void playFrame() {
    bool going = false;
    const int failed = reportingErrors([&] { going = playing->step(); });
    if (failed || !going)
        endShow();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int oxbrine_play(int resolutionIndex, int fullscreen) {
    return reportingErrors([&] {
        if (resolutionIndex < 0 || resolutionIndex >= resolutionCount)
            throw Kem::Exception("There is no such resolution", "platform/web/Entry", __LINE__,
                                 std::to_string(resolutionIndex).c_str());
        if (playing || still)
            throw Kem::Exception("The show is already on this page", "platform/web/Entry",
                                 __LINE__);
        claimResolution(resolutionIndex);
        LaunchOptions& options = getLaunchOptions();
        options.accepted = true;
        options.fullscreen = fullscreen != 0;
        SoundControl::setNonRealTime(false);
        playing = std::make_unique<ShowRun>(windowTitle, 0);
        // 0 frames per second: on the browser's animation frames.
        emscripten_set_main_loop(playFrame, 0, 0);
    });
}

EMSCRIPTEN_KEEPALIVE int oxbrine_still(double seconds, int width, int height) {
    return reportingErrors([&] {
        if (!(seconds >= 0.0 && seconds < Demo::showLength))
            throw Kem::Exception("The time must be from 0 to before the end of the show (78 s)",
                                 "platform/web/Entry", __LINE__);
        int resolution = -1;
        for (int r = 0; r < resolutionCount; ++r)
            if (resolutions[r].width == width && resolutions[r].height == height)
                resolution = r;
        if (resolution < 0) {
            char size[48];
            std::snprintf(size, sizeof size, "%dx%d", width, height);
            throw Kem::Exception((std::string("The resolution ") + size +
                                  " is not one of 1920x1080, 1280x720 and 1024x768")
                                     .c_str(),
                                 "platform/web/Entry", __LINE__);
        }
        if (playing)
            throw Kem::Exception("The show is already playing on this page", "platform/web/Entry",
                                 __LINE__);
        claimResolution(resolution);
        // The clock stands where it is set, as in oxbrine-render; no sound is opened.
        SoundControl::setNonRealTime(true);
        SoundControl::setNonRealTimePosition(
            static_cast<unsigned int>(std::llround(seconds * 1000.0)));
        if (!still) {
            platform::keepDrawingBuffer(true);
            auto made = std::make_unique<StillShow>();
            made->window.create(windowTitle, false, width, height, 0);
            Extensions::load();
            made->demo = std::make_unique<Demo>();
            still = std::move(made);
        }
        if (!still->demo->renderFrame())
            throw Kem::Exception("The show is over at that time", "platform/web/Entry", __LINE__);
    });
}

} // extern "C"
