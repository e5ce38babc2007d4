// The show's "window" in the browser is the page's canvas (Module.canvas), sized to the render
// target; its GL context is WebGL2, made once per page and kept with the canvas.
#include "platform/GLProc.h"
#include "platform/WindowSystem.h"
#include "platform/web/CanvasContext.h"
#include "platform/web/PageInput.h"
#include "platform/web/gl/EntryPoints.h"
#include "platform/web/gl/Layer.h"

#include "kem/Exception.h"

#include <emscripten/html5.h>

namespace platform {

namespace {

constexpr const char* canvasTarget = "#canvas";

class CanvasWindow final : public NativeWindow {
public:
    CanvasWindow(bool fullscreen, int width, int height) {
        resizeClient(width, height);
        startPageInput();
        if (fullscreen)
            requestFullscreen();
    }
    ~CanvasWindow() override { stopPageInput(); }
    // The page has no window events; it owns its title.
    void drainEvents() override {}
    void setTitle(const char*) override {}
    void resizeClient(int width, int height) override {
        emscripten_set_canvas_element_size(canvasTarget, width, height);
    }
    // The browser shows what was drawn once the animation frame's callback returns.
    void swapBuffers() override {}
};

class CanvasGLContext final : public GLContext {};

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE pageContext = 0;
bool keepsDrawingBuffer = false;

[[noreturn]] void fail(const char* message, int line) {
    throw Kem::Exception(message, "platform/web/CanvasWindow", line);
}

} // namespace

void keepDrawingBuffer(bool keep) {
    keepsDrawingBuffer = keep;
}

std::unique_ptr<NativeWindow> createNativeWindow(const char*, bool fullscreen, int width,
                                                 int height, std::uint32_t, WindowEventSink&) {
    return std::make_unique<CanvasWindow>(fullscreen, width, height);
}

std::unique_ptr<GLContext> createGLContext(NativeWindow&) {
    if (pageContext <= 0) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.alpha = EM_FALSE;
        attributes.depth = EM_TRUE;
        attributes.stencil = EM_FALSE;
        attributes.antialias = EM_FALSE;
        attributes.premultipliedAlpha = EM_FALSE;
        attributes.preserveDrawingBuffer = keepsDrawingBuffer ? EM_TRUE : EM_FALSE;
        attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
        attributes.majorVersion = 2;
        attributes.minorVersion = 0;
        attributes.enableExtensionsByDefault = EM_FALSE;
        pageContext = emscripten_webgl_create_context(canvasTarget, &attributes);
        if (pageContext <= 0)
            fail("This browser cannot show the show: it offers no WebGL2 on this page", __LINE__);
    }
    if (emscripten_webgl_make_context_current(pageContext) != EMSCRIPTEN_RESULT_SUCCESS)
        fail("The page's WebGL2 context cannot be used", __LINE__);
    if (!emscripten_webgl_enable_extension(pageContext, "EXT_color_buffer_float"))
        fail("This browser's WebGL2 lacks EXT_color_buffer_float, which the show needs to draw "
             "into floating-point targets",
             __LINE__);
    webgl::setTimerQueries(
        emscripten_webgl_enable_extension(pageContext, "EXT_disjoint_timer_query_webgl2"));
    setGLProcLookup(webgl::lookupEntryPoint);
    return std::make_unique<CanvasGLContext>();
}

} // namespace platform
