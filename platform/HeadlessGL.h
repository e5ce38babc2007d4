// An OpenGL compatibility context with no window, for tests and the offline renderer. There is
// no default framebuffer: render into framebuffer objects.
#pragma once

#include <memory>

namespace platform {

class HeadlessGL {
public:
    // Creates the context, makes it current and points the GL entry point lookup at it.
    // Throws Kem::Exception when no such context can be made.
    HeadlessGL();
    ~HeadlessGL();
    HeadlessGL(const HeadlessGL&) = delete;
    HeadlessGL& operator=(const HeadlessGL&) = delete;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
