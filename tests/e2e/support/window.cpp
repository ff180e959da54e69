#include "window.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace e2e {
namespace {

Window searchTree(Display* display, Window from, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(display, from, &name) != 0 && name != nullptr) {
        const bool match = title == name;
        XFree(name);
        if (match) return from;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, from, &root, &parent, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) found = searchTree(display, children[i], title);
    if (children != nullptr) XFree(children);
    return found;
}

unsigned char channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = mask >> shift;
    return static_cast<unsigned char>(value * 255 / top);
}

// Copies the part of the screen rectangle (x, y, width, height) that lies
// on the screen into a shot whose (0, 0) is the rectangle's corner.
Shot grab(Display* display, int x, int y, int width, int height) {
    Shot shot(width, height);
    const int screen = DefaultScreen(display);
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + width, DisplayWidth(display, screen));
    const int bottom = std::min(y + height, DisplayHeight(display, screen));
    if (right <= left || bottom <= top) return shot;
    XImage* image = XGetImage(display, RootWindow(display, screen), left, top, static_cast<unsigned>(right - left),
                              static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    for (int row = 0; row < bottom - top; ++row)
        for (int column = 0; column < right - left; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            shot.set(left - x + column, top - y + row,
                     Rgb{channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                         channel(pixel, image->blue_mask)});
        }
    XDestroyImage(image);
    return shot;
}

}  // namespace

std::vector<Window> mappedTopWindows(Display* display, Window besides) {
    std::vector<Window> mapped;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return mapped;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (children[i] == besides || XGetWindowAttributes(display, children[i], &attributes) == 0) continue;
        if (attributes.map_state == IsViewable) mapped.push_back(children[i]);
    }
    if (children != nullptr) XFree(children);
    return mapped;
}

Window findWindow(Display* display, const std::string& title) {
    return searchTree(display, DefaultRootWindow(display), title);
}

Shot captureScreen(Display* display) {
    const int screen = DefaultScreen(display);
    return grab(display, 0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
}

AppWindow::AppWindow(Display* display, Window window) : display_(display), window_(window) {}

Geometry AppWindow::geometry() const {
    Geometry result;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window_, &attributes) == 0) return result;
    const Point corner = toScreen({0, 0});
    result.x = corner.x;
    result.y = corner.y;
    result.width = attributes.width;
    result.height = attributes.height;
    result.viewable = attributes.map_state == IsViewable;
    return result;
}

Point AppWindow::toScreen(Point inWindow) const {
    Window child = 0;
    Point onScreen;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), inWindow.x, inWindow.y, &onScreen.x,
                          &onScreen.y, &child);
    return onScreen;
}

void AppWindow::pause(int ms) const {
    XSync(display_, False);
    std::this_thread::sleep_for(milliseconds(ms));
}

void AppWindow::moveTo(Point at) {
    const Point onScreen = toScreen(at);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), onScreen.x, onScreen.y, CurrentTime);
    pause();
}

void AppWindow::press(int button) {
    XTestFakeButtonEvent(display_, static_cast<unsigned>(button), True, CurrentTime);
    pause();
}

void AppWindow::release(int button) {
    XTestFakeButtonEvent(display_, static_cast<unsigned>(button), False, CurrentTime);
    pause();
}

void AppWindow::click(Point at, int button) {
    moveTo(at);
    press(button);
    release(button);
}

void AppWindow::drag(const std::vector<Point>& path, int button, int step, int pauseMs) {
    if (path.empty()) return;
    moveTo(path.front());
    press(button);
    Point from = path.front();
    for (size_t i = 1; i < path.size(); ++i) {
        const Point to = path[i];
        const double length = std::hypot(to.x - from.x, to.y - from.y);
        const int steps = std::max(1, static_cast<int>(std::ceil(length / step)));
        for (int s = 1; s <= steps; ++s) {
            const Point onScreen =
                toScreen({from.x + static_cast<int>(std::lround((to.x - from.x) * s / double(steps))),
                          from.y + static_cast<int>(std::lround((to.y - from.y) * s / double(steps)))});
            XTestFakeMotionEvent(display_, DefaultScreen(display_), onScreen.x, onScreen.y, CurrentTime);
            pause(pauseMs);
        }
        from = to;
    }
    release(button);
}

void AppWindow::key(char character) {
    // With no window manager the keyboard follows the pointer, which a
    // menu may have left outside the window: give the window the focus.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus != window_) XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
    const KeySym symbol = static_cast<KeySym>(static_cast<unsigned char>(character));
    const KeyCode code = XKeysymToKeycode(display_, symbol);
    if (code == 0) return;
    // A symbol that is not the key's unshifted one (capitals, most
    // punctuation) needs shift held around it.
    const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != symbol;
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    if (shifted) XTestFakeKeyEvent(display_, shift, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (shifted) XTestFakeKeyEvent(display_, shift, False, CurrentTime);
    pause();
}

void AppWindow::type(const std::string& characters) {
    for (char c : characters) key(c);
}

void AppWindow::resize(int width, int height) {
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    pause();
}

Shot AppWindow::capture() const {
    const Geometry where = geometry();
    if (where.width == 0) return Shot();
    return grab(display_, where.x, where.y, where.width, where.height);
}

Shot AppWindow::settle(milliseconds timeout, milliseconds interval) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Shot last = capture();
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(interval);
        Shot next = capture();
        if (next.width() == last.width() && next.height() == last.height() && next.sameAs(last)) return next;
        last = std::move(next);
    }
    return last;
}

Shot AppWindow::waitForChange(const Shot& before, milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const Shot now = capture();
        if (now.width() != before.width() || now.height() != before.height() || !now.sameAs(before))
            return settle(milliseconds(3000));
        std::this_thread::sleep_for(milliseconds(30));
    }
    return before;
}

}  // namespace e2e
