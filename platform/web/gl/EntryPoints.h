// The GL entry point lookup of the web build's context.
#pragma once

namespace webgl {

// The address the engine's loader stores for the named desktop GL function, or null.
void* lookupEntryPoint(const char* name);

} // namespace webgl
