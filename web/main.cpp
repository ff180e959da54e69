// The garden in the browser: the page may already have put pictures of the
// user's own into the working folder; the others are painted here by the
// picture tool's own painters, then the garden starts as on the desktop.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <cstdio>

#include "app/startup.h"
#include "image/image.h"
#include "tools/paint.h"
#include "web/glutweb.h"

// Marks on the page's performance timeline, for measuring.
EM_JS(void, markTime, (const char* name), { performance.mark(UTF8ToString(name)); });

static bool inWorkingFolder(const char* fileName) {
    FILE* stream = std::fopen(fileName, "rb");
    if (stream) std::fclose(stream);
    return stream != nullptr;
}

// A picture that cannot be written is left out: start-up then says which
// file it misses, as it would on the desktop.
static void paintPicture(const GardenPicture& picture) {
    FILE* stream = std::fopen(picture.fileName, "wb");
    if (!stream) return;
    writeBMP(paintedPicture(picture).get(), stream);
    std::fclose(stream);
}

static void paintMissingPictures() {
    markTime("sandmere-painting");
    for (const GardenPicture& picture : gardenPictures())
        if (!inWorkingFolder(picture.fileName)) paintPicture(picture);
    markTime("sandmere-painted");
}

int main(int argc, char** argv) {
    paintMissingPictures();
    startGarden(&argc, argv);
    sandmereHoldRuntime();
    glutMainLoop();
    return 0;
}
