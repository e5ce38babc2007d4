// Shared between the SDL window and the keyboard reader: latching Escape presses as SDL sees them.
#pragma once

namespace platform {

// Called while a window (and so SDL's video subsystem) exists.
void startEscapeWatch();
void stopEscapeWatch();

} // namespace platform
