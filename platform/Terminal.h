// Whether a standard stream reaches a person at a terminal or a file or pipe.
#pragma once

#include <cstdio>

namespace platform {

// True when the stream is an interactive terminal, where redrawn lines make sense.
bool isTerminal(std::FILE* stream);

} // namespace platform
