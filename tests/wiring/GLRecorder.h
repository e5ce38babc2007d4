// Records the GL calls that carry values into a frame: every uniform set (by program and name)
// and the fixed-function colours and card corners. Uniform calls are caught by wrapping the
// loaded entry-point table, the GL 1.1 calls by definitions in this program that forward to GL.
#pragma once

#include <string>
#include <vector>

namespace recorder {

struct Call {
    std::string program; // the current program, named by its fragment shader ("" for none)
    std::string name;    // the uniform, or "glColor3f", "glColor4f", "glVertex2f"
    std::vector<float> values;
};

// Wraps the table's entries; call once, after the table is loaded.
void install();
void start();
// Stops recording and returns what was recorded since start().
std::vector<Call> stop();

} // namespace recorder
