// The show's window over the platform's window system, and its OpenGL context.
#include "Window.h"

Window::~Window() {
    Window::close();
}

void Window::create(const char* title, bool fullscreen, int width, int height,
                    std::uint32_t style) {
    close();
    this->style = style;
    this->width = width;
    this->height = height;
    this->fullscreen = fullscreen;
    closeRequested = false;
    native = platform::createNativeWindow(title, fullscreen, width, height, style, *this);
    open = true;
}

void Window::close() {
    if (!open)
        return;
    native.reset();
    open = false;
}

void Window::update() {
    if (open)
        native->drainEvents();
}

void Window::setTitle(const char* text) {
    if (open)
        native->setTitle(text);
}

void Window::resize(int width, int height) {
    this->width = width;
    this->height = height;
    if (open)
        native->resizeClient(width, height);
}

void Window::handleMessage(const platform::WindowEvent& event) {
    switch (event.type) {
    case platform::WindowEvent::Type::Moved:
        x = event.first;
        y = event.second;
        break;
    case platform::WindowEvent::Type::Resized:
        width = event.first;
        height = event.second;
        break;
    case platform::WindowEvent::Type::CloseRequested:
        closeRequested = true;
        break;
    }
}

GLWindow::~GLWindow() {
    GLWindow::close();
}

void GLWindow::create(const char* title, bool fullscreen, int width, int height,
                      std::uint32_t style) {
    Window::create(title, fullscreen, width, height, style);
    context = platform::createGLContext(*getNativeWindow());
}

void GLWindow::close() {
    context.reset();
    Window::close();
}

void GLWindow::update() {
    Window::update();
    if (isOpen())
        getNativeWindow()->swapBuffers();
}
