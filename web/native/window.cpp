// The headless garden's window and the part of GLUT the garden calls, as
// the page's GLUT answers them (web/window.cpp, web/glut.js and
// Emscripten's GLUT): a window of the size asked for, with the GL layer's
// buffers under it, and a redisplay that is only noted. Nothing here runs
// by itself: the program hands the garden every event and draws every
// frame (web/native/replay.cpp), as the page does through web/input.cpp.
#include "web/native/window.h"

#include <GL/glut.h>

#include <cassert>

#include "web/backends.h"
#include "web/layer.h"

namespace {

int askedWidth = 300, askedHeight = 300;  // GLUT's own default
int windowWidth = 0, windowHeight = 0;
bool framesShown = true;
bool redisplayPosted = false;
void (*displayCallback)() = nullptr;
void (*reshapeCallback)(int width, int height) = nullptr;

}  // namespace

extern "C" {

void glutInit(int*, char**) {}
void glutInitDisplayMode(unsigned int) {}

void glutInitWindowSize(int width, int height) {
    assert(width > 0 && height > 0);
    askedWidth = width;
    askedHeight = height;
}

int sandmereGlutCreateWindow(const char*) {
    assert(windowWidth == 0);
    windowWidth = askedWidth;
    windowHeight = askedHeight;
    openLayerWindow(windowWidth, windowHeight);
    return 1;
}

void sandmereGlutSwapBuffers() { swapLayerBuffers(framesShown); }

// web/input.cpp keeps the display callback and hands it on here.
void glutDisplayFunc(void (*callback)()) { displayCallback = callback; }
void glutReshapeFunc(void (*callback)(int width, int height)) { reshapeCallback = callback; }

void glutPostRedisplay() { redisplayPosted = displayCallback != nullptr; }

// The window keeps its size, as the canvas does: the garden only ever asks
// for the size it has.
void glutReshapeWindow(int width, int height) {
    assert(width == windowWidth && height == windowHeight);
    if (reshapeCallback) reshapeCallback(width, height);
    glutPostRedisplay();
}

// The page's GLUT tells the garden the window's size and asks for a frame,
// then leaves the rest to the page: so does this, and returns.
void glutMainLoop() {
    assert(windowWidth > 0);
    glutReshapeWindow(windowWidth, windowHeight);
    glutPostRedisplay();
}

void sandmereFrameMode(int mode) {
    const auto frameMode = static_cast<FrameMode>(mode);
    assert(frameMode == FrameMode::shown || frameMode == FrameMode::unshown ||
           frameMode == FrameMode::readBackOnly);
    framesShown = frameMode == FrameMode::shown;
    backends::rasteriseOnDemand(frameMode == FrameMode::readBackOnly);
}

int sandmereShownPixels(unsigned char* rgba, int width, int height) {
    if (width != windowWidth || height != windowHeight || width <= 0) return 0;
    backends::readPixels(webgl::Buffer::front, 0, 0, width, height, rgba);
    return 1;
}

}  // extern "C"

bool headlessRedisplayPosted() { return redisplayPosted; }

void drawHeadlessFrame() {
    assert(displayCallback != nullptr);
    redisplayPosted = false;
    displayCallback();
}

int headlessWindowWidth() { return windowWidth; }
int headlessWindowHeight() { return windowHeight; }
