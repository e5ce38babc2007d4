// The show's top-level window, and GLWindow: the same window with its OpenGL context current.
#pragma once

#include "platform/WindowSystem.h"

#include <cstdint>
#include <memory>

class Window : private platform::WindowEventSink {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Opens the window with a client area of width x height (the display switched to that mode in
    // full screen). Throws Kem::Exception when the window cannot be made.
    virtual void create(const char* title, bool fullscreen, int width, int height,
                        std::uint32_t style);
    // Harmless on a window that is not open.
    virtual void close();
    // Handles the window's pending events.
    virtual void update();
    virtual void setTitle(const char* text);
    virtual void resize(int width, int height);
    virtual bool isOpen() const { return open; }
    virtual int getWidth() const { return width; }
    virtual int getHeight() const { return height; }
    virtual float getAspectRatio() const {
        return static_cast<float>(width) / static_cast<float>(height);
    }
    // Tracks position and client size; a close request is only noted (see isCloseRequested).
    virtual void handleMessage(const platform::WindowEvent& event);

    // The window system asked the window to close (close box, Alt+F4); it stays open.
    bool isCloseRequested() const { return closeRequested; }
    int getX() const { return x; }
    int getY() const { return y; }
    bool isFullscreen() const { return fullscreen; }
    std::uint32_t getStyle() const { return style; }

protected:
    platform::NativeWindow* getNativeWindow() const { return native.get(); }

private:
    void onWindowEvent(const platform::WindowEvent& event) override { handleMessage(event); }

    bool open = false;
    std::unique_ptr<platform::NativeWindow> native;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::uint32_t style = 0;
    bool fullscreen = false;
    bool closeRequested = false;
};

class GLWindow : public Window {
public:
    GLWindow() = default;
    ~GLWindow() override;

    // The window, then its context made current with the GL entry point lookup pointed at it.
    void create(const char* title, bool fullscreen, int width, int height,
                std::uint32_t style) override;
    void close() override;
    // Handles the pending events, then shows the frame drawn since the last call.
    void update() override;

private:
    std::unique_ptr<platform::GLContext> context;
};
