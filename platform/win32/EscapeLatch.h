// Escape presses seen by the window procedure, kept until the frame loop asks: a tap that comes
// and goes between two polls of the key state is not lost.
#pragma once

namespace platform {

void latchEscape();
// True once after each latched press.
bool takeLatchedEscape();

} // namespace platform
