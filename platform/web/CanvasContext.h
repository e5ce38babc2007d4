// How the page's WebGL2 context is made, chosen before the first window opens.
#pragma once

namespace platform {

// Whether the canvas keeps what was drawn after the browser shows it (a still picture stays
// readable for screenshots); a playing show lets the browser swap instead.
void keepDrawingBuffer(bool keep);

} // namespace platform
