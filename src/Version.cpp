// The build hands the CMake project's version to this one file only, so a new number rebuilds
// nothing else.
#include "Version.h"

#ifndef OXBRINE_VERSION
#error "OXBRINE_VERSION must come from the build (the CMake project's version)"
#endif

const char* oxbrineVersion() {
    return OXBRINE_VERSION;
}
