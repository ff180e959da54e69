// freeglut's header as the benchmark needs it in the browser: Emscripten's
// GLUT, and freeglut's one pass of the event loop, which has nothing to do
// on a page: its events come only after main() has returned.
#pragma once

#include <GL/glut.h>

inline void glutMainLoopEvent() {}
