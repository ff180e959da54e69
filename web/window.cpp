// The window GLUT opens on the page's canvas, with the GL layer's buffers
// under it. The garden's calls of these two arrive here renamed (web/gl11.h).
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cassert>
#include <cstdlib>

#include "web/backends.h"
#include "web/layer.h"

namespace {

int windowWidth = 0, windowHeight = 0;
// Off while the page replays a garden: its frames are drawn and swapped
// as they were, for what the garden reads back from them, but not shown.
bool framesShown = true;

// How the next frames are made (sandmereFrameMode).
enum FrameMode { shownFrames = 0, unshownFrames = 1, readBackOnly = 2 };

}  // namespace

// The page's performance timeline gets a mark when the first frame is
// shown, and the page hears of every frame: where frames fall is part of a
// garden's record.
EM_JS(void, tellPageOfFrame, (int first), {
    if (first) performance.mark('sandmere-first-frame');
    if (Module['onGardenFrame']) Module['onGardenFrame']();
});

// The canvas gave no WebGL 2 context (the page looks for one before the
// garden starts, but a browser may still refuse the canvas's own): the
// page says so in words, and the garden ends there, having drawn nothing.
EM_JS(void, tellPageCannotDraw, (), {
    if (Module['onCannotDraw']) Module['onCannotDraw']();
});

extern "C" int sandmereGlutCreateWindow(const char* title) {
    const int window = glutCreateWindow(title);
    if (window == 0) {
        tellPageCannotDraw();
        std::exit(EXIT_FAILURE);
    }
    // The context GLUT made is WebGL 2: the layer needs it.
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    emscripten_webgl_get_drawing_buffer_size(context, &windowWidth, &windowHeight);
    openLayerWindow(windowWidth, windowHeight);
    return window;
}

extern "C" void sandmereGlutSwapBuffers() {
    static bool anyShown = false;
    swapLayerBuffers(framesShown);
    if (!framesShown) return;
    glutSwapBuffers();
    tellPageOfFrame(!anyShown);
    anyShown = true;
}

// 0: frames are drawn whole and shown, as always. 1: drawn whole, not
// shown. 2: not shown, and rasterised only where the garden reads them
// back while drawing them; their front buffer must then not be read. Set
// between frames.
extern "C" EMSCRIPTEN_KEEPALIVE void sandmereFrameMode(int mode) {
    assert(mode == shownFrames || mode == unshownFrames || mode == readBackOnly);
    framesShown = mode == shownFrames;
    backends::rasteriseOnDemand(mode == readBackOnly);
}

// The picture the window shows now, as RGBA bytes with the bottom row
// first, into width x height x 4 bytes at rgba; 0 when the window is not
// that size (or not open). It is the canvas's picture, whatever frames
// were made unshown since.
extern "C" EMSCRIPTEN_KEEPALIVE int sandmereShownPixels(unsigned char* rgba, int width, int height) {
    if (width != windowWidth || height != windowHeight || width <= 0) return 0;
    backends::shownPixels(rgba);
    return 1;
}
