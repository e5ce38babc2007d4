// One top-level window and its OpenGL context, as the operating system provides them. The window
// reports what happens to it as WindowEvents; the caller drains them once per frame.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

// Window style bits, with the values of the Win32 style word the shell hands over.
namespace windowStyle {
constexpr std::uint32_t caption = 0x00C00000;
constexpr std::uint32_t systemMenu = 0x00080000;
constexpr std::uint32_t sizingBorder = 0x00040000;
constexpr std::uint32_t minimizeBox = 0x00020000;
constexpr std::uint32_t maximizeBox = 0x00010000;
} // namespace windowStyle

struct WindowEvent {
    enum class Type { Moved, Resized, CloseRequested };
    Type type;
    // Moved: client-area origin in screen coordinates; Resized: client size.
    int first = 0;
    int second = 0;
};

class WindowEventSink {
public:
    virtual void onWindowEvent(const WindowEvent& event) = 0;

protected:
    ~WindowEventSink() = default;
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    // Hands every pending event of this window to the sink.
    virtual void drainEvents() = 0;
    virtual void setTitle(const char* title) = 0;
    // New client size; the window keeps its place.
    virtual void resizeClient(int width, int height) = 0;
    virtual void swapBuffers() = 0;
};

// Creates and shows a window with a client area of exactly width x height. In full-screen mode the
// display switches to exactly that mode, the window covers it without decoration and the cursor is
// hidden; style is then ignored. Events go to sink, which must outlive the window. Throws
// Kem::Exception ("Could not create window", "Could not create fullscreen window").
std::unique_ptr<NativeWindow> createNativeWindow(const char* title, bool fullscreen, int width,
                                                 int height, std::uint32_t style,
                                                 WindowEventSink& sink);

// An OpenGL compatibility context on a window: double buffered, RGBA without alpha, 24-bit depth,
// no stencil. Current on the calling thread from creation to destruction; creation also points the
// GL entry point lookup at it.
class GLContext {
public:
    virtual ~GLContext() = default;
};

std::unique_ptr<GLContext> createGLContext(NativeWindow& window);

} // namespace platform
