#include "bench/reference.h"

#include <GL/glu.h>

#include <cstddef>
#include <vector>

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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(cameraEye.x, cameraEye.y, cameraEye.z, cameraTarget.x, cameraTarget.y, cameraTarget.z, 0.0,
              1.0, 0.0);
    placeLight();
    if (displayMode == 0) drawReferencePlan();
    if (displayMode == 1) {
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
    glPopMatrix();
}

// The capture's steps with the plan drawn mark by mark.
static void captureHeightsByReference() {
    const int n = windowWidth;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(n) * n * 3);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT | GL_PIXEL_MODE_BIT |
                 GL_VIEWPORT_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_SMOOTH);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, windowWidth, 0, windowHeight, 0.5, 15);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);
    drawReferencePlan();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, n, n, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    appendSandVertices(rgb.data(), n);
}

void enterDisplayModeByReference() {
    displayMode = 1;
    cameraEye = {-1.5f, 0.5f, 0.0f};
    captureHeightsByReference();
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
