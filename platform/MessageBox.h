// The report of a fatal error, the only one the viewer ever sees.
#pragma once

namespace platform {

// Prints the message to standard error, then shows it in a modal box captioned "Fatal Error" with
// the error icon, when a display is there to show it on. A null message shows as empty text.
void showFatalError(const char* message);
// As above, with detail (when not null or empty) as a second line on standard error only.
void showFatalError(const char* message, const char* detail);

} // namespace platform
