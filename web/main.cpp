// The garden in the browser: the page may already have put pictures of the
// user's own into the working folder; the others are painted here by the
// picture tool's own painters, then the garden starts as on the desktop.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include "app/startup.h"
#include "tools/paint.h"
#include "web/glutweb.h"

// Marks on the page's performance timeline, for measuring.
EM_JS(void, markTime, (const char* name), { performance.mark(UTF8ToString(name)); });

int main(int argc, char** argv) {
    markTime("sandmere-painting");
    paintMissingPictures();
    markTime("sandmere-painted");
    startGarden(&argc, argv);
    sandmereHoldRuntime();
    glutMainLoop();
    return 0;
}
