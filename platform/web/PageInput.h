// The page's input while the show's canvas is up.
#pragma once

namespace platform {

// Listens for Escape (read by wasEscapePressed), F and double-clicks (full screen) until stopped.
void startPageInput();
void stopPageInput();
// Full screen for the canvas's stage; the browser grants it only during a user's gesture.
void requestFullscreen();

} // namespace platform
