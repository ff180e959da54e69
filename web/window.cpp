// The window GLUT opens on the page's canvas, with the GL layer's buffers
// under it. The garden's calls of these two arrive here renamed (web/gl11.h).
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cassert>

#include "web/layer.h"

// The page's performance timeline gets a mark when the first frame is shown.
EM_JS(void, markFirstFrame, (), { performance.mark('sandmere-first-frame'); });

extern "C" int sandmereGlutCreateWindow(const char* title) {
    const int window = glutCreateWindow(title);
    assert(window != 0);
    // The context GLUT made is WebGL 2: the layer needs it.
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    int width = 0, height = 0;
    emscripten_webgl_get_drawing_buffer_size(context, &width, &height);
    openLayerWindow(width, height);
    return window;
}

extern "C" void sandmereGlutSwapBuffers() {
    static bool shown = false;
    swapLayerBuffers();
    glutSwapBuffers();
    if (!shown) markFirstFrame();
    shown = true;
}
