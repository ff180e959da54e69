// A program's top-level window on a VirtualScreen, driven with real input
// events through XTest and read back with XGetImage.
//
// Without a window manager GLUT's window opens at (-1, -1): its first row
// and column lie off the screen, so they read as unknown in every shot.
// The window must never be moved either, because freeglut places its
// menus from the position it was told at creation.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "shot.h"

namespace e2e {

using std::chrono::milliseconds;

struct Point {
    int x = 0, y = 0;
};

struct Geometry {
    int x = 0, y = 0;  // the window's top-left corner on the screen
    int width = 0, height = 0;
    bool viewable = false;
};

// Every mapped top-level window on the screen except `besides`, in
// stacking order: where freeglut's menus show up.
std::vector<Window> mappedTopWindows(Display* display, Window besides = 0);

// The first window named `title`, searched depth first from the root; 0 if none.
Window findWindow(Display* display, const std::string& title);

class AppWindow {
public:
    AppWindow() = default;
    AppWindow(Display* display, Window window);

    Window id() const { return window_; }
    Display* display() const { return display_; }
    Geometry geometry() const;
    // Window coordinates to screen coordinates.
    Point toScreen(Point inWindow) const;

    // Input. Positions are window coordinates; every call is flushed to
    // the server and followed by a short pause so GLUT takes the events
    // one at a time.
    void moveTo(Point at);
    void press(int button);
    void release(int button);
    void click(Point at, int button = 1);
    // Presses `button` at the first point and moves through the others in
    // steps of at most `step` pixels, `pauseMs` apart, then releases.
    void drag(const std::vector<Point>& path, int button = 1, int step = 3, int pauseMs = 4);
    void key(char character);
    void type(const std::string& characters);
    void resize(int width, int height);

    // The window as it shows on the screen now (menus above it included).
    Shot capture() const;
    // Waits until two shots `interval` apart agree, and returns the last.
    Shot settle(milliseconds timeout = milliseconds(5000), milliseconds interval = milliseconds(120)) const;
    // Waits until the window differs from `before`, then until it settles;
    // returns the settled shot (which equals `before` on timeout).
    Shot waitForChange(const Shot& before, milliseconds timeout = milliseconds(5000)) const;

private:
    void pause(int ms = 15) const;

    Display* display_ = nullptr;
    Window window_ = 0;
};

// The whole screen in screen coordinates, for looking at menus.
Shot captureScreen(Display* display);

}  // namespace e2e
