// Where GL entry points come from: the context that is current names the lookup it needs.
#pragma once

namespace platform {

using GLProcLookup = void* (*)(const char* name);

// Set by whichever context creator (window or headless) made its context current.
void setGLProcLookup(GLProcLookup lookup);
// The entry point of the current context, or null when unknown or without a context.
void* getGLProcAddress(const char* name);

} // namespace platform
