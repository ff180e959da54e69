#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl_window.h"

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"
#include "tests/common/reset.h"

std::vector<unsigned char> readBackBuffer() {
    std::vector<unsigned char> rgb(static_cast<size_t>(gardenWindowSide) * gardenWindowSide * 3);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, gardenWindowSide, gardenWindowSide, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

static int framesRequested = 0;
static void countFrame() { ++framesRequested; }

bool redisplayWasRequested() {
    glutDisplayFunc(countFrame);
    framesRequested = 0;
    glutMainLoopEvent();
    return framesRequested > 0;
}

void startGardenInDrawMode() {
    resetGarden();
    glDisable(GL_LIGHTING);
    glClearColor(1, 1, 1, 1);
    setFixedGlState();
    onReshape(gardenWindowSide, gardenWindowSide);
    redisplayWasRequested();
}

void GardenWindowTest::SetUp() {
    startGardenInDrawMode();
    if (!sphereQuadric) makeSphereQuadric();
}

void GardenWindowTest::TearDown() {
    if (displayMode == 1) onKey('i', 0, 0);
    startGardenInDrawMode();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // InitGoogleTest has taken its own flags out of argv; listing the tests
    // at discovery needs no window.
    if (!::testing::GTEST_FLAG(list_tests)) {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') {
            std::puts("Skipped: the pixel tests need an X display (DISPLAY is not set); ./test.sh gives them one");
            return NO_WINDOW_STATUS;
        }
        glutInit(&argc, argv);
        glutInitWindowSize(gardenWindowSide, gardenWindowSide);
        // Fully on screen, so no pixel of the window is lost to the edge.
        glutInitWindowPosition(16, 16);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutCreateWindow("Sandmere pixel tests");
        // Wait until the window is mapped and has drawn its first frame:
        // freeglut carries out redisplay requests only for a visible window,
        // and on a loaded machine mapping can take a while. Then a few more
        // passes get the first exposure out of the way.
        glutDisplayFunc(countFrame);
        framesRequested = 0;
        for (int pass = 0; pass < 1000 && framesRequested == 0; ++pass) {
            glutMainLoopEvent();
            usleep(5000);
        }
        for (int pass = 0; pass < 10; ++pass) {
            glutMainLoopEvent();
            usleep(5000);
        }
    }
    return RUN_ALL_TESTS();
}
