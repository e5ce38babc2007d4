// Entry points by name for the engine's loader: the layer's own where it stands in for WebGL2,
// the browser's for the rest; timer queries only where the browser measures GPU time.
#include "platform/web/gl/EntryPoints.h"

#include "platform/web/gl/Layer.h"

#include <emscripten/html5_webgl.h>

#include <cstring>

namespace webgl {

namespace {

struct Entry {
    const char* name;
    void* address;
};

#define OXBRINE_LAYER_ENTRY(name)                                                                  \
    { #name, reinterpret_cast < void*>(&name) }
const Entry layerEntries[] = {
    OXBRINE_LAYER_ENTRY(glCreateShader),     OXBRINE_LAYER_ENTRY(glDeleteShader),
    OXBRINE_LAYER_ENTRY(glShaderSource),     OXBRINE_LAYER_ENTRY(glLinkProgram),
    OXBRINE_LAYER_ENTRY(glUseProgram),       OXBRINE_LAYER_ENTRY(glDeleteProgram),
    OXBRINE_LAYER_ENTRY(glActiveTexture),    OXBRINE_LAYER_ENTRY(glClientActiveTexture),
    OXBRINE_LAYER_ENTRY(glGetQueryObjectiv), OXBRINE_LAYER_ENTRY(glGetQueryObjectui64v),
};
#undef OXBRINE_LAYER_ENTRY

const char* const timerQueryNames[] = {"glGenQueries",       "glDeleteQueries",
                                       "glBeginQuery",       "glEndQuery",
                                       "glGetQueryObjectiv", "glGetQueryObjectui64v"};

} // namespace

void* lookupEntryPoint(const char* name) {
    if (!name)
        return nullptr;
    for (const char* timerName : timerQueryNames)
        if (std::strcmp(name, timerName) == 0 && !hasTimerQueries())
            return nullptr;
    for (const Entry& entry : layerEntries)
        if (std::strcmp(name, entry.name) == 0)
            return entry.address;
    return emscripten_webgl_get_proc_address(name);
}

} // namespace webgl
