// The making tools' window through SDL2, with Dear ImGui's SDL2 and OpenGL 2 backends over it.
#include "kem/Exception.h"
#include "platform/GLProc.h"
#include "platform/ToolWindow.h"

#include <GL/gl.h>
#include <SDL.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>

#include <sys/stat.h>

namespace platform {

namespace {

[[noreturn]] void fail(const char* message, int line) {
    throw Kem::Exception(message, "platform/linux/SdlToolWindow", line);
}

void* sdlLookup(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

const char* const interfaceFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

Key keyFor(SDL_Keycode code) {
    if (code >= SDLK_a && code <= SDLK_z)
        return Key(int(Key::A) + (code - SDLK_a));
    if (code >= SDLK_0 && code <= SDLK_9)
        return Key(int(Key::Digit0) + (code - SDLK_0));
    if (code >= SDLK_F1 && code <= SDLK_F12)
        return Key(int(Key::F1) + (code - SDLK_F1));
    switch (code) {
    case SDLK_SPACE:
        return Key::Space;
    case SDLK_LEFT:
        return Key::Left;
    case SDLK_RIGHT:
        return Key::Right;
    case SDLK_UP:
        return Key::Up;
    case SDLK_DOWN:
        return Key::Down;
    case SDLK_PAGEUP:
        return Key::PageUp;
    case SDLK_PAGEDOWN:
        return Key::PageDown;
    case SDLK_HOME:
        return Key::Home;
    case SDLK_END:
        return Key::End;
    case SDLK_COMMA:
        return Key::Comma;
    case SDLK_PERIOD:
        return Key::Period;
    case SDLK_LEFTBRACKET:
        return Key::LeftBracket;
    case SDLK_RIGHTBRACKET:
        return Key::RightBracket;
    case SDLK_ESCAPE:
        return Key::Escape;
    case SDLK_DELETE:
        return Key::Delete;
    case SDLK_BACKSPACE:
        return Key::Backspace;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return Key::Enter;
    case SDLK_TAB:
        return Key::Tab;
    default:
        return Key::Other;
    }
}

class SdlToolWindow final : public ToolWindow {
public:
    SdlToolWindow(const char* title, int width, int height) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            fail("Could not create window", __LINE__);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
        if (!window) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            fail("Could not create window", __LINE__);
        }
        context = SDL_GL_CreateContext(window);
        if (!context) {
            SDL_DestroyWindow(window);
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            fail("Could not create OpenGL context", __LINE__);
        }
        SDL_GL_MakeCurrent(window, context);
        // The interface follows the display; the picture's pace is the tool's own.
        SDL_GL_SetSwapInterval(1);
        setGLProcLookup(sdlLookup);

        IMGUI_CHECKVERSION();
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr; // a panel layout file in the working folder would surprise
        struct stat info;
        if (stat(interfaceFont, &info) == 0)
            io.Fonts->AddFontFromFileTTF(interfaceFont, 15.0f);
        ImGui::StyleColorsDark();
        ImGui_ImplSDL2_InitForOpenGL(window, context);
        ImGui_ImplOpenGL2_Init();
    }

    ~SdlToolWindow() override {
        ImGui_ImplOpenGL2_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext();
        setGLProcLookup(nullptr);
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        // The video subsystem stays up: quitting it unloads the GL driver, whose own leftovers
        // the leak checker could then no longer tell from ours. One window lives per process.
    }

    bool nextEvent(ToolEvent& out, int waitMilliseconds) override {
        SDL_Event event;
        for (;;) {
            if (heldKey) {
                event = held;
                heldKey = false;
            } else {
                int got = waitMilliseconds > 0 ? SDL_WaitEventTimeout(&event, waitMilliseconds)
                                               : SDL_PollEvent(&event);
                if (!got)
                    return false;
            }
            // This interface sees keys as they stand at each frame: a key pressed and released
            // (or another pressed) before the frame would go unseen, so that waits a frame.
            bool keyEvent = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
            if (keyEvent && keyDownThisFrame) {
                held = event;
                heldKey = true;
                return false;
            }
            if (event.type == SDL_KEYDOWN)
                keyDownThisFrame = true;
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (translate(event, out))
                return true;
            waitMilliseconds = 0; // one wait per call: what follows is only what is pending
        }
    }

    void getDrawableSize(int& width, int& height) const override {
        SDL_GL_GetDrawableSize(window, &width, &height);
    }

    void setTitle(const char* title) override { SDL_SetWindowTitle(window, title); }

    void beginInterface() override {
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        // The pointer as the window's own events place it: the backend's global position less
        // the window's is off where no window manager has told SDL where the window went.
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        if (SDL_GetMouseFocus() == window)
            ImGui::GetIO().MousePos = ImVec2(float(x), float(y));
        ImGui::NewFrame();
        keyDownThisFrame = false;
    }

    void present() override { draw(nullptr, nullptr, nullptr); }

    void presentAndCapture(std::vector<unsigned char>& rgba, int& width, int& height) override {
        draw(&rgba, &width, &height);
    }

private:
    void draw(std::vector<unsigned char>* rgba, int* width, int* height) {
        ImGui::Render();
        // The show draws on with the state its last frame left; the interface must not change
        // any of it, and its renderer restores only part.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        const GLenum stacks[] = {GL_PROJECTION, GL_MODELVIEW};
        GLint mode = GL_MODELVIEW;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        for (GLenum stack : stacks) {
            glMatrixMode(stack);
            glPushMatrix();
        }
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        for (GLenum stack : stacks) {
            glMatrixMode(stack);
            glPopMatrix();
        }
        glMatrixMode(GLenum(mode));
        glPopClientAttrib();
        glPopAttrib();
        if (rgba) {
            getDrawableSize(*width, *height);
            std::size_t rowBytes = std::size_t(*width) * 4;
            rgba->resize(rowBytes * std::size_t(*height));
            glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, *width, *height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
            glPopClientAttrib();
            // GL's first row is the bottom one.
            std::vector<unsigned char> row(rowBytes);
            for (int y = 0; y < *height / 2; ++y) {
                unsigned char* top = rgba->data() + std::size_t(y) * rowBytes;
                unsigned char* bottom = rgba->data() + std::size_t(*height - 1 - y) * rowBytes;
                std::copy(top, top + rowBytes, row.data());
                std::copy(bottom, bottom + rowBytes, top);
                std::copy(row.data(), row.data() + rowBytes, bottom);
            }
        }
        // Errors the interface raised are not the show's, which checks for its own each frame.
        while (glGetError() != GL_NO_ERROR) {
        }
        SDL_GL_SwapWindow(window);
    }

    // Window coordinates to drawable pixels (they differ on high-density displays).
    void toDrawable(int x, int y, ToolEvent& out) const {
        int windowWidth = 1, windowHeight = 1, drawableWidth = 1, drawableHeight = 1;
        SDL_GetWindowSize(window, &windowWidth, &windowHeight);
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        out.x = windowWidth > 0 ? x * drawableWidth / windowWidth : x;
        out.y = windowHeight > 0 ? y * drawableHeight / windowHeight : y;
    }

    bool translate(const SDL_Event& event, ToolEvent& out) const {
        const ImGuiIO& io = ImGui::GetIO();
        out = ToolEvent();
        // A key carries the modifiers of its own moment; the live state may be later than that.
        Uint16 mods = event.type == SDL_KEYDOWN ? event.key.keysym.mod : Uint16(SDL_GetModState());
        out.shift = (mods & KMOD_SHIFT) != 0;
        out.control = (mods & KMOD_CTRL) != 0;
        out.alt = (mods & KMOD_ALT) != 0;
        switch (event.type) {
        case SDL_QUIT:
            out.type = ToolEvent::Type::CloseRequested;
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                out.type = ToolEvent::Type::CloseRequested;
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                out.type = ToolEvent::Type::Resized;
                getDrawableSize(out.x, out.y);
                return true;
            }
            return false;
        case SDL_KEYDOWN:
            out.type = ToolEvent::Type::KeyDown;
            out.key = keyFor(event.key.keysym.sym);
            // Only typing belongs to the interface; the tool's keys work with a panel open, and
            // function keys, which type nothing, work even while a field is being typed in.
            out.takenByPanel = io.WantTextInput && !(out.key >= Key::F1 && out.key <= Key::F12);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.type = event.type == SDL_MOUSEBUTTONDOWN ? ToolEvent::Type::MouseDown
                                                         : ToolEvent::Type::MouseUp;
            out.button = event.button.button;
            out.clicks = event.button.clicks;
            toDrawable(event.button.x, event.button.y, out);
            out.takenByPanel = io.WantCaptureMouse;
            return true;
        case SDL_MOUSEMOTION:
            out.type = ToolEvent::Type::MouseMove;
            toDrawable(event.motion.x, event.motion.y, out);
            out.takenByPanel = io.WantCaptureMouse;
            return true;
        case SDL_MOUSEWHEEL: {
            out.type = ToolEvent::Type::Wheel;
            out.wheel = float(event.wheel.y);
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            toDrawable(x, y, out);
            out.takenByPanel = io.WantCaptureMouse;
            return true;
        }
        default:
            return false;
        }
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    SDL_Event held{};
    bool heldKey = false;
    bool keyDownThisFrame = false;
};

} // namespace

std::unique_ptr<ToolWindow> createToolWindow(const char* title, int width, int height) {
    return std::make_unique<SdlToolWindow>(title, width, height);
}

} // namespace platform
