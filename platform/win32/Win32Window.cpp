// The show's window and OpenGL context on Win32: window class "Class", an optional display-mode
// change for full screen, and a WGL context on a double-buffered RGBA pixel format.
#include "kem/Exception.h"
#include "platform/GLProc.h"
#include "platform/WindowSystem.h"
#include "platform/win32/EscapeLatch.h"

#include <windows.h>
#include <windowsx.h>

namespace platform {

namespace {

constexpr const char* className = "Class";

[[noreturn]] void fail(const char* message, int line) {
    throw Kem::Exception(message, "platform/win32/Win32Window", line);
}

// wglGetProcAddress knows only what is newer than GL 1.1, and some drivers answer small
// numbers instead of null; opengl32 itself exports the rest.
void* wglLookup(const char* name) {
    PROC entry = wglGetProcAddress(name);
    const auto value = reinterpret_cast<INT_PTR>(entry);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1)
        entry = GetProcAddress(GetModuleHandleA("opengl32.dll"), name);
    return reinterpret_cast<void*>(entry);
}

class Win32Window final : public NativeWindow {
public:
    Win32Window(const char* title, bool fullscreen, int width, int height, std::uint32_t style,
                WindowEventSink& sink)
        : sink(sink), instance(GetModuleHandleA(nullptr)), style(style), fullscreen(fullscreen) {
        registerClass();
        try {
            if (fullscreen)
                openFullscreen(title, width, height);
            else
                openWindowed(title, width, height);
        } catch (...) {
            UnregisterClassA(className, instance);
            throw;
        }
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        SetFocus(window);
    }

    ~Win32Window() override {
        if (deviceContext)
            ReleaseDC(window, deviceContext);
        DestroyWindow(window);
        UnregisterClassA(className, instance);
        // Back to the desktop's own mode rather than waiting for the process to end.
        if (fullscreen)
            ChangeDisplaySettingsA(nullptr, 0);
    }

    void drainEvents() override {
        MSG message;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    void setTitle(const char* title) override { SetWindowTextA(window, title); }

    void resizeClient(int width, int height) override {
        RECT frame{0, 0, width, height};
        AdjustWindowRect(&frame, style, FALSE);
        RECT now;
        GetWindowRect(window, &now);
        MoveWindow(window, now.left, now.top, frame.right - frame.left, frame.bottom - frame.top,
                   TRUE);
    }

    void swapBuffers() override {
        if (deviceContext)
            SwapBuffers(deviceContext);
    }

    HDC getDeviceContext() {
        if (!deviceContext)
            deviceContext = GetDC(window);
        return deviceContext;
    }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        // Comes before WM_NCCREATE, when the object is not known yet.
        if (message == WM_GETMINMAXINFO)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        Win32Window* self = nullptr;
        if (message == WM_NCCREATE) {
            self =
                static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            self->window = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        }
        // No exception may cross the system's frames: a stray message gets the default.
        if (!self)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        return self->handleMessage(hwnd, message, wParam, lParam);
    }

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_MOVE:
            sink.onWindowEvent(
                {WindowEvent::Type::Moved, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_SIZE:
            sink.onWindowEvent({WindowEvent::Type::Resized, LOWORD(lParam), HIWORD(lParam)});
            return 0;
        case WM_CLOSE:
            // The window stays; the frame loop decides what a close request means.
            PostQuitMessage(18);
            sink.onWindowEvent({WindowEvent::Type::CloseRequested});
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE)
                latchEscape();
            break;
        default:
            break;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void registerClass() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = 0;
        windowClass.lpfnWndProc = &Win32Window::windowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));     // IDI_APPLICATION
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW);
        windowClass.lpszClassName = className;
        if (!RegisterClassExA(&windowClass))
            fail("Could not register window class", __LINE__);
    }

    void openFullscreen(const char* title, int width, int height) {
        DEVMODEA mode{};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = DWORD(width);
        mode.dmPelsHeight = DWORD(height);
        mode.dmBitsPerPel = 32;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
            fail("Could not create fullscreen window", __LINE__);
        CreateWindowExA(0, className, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                        instance, this);
        if (!window) {
            ChangeDisplaySettingsA(nullptr, 0);
            fail("Could not create window", __LINE__);
        }
        ShowCursor(FALSE);
    }

    void openWindowed(const char* title, int width, int height) {
        // Grown by the caption and borders, so that the client area is exactly width x height.
        RECT frame{0, 0, width, height};
        AdjustWindowRect(&frame, style, FALSE);
        CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                        instance, this);
        if (!window)
            fail("Could not create window", __LINE__);
    }

    WindowEventSink& sink;
    HINSTANCE instance;
    std::uint32_t style;
    bool fullscreen;
    HWND window = nullptr; // set by WM_NCCREATE, inside CreateWindowExA
    HDC deviceContext = nullptr;
};

class WglContext final : public GLContext {
public:
    explicit WglContext(Win32Window& window) : deviceContext(window.getDeviceContext()) {
        PIXELFORMATDESCRIPTOR format{};
        format.nSize = sizeof(format);
        format.nVersion = 1;
        format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        format.iPixelType = PFD_TYPE_RGBA;
        format.cColorBits = 32;
        format.cDepthBits = 24;
        format.iLayerType = PFD_MAIN_PLANE;
        const int chosen = ChoosePixelFormat(deviceContext, &format);
        if (chosen == 0 || !SetPixelFormat(deviceContext, chosen, &format))
            fail("Could not create OpenGL context", __LINE__);
        context = wglCreateContext(deviceContext);
        if (!context)
            fail("Could not create OpenGL context", __LINE__);
        if (!wglMakeCurrent(deviceContext, context)) {
            wglDeleteContext(context);
            fail("Could not create OpenGL context", __LINE__);
        }
        setGLProcLookup(wglLookup);
    }

    ~WglContext() override {
        setGLProcLookup(nullptr);
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }

private:
    HDC deviceContext;
    HGLRC context = nullptr;
};

} // namespace

std::unique_ptr<NativeWindow> createNativeWindow(const char* title, bool fullscreen, int width,
                                                 int height, std::uint32_t style,
                                                 WindowEventSink& sink) {
    return std::make_unique<Win32Window>(title, fullscreen, width, height, style, sink);
}

std::unique_ptr<GLContext> createGLContext(NativeWindow& window) {
    return std::make_unique<WglContext>(static_cast<Win32Window&>(window));
}

} // namespace platform
