// The garden's input, as the page hands it over. GLUT's own listeners in
// the browser never reach the garden: the callbacks the garden registers
// are kept here, and the page calls them through these functions, so that
// every event it delivers, records and replays takes one and the same path
// into the garden. The display callback still goes to GLUT, which draws a
// frame whenever the garden asks for one.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <cassert>

#include "web/layer.h"

namespace {

void (*keyCallback)(unsigned char key, int x, int y) = nullptr;
void (*mouseCallback)(int button, int state, int x, int y) = nullptr;
void (*motionCallback)(int x, int y) = nullptr;
void (*displayCallback)() = nullptr;

// GLUT hands a key the pointer's place: the last one the garden was told.
int pointerX = 0, pointerY = 0;

}  // namespace

extern "C" {

void sandmereGlutKeyboardFunc(void (*callback)(unsigned char key, int x, int y)) { keyCallback = callback; }
void sandmereGlutMouseFunc(void (*callback)(int button, int state, int x, int y)) { mouseCallback = callback; }
void sandmereGlutMotionFunc(void (*callback)(int x, int y)) { motionCallback = callback; }

void sandmereGlutDisplayFunc(void (*callback)()) {
    displayCallback = callback;
    glutDisplayFunc(callback);
}

EMSCRIPTEN_KEEPALIVE void sandmereKey(int key) {
    assert(key > 0 && key < 256);
    if (keyCallback) keyCallback(static_cast<unsigned char>(key), pointerX, pointerY);
}

EMSCRIPTEN_KEEPALIVE void sandmereMouse(int button, int state, int x, int y) {
    assert(button >= GLUT_LEFT_BUTTON && button <= GLUT_RIGHT_BUTTON);
    assert(state == GLUT_DOWN || state == GLUT_UP);
    pointerX = x;
    pointerY = y;
    if (mouseCallback) mouseCallback(button, state, x, y);
}

EMSCRIPTEN_KEEPALIVE void sandmereMotion(int x, int y) {
    pointerX = x;
    pointerY = y;
    if (motionCallback) motionCallback(x, y);
}

// One frame drawn and shown now, as GLUT would draw it: a replay draws the
// frames the garden reads back without waiting for the browser.
EMSCRIPTEN_KEEPALIVE void sandmereDrawFrame() {
    assert(displayCallback != nullptr);
    displayCallback();
}

}  // extern "C"
