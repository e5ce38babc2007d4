// Keyboard state, read without waiting for the window's events.
#pragma once

namespace platform {

// True when Escape is down now or was pressed since the previous call.
bool wasEscapePressed();

} // namespace platform
