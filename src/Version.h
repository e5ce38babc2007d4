// The release's version number, set once in the CMake project and shown by every program.
#pragma once

// "major.minor.patch", e.g. "1.0.0".
const char* oxbrineVersion();
