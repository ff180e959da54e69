#include "bench/reference.h"

#include <GL/glu.h>

#include <cstddef>

#include "app/display.h"
#include "app/garden.h"
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

void enterDisplayModeByReference() {
    displayMode = 1;
    cameraEye = {-1.5f, 0.5f, 0.0f};
    // The capture with the plan drawn mark by mark.
    captureHeightsDrawnBy(drawReferencePlan);
    buildSandTriangles();
    computeVertexNormals();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    setupLighting();
    cameraAzimuth = -180;
    cameraElevation = 18.435f;
    Point3 d = cameraEye - cameraTarget;
    cameraDistance = squareRoot(d.x * d.x + d.y * d.y + d.z * d.z);
    onReshape(windowWidth, windowHeight);
}
