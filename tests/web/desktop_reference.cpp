// The desktop garden as the browser tests' reference: starts the garden for
// real in its folder (banner, loads, window), feeds it a script of events
// through its own handlers, and writes the frame it then draws. Its
// standard output is the desktop's console for that script.
//
//   sandmere-desktop-reference GARDEN_FOLDER OUT.ppm EVENT...
//
// EVENT is one of: press:X,Y (a left press at the window position X,Y,
// origin top left), drag:X,Y (a motion event with the button held),
// rake:N (the rake type N, as the Rakes menu chooses it), tool:N (the edit
// tool N, as the Rocks menu chooses it), key:C. OUT.ppm is a binary PPM,
// top row first.
#include <GL/freeglut.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/pictures.h"
#include "bench/reference.h"
#include "plan/mouse.h"

namespace {

bool writeFrame(const char* path) {
    const int side = gardenWindowSide;
    std::vector<unsigned char> rgb(static_cast<size_t>(side) * side * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, side, side, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    std::fprintf(out, "P6\n%d %d\n255\n", side, side);
    // GL's rows run bottom up; the picture's run top down.
    bool written = true;
    for (int row = side - 1; row >= 0; --row)
        written = written && std::fwrite(&rgb[static_cast<size_t>(row) * side * 3], 3, side, out) == size_t(side);
    return std::fclose(out) == 0 && written;
}

// The text after "name:" in event, or null.
const char* argumentOf(const char* event, const char* name) {
    const std::size_t length = std::strlen(name);
    return std::strncmp(event, name, length) == 0 && event[length] == ':' ? event + length + 1 : nullptr;
}

// Reads a whole decimal number from text, up to the end or a comma.
bool readNumber(const char*& text, int& number) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || (*end != '\0' && *end != ',') || value < -100000 || value > 100000) return false;
    number = static_cast<int>(value);
    text = end;
    return true;
}

bool readPoint(const char* text, int& x, int& y) {
    return text && readNumber(text, x) && *text++ == ',' && readNumber(text, y) && *text == '\0';
}

bool readChoice(const char* text, int first, int last, int& choice) {
    return text && readNumber(text, choice) && *text == '\0' && choice >= first && choice <= last;
}

bool runEvent(const char* event) {
    int x = 0, y = 0, n = 0;
    const char* key = argumentOf(event, "key");
    if (readPoint(argumentOf(event, "press"), x, y)) {
        onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    } else if (readPoint(argumentOf(event, "drag"), x, y)) {
        onMouseDrag(x, y);
    } else if (readChoice(argumentOf(event, "rake"), oneTineRake, fiveTineRake, n)) {
        rakeType = n;
        editTool = rakeTool;
    } else if (readChoice(argumentOf(event, "tool"), rakeTool, largeRockTool, n)) {
        editTool = n;
    } else if (key && key[0] != '\0' && key[1] == '\0') {
        onKey(static_cast<unsigned char>(key[0]), 0, 0);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: sandmere-desktop-reference GARDEN_FOLDER OUT.ppm EVENT...\n", stderr);
        return 2;
    }
    if (chdir(argv[1]) != 0) {
        std::fprintf(stderr, "sandmere-desktop-reference: cannot enter %s\n", argv[1]);
        return 1;
    }
    // Fully on screen, so no pixel of the window is lost to the edge.
    glutInitWindowPosition(16, 16);
    startGardenForCallerFrames(argv);
    // Each event is followed by the frame the main loop would draw, so the
    // plan's kept image grows as it does in the running garden.
    for (int i = 3; i < argc; ++i) {
        if (!runEvent(argv[i])) {
            std::fprintf(stderr, "sandmere-desktop-reference: not an event: %s\n", argv[i]);
            return 2;
        }
        onDisplay();
    }
    std::fflush(stdout);
    drawFrame();
    if (!writeFrame(argv[2])) {
        std::fprintf(stderr, "sandmere-desktop-reference: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
