// What the page asks of the GL layer when it keeps a moment of the garden
// (its whole memory) and puts one back: the page copies the memory itself,
// always between two events, where nothing of the garden's runs.
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/heap.h>

#include <cstddef>
#include <cstdio>

#include "web/backends.h"
#include "web/webgl.h"

extern "C" {

// Before a moment is kept: nothing waits to be drawn or printed, and the
// page holds copies of the texels the moment needs that the GPU may lose.
EMSCRIPTEN_KEEPALIVE void sandmereSettle(int copyTextures) {
    std::fflush(nullptr);
    if (copyTextures)
        webgl::keepCopiesOfChangedTextures();
    else
        webgl::settle();
}

// Room for a moment's memory: 1 when memory is at least `bytes` long.
EMSCRIPTEN_KEEPALIVE int sandmereMakeRoom(std::size_t bytes) {
    return emscripten_get_heap_size() >= bytes || emscripten_resize_heap(bytes) ? 1 : 0;
}

// After the memory was put back: WebGL is brought to what it says (fromElsewhere: the
// moment was kept by another start of the page, so the GPU holds
// nothing of it but the start's textures), and a frame is asked for, as
// the garden asks for one when it starts. 0 when texels it needs are lost.
EMSCRIPTEN_KEEPALIVE int sandmereResume(int fromElsewhere) {
    const bool whole = backends::resumeAfterRestore(fromElsewhere != 0);
    glutPostRedisplay();
    return whole ? 1 : 0;
}

}  // extern "C"
