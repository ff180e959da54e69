// What the browser's GLUT adds for the program's home (web/glut.js).
#pragma once

extern "C" {
// Keeps the program running once main() has returned into the browser's
// event loop (glutMainLoop), until exit() ends it.
void sandmereHoldRuntime();
}
