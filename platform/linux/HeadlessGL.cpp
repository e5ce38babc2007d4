// Headless desktop GL through EGL on Mesa's surfaceless platform (llvmpipe without a GPU).
#include "platform/HeadlessGL.h"

#include "kem/Exception.h"
#include "platform/GLProc.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace platform {

struct HeadlessGL::State {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

void* eglLookup(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

// The driver is unloaded with the last context; leaks it reports afterwards carry no library
// names and slip past the sanitizer's suppressions. Keeping it mapped lets them be named.
int pinDriver(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "gallium")))
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

[[noreturn]] void fail(const char* what) {
    throw Kem::Exception(Kem::String("Could not create a headless OpenGL context: ") + what,
                         "platform/linux/HeadlessGL", __LINE__);
}

EGLDisplay openDisplay() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (getPlatformDisplay && clientExtensions &&
        std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY)
            return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

} // namespace

HeadlessGL::HeadlessGL() : state(new State) {
    state->display = openDisplay();
    if (state->display == EGL_NO_DISPLAY || !eglInitialize(state->display, nullptr, nullptr))
        fail("no EGL display");
    if (!eglBindAPI(EGL_OPENGL_API))
        fail("desktop OpenGL is not offered");
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(state->display, configAttributes, &config, 1, &configCount);
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    // Surfaceless contexts need no config; fall back to one when the driver insists.
    state->context = eglCreateContext(state->display, configCount > 0 ? config : EGL_NO_CONFIG_KHR,
                                      EGL_NO_CONTEXT, contextAttributes);
    if (state->context == EGL_NO_CONTEXT) {
        const EGLint plainAttributes[] = {EGL_NONE};
        state->context = eglCreateContext(state->display, configCount > 0 ? config : EGL_NO_CONFIG_KHR,
                                          EGL_NO_CONTEXT, plainAttributes);
    }
    if (state->context == EGL_NO_CONTEXT)
        fail("no compatibility context");
    if (!eglMakeCurrent(state->display, EGL_NO_SURFACE, EGL_NO_SURFACE, state->context))
        fail("the context cannot be made current");
    setGLProcLookup(eglLookup);
    dl_iterate_phdr(pinDriver, nullptr);
}

HeadlessGL::~HeadlessGL() {
    setGLProcLookup(nullptr);
    eglMakeCurrent(state->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(state->display, state->context);
    eglTerminate(state->display);
}

} // namespace platform
