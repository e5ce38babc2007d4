// Whether the program may start threads of its own: the browser build runs on the page's one
// thread (no shared memory is asked of the server), so work meant for workers is done in place.
#pragma once

namespace platform {

#ifdef __EMSCRIPTEN__
constexpr bool canStartThreads = false;
#else
constexpr bool canStartThreads = true;
#endif

} // namespace platform
