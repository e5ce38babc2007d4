// The window's size and position bookkeeping, and real windows with their GL context on the
// virtual display the test runs under.
#include "Window.h"
#include "Extensions.h"
#include "kem/Exception.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::WindowEvent;

constexpr std::uint32_t fixedStyle = platform::windowStyle::caption |
                                     platform::windowStyle::systemMenu |
                                     platform::windowStyle::minimizeBox;

TEST(WindowBookkeeping, FollowsMoveAndSizeEventsAndNotesCloseRequests) {
    Window window;
    window.handleMessage({WindowEvent::Type::Moved, -40, 25});
    window.handleMessage({WindowEvent::Type::Resized, 1920, 1080});
    EXPECT_EQ(window.getX(), -40);
    EXPECT_EQ(window.getY(), 25);
    EXPECT_EQ(window.getWidth(), 1920);
    EXPECT_EQ(window.getHeight(), 1080);
    EXPECT_EQ(window.getAspectRatio(), 1920.0f / 1080.0f);

    EXPECT_FALSE(window.isCloseRequested());
    window.handleMessage({WindowEvent::Type::CloseRequested});
    EXPECT_TRUE(window.isCloseRequested());
    EXPECT_EQ(window.getWidth(), 1920); // a close request changes nothing else
}

TEST(WindowBookkeeping, ClosedWindowToleratesEveryCall) {
    GLWindow window;
    EXPECT_FALSE(window.isOpen());
    window.update();
    window.setTitle("ignored");
    window.resize(640, 480);
    EXPECT_EQ(window.getWidth(), 640);
    EXPECT_EQ(window.getHeight(), 480);
    window.close();
    window.close();
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowOnDisplay, WindowedHasTheAskedClientSizeAndACurrentContext) {
    GLWindow window;
    window.create("Window test", false, 1024, 768, fixedStyle);
    ASSERT_TRUE(window.isOpen());
    ASSERT_NO_THROW(Extensions::load());
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);

    // Drawing and showing a frame must neither fail nor change the bookkeeping.
    glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    window.update();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(window.getWidth(), 1024);
    EXPECT_EQ(window.getHeight(), 768);
    EXPECT_EQ(window.getAspectRatio(), 1024.0f / 768.0f);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);

    window.close();
    EXPECT_FALSE(window.isOpen());
    window.close();
}

TEST(WindowOnDisplay, FullScreenAtAModeTheDisplayLacksFailsWithoutOpening) {
    GLWindow window;
    // The virtual display offers only 1920x1080.
    try {
        window.create("Window test", true, 1280, 720, fixedStyle);
        FAIL() << "a full-screen window of a missing mode was created";
    } catch (const Kem::Exception& error) {
        EXPECT_EQ(std::string(error.getMessage().getData()), "Could not create fullscreen window");
    }
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowOnDisplay, FullScreenAtTheDisplaysModeCoversIt) {
    GLWindow window;
    window.create("Window test", true, 1920, 1080, fixedStyle);
    EXPECT_TRUE(window.isOpen());
    window.update();
    EXPECT_EQ(window.getWidth(), 1920);
    EXPECT_EQ(window.getHeight(), 1080);
}

} // namespace
