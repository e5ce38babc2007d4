// Whole-file text reading for shader sources.
#pragma once

#include "kem/String.h"

namespace File {

// The file's text up to its first NUL byte; throws Kem::Exception when it cannot be read, is not
// a regular file or is larger than the shader limit, with the cause as the detail line.
Kem::String readAll(const Kem::String& path);

} // namespace File
