// The show's window and OpenGL context through SDL2.
#include "kem/Exception.h"
#include "platform/GLProc.h"
#include "platform/WindowSystem.h"
#include "platform/linux/SdlKeyboard.h"

#include <SDL.h>

namespace platform {

namespace {

[[noreturn]] void fail(const char* message, int line) {
    throw Kem::Exception(message, "platform/linux/SdlWindow", line);
}

void* sdlLookup(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

void requestContextFormat() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// The display's own mode of exactly this size, if it has one.
bool findExactMode(int width, int height, SDL_DisplayMode& mode) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height)
            return true;
    }
    return false;
}

class SdlWindow final : public NativeWindow {
public:
    SdlWindow(const char* title, bool fullscreen, int width, int height, std::uint32_t style,
              WindowEventSink& sink)
        : sink(sink) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            fail("Could not create window", __LINE__);
        try {
            requestContextFormat();
            if (fullscreen)
                openFullscreen(title, width, height);
            else
                openWindowed(title, width, height, style);
        } catch (...) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            throw;
        }
        startEscapeWatch();
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        SDL_SetWindowInputFocus(window);
        int x = 0, y = 0;
        SDL_GetWindowPosition(window, &x, &y);
        sink.onWindowEvent({WindowEvent::Type::Moved, x, y});
    }

    ~SdlWindow() override {
        stopEscapeWatch();
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void drainEvents() override {
        const Uint32 id = SDL_GetWindowID(window);
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                sink.onWindowEvent({WindowEvent::Type::CloseRequested});
            } else if (event.type == SDL_WINDOWEVENT && event.window.windowID == id) {
                const int first = event.window.data1, second = event.window.data2;
                switch (event.window.event) {
                case SDL_WINDOWEVENT_MOVED:
                    sink.onWindowEvent({WindowEvent::Type::Moved, first, second});
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    sink.onWindowEvent({WindowEvent::Type::Resized, first, second});
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    sink.onWindowEvent({WindowEvent::Type::CloseRequested});
                    break;
                default:
                    break;
                }
            }
        }
    }

    void setTitle(const char* title) override { SDL_SetWindowTitle(window, title); }

    void resizeClient(int width, int height) override { SDL_SetWindowSize(window, width, height); }

    void swapBuffers() override { SDL_GL_SwapWindow(window); }

    SDL_Window* getSdlWindow() const { return window; }

private:
    void openWindowed(const char* title, int width, int height, std::uint32_t style) {
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (!(style & windowStyle::caption))
            flags |= SDL_WINDOW_BORDERLESS;
        // Without a sizing border SDL pins the size, which also takes maximising away.
        if (style & windowStyle::sizingBorder)
            flags |= SDL_WINDOW_RESIZABLE;
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, flags);
        if (!window)
            fail("Could not create window", __LINE__);
    }

    void openFullscreen(const char* title, int width, int height) {
        // SDL would quietly take the nearest mode; the show wants exactly the chosen one.
        SDL_DisplayMode mode;
        if (!findExactMode(width, height, mode))
            fail("Could not create fullscreen window", __LINE__);
        // Full screen takes the display's mode nearest the window's size: the exact one above.
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN);
        if (!window)
            fail("Could not create fullscreen window", __LINE__);
        SDL_DisplayMode current;
        int actualWidth = 0, actualHeight = 0;
        SDL_GetWindowSize(window, &actualWidth, &actualHeight);
        if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &current) != 0 ||
            current.w != width || current.h != height || actualWidth != width ||
            actualHeight != height) {
            SDL_DestroyWindow(window);
            window = nullptr;
            fail("Could not create fullscreen window", __LINE__);
        }
        SDL_ShowCursor(SDL_DISABLE);
    }

    WindowEventSink& sink;
    SDL_Window* window = nullptr;
};

class SdlGLContext final : public GLContext {
public:
    explicit SdlGLContext(SDL_Window* window) : window(window) {
        context = SDL_GL_CreateContext(window);
        if (!context)
            fail("Could not create OpenGL context", __LINE__);
        SDL_GL_MakeCurrent(window, context);
        setGLProcLookup(sdlLookup);
    }

    ~SdlGLContext() override {
        setGLProcLookup(nullptr);
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }

private:
    SDL_Window* window;
    SDL_GLContext context = nullptr;
};

} // namespace

std::unique_ptr<NativeWindow> createNativeWindow(const char* title, bool fullscreen, int width,
                                                 int height, std::uint32_t style,
                                                 WindowEventSink& sink) {
    return std::make_unique<SdlWindow>(title, fullscreen, width, height, style, sink);
}

std::unique_ptr<GLContext> createGLContext(NativeWindow& window) {
    return std::make_unique<SdlGLContext>(static_cast<SdlWindow&>(window).getSdlWindow());
}

} // namespace platform
