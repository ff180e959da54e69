#include "bench/reference.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <unistd.h>

#include <cstddef>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"
#include "plan/planview.h"
#include "scene/capture.h"
#include "scene/mesh.h"
#include "scene/sand.h"
#include "scene/scenery.h"

static void drawReferencePlan() {
    for (std::size_t i = rakeMarks.size(); i-- > 0;) drawRakeMark(rakeMarks[i].x, rakeMarks[i].y);
    drawPlanRocks();
}

void drawReferenceFrame() {
    beginFrame();
    if (displayMode == drawMode) drawReferencePlan();
    if (displayMode == sceneMode) {
        glDisable(GL_DEPTH_TEST);
        drawBackground();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        drawSandboxFrame();
        if (wireframeSand == 1) {
            for (const SandTriangle& triangle : sandTriangles) drawSandTriangleOutline(triangle);
        } else {
            for (const SandTriangle& triangle : sandTriangles) drawSandTriangle(triangle);
        }
        drawSceneRocks();
        glDisable(GL_TEXTURE_2D);
    }
    endFrame();
}

// The capture with the plan drawn mark by mark.
static void captureReferenceHeights() { captureHeightsDrawnBy(drawReferencePlan); }

void enterDisplayModeByReference() { enterDisplayMode(captureReferenceHeights); }

static void ignoreFrame() {}

void startGardenForCallerFrames(char** argv) {
    int glutArgc = 1;
    startGarden(&glutArgc, argv);
    glutDisplayFunc(ignoreFrame);
    for (int pass = 0; pass < 20; ++pass) {
        glutMainLoopEvent();
        usleep(5000);
    }
}
