// Keeps Mesa's software GL driver loaded for the whole run of the window tests. Their windows and
// GLX contexts are made and dropped many times, and a driver unloaded in between leaves its own
// leftovers in leak reports as "unknown module", where the suppressions, which name the driver,
// cannot reach them. (Headless EGL programs do not unload it, and there the resident driver's
// threads trip the leak checker's thread tracer, so only the window tests take this.)
#include <dlfcn.h>

namespace {

const bool driverKept = [] {
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    return true;
}();

} // namespace
