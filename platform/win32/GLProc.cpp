// Keeps the lookup of the current context's entry points.
#include "platform/GLProc.h"

namespace platform {

namespace {
GLProcLookup currentLookup = nullptr;
}

void setGLProcLookup(GLProcLookup lookup) {
    currentLookup = lookup;
}

void* getGLProcAddress(const char* name) {
    return currentLookup ? currentLookup(name) : nullptr;
}

} // namespace platform
