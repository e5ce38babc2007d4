// One playing of the show in its window: the window, its GL entry points and the director, then a
// frame at a time for whatever drives the frames (the desktop's loop, the browser's animation
// frames).
#pragma once

#include "Demo.h"
#include "Window.h"

#include <cstdint>
#include <memory>

class ShowRun {
public:
    // Opens the window at the launch record's resolution and builds the show. Throws
    // Kem::Exception as the window, the loader and the director do.
    ShowRun(const char* title, std::uint32_t style);
    ~ShowRun();
    ShowRun(const ShowRun&) = delete;
    ShowRun& operator=(const ShowRun&) = delete;

    // Draws and shows the next frame; false, drawing nothing more, once Escape was pressed, the
    // window closed or asked to close, or the show is over.
    bool step();

private:
    GLWindow window;
    // Destroyed before the window and its context.
    std::unique_ptr<Demo> demo;
};
