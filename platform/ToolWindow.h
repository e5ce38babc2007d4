// A resizable window with an OpenGL context and Dear ImGui on it, for the making tools. Input
// arrives as ToolEvents; what Dear ImGui takes (typing into a field, clicks on a panel) is marked
// so the tool leaves it alone.
#pragma once

#include <memory>
#include <vector>

namespace platform {

// Keys as the keyboard names them; what they do is the tool's business. Keys outside this list
// arrive as Key::Other.
enum class Key {
    Other,
    Space,
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Comma,
    Period,
    LeftBracket,
    RightBracket,
    Escape,
    Delete,
    Backspace,
    Enter,
    Tab,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    A,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y,
    Z
};

struct ToolEvent {
    enum class Type { KeyDown, MouseDown, MouseUp, MouseMove, Wheel, Resized, CloseRequested };
    Type type = Type::KeyDown;
    Key key = Key::Other;
    bool shift = false;
    bool control = false;
    bool alt = false;
    // Mouse events: the pointer in drawable pixels, top-left origin; Wheel: steps up (+) or down.
    int x = 0;
    int y = 0;
    float wheel = 0.0f;
    int button = 0; // 1 left, 2 middle, 3 right
    // MouseDown: 1, or 2 for the second press of a double-click (timed by the system's events,
    // not by frames, so a slow frame does not split it).
    int clicks = 0;
    // Dear ImGui wants this event (the pointer over a panel, typing into a text field).
    bool takenByPanel = false;
};

class ToolWindow {
public:
    virtual ~ToolWindow() = default;
    // The next pending event, waiting at most waitMilliseconds (0: no wait) for one.
    virtual bool nextEvent(ToolEvent& event, int waitMilliseconds) = 0;
    virtual void getDrawableSize(int& width, int& height) const = 0;
    virtual void setTitle(const char* title) = 0;
    // Starts a Dear ImGui frame; everything drawn with ImGui until present() goes over the
    // window's framebuffer.
    virtual void beginInterface() = 0;
    // Draws the interface and shows the frame.
    virtual void present() = 0;
    // As present(), keeping a copy of the whole window as drawn: RGBA rows, top row first.
    virtual void presentAndCapture(std::vector<unsigned char>& rgba, int& width, int& height) = 0;
};

// Creates and shows the window with a drawable of width x height and makes its context current
// (the GL entry point lookup points at it). Throws Kem::Exception when it cannot.
std::unique_ptr<ToolWindow> createToolWindow(const char* title, int width, int height);

} // namespace platform
