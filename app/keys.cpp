#include "app/keys.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

#include "app/display.h"
#include "app/garden.h"
#include "scene/capture.h"
#include "scene/mesh.h"
#include "scene/sandbatch.h"

static const double pi = 3.141592653589793;
static const double halfPi = 1.5707963267948966;

static float radiansOf(float degrees) { return static_cast<float>(degrees * pi / 180.0); }

static float distanceToTarget(Point3 eye) {
    Point3 d = eye - cameraTarget;
    return squareRoot(d.x * d.x + d.y * d.y + d.z * d.z);
}

void orbitCamera(int withHeight) {
    float az = radiansOf(cameraAzimuth);
    float el = radiansOf(cameraElevation);
    float r = cameraDistance;
    cameraEye.x = cosine(az) * (cosine(el) * r);
    if (withHeight) cameraEye.y = sine(el) * r;
    // The sine of the azimuth, taken through the cosine.
    cameraEye.z = cosine(static_cast<float>(halfPi - az)) * (cosine(el) * r);
}

void turnCamera(int direction) {
    if (direction > 0) {
        cameraAzimuth += 1;
        if (cameraAzimuth >= 360) cameraAzimuth = 0;
    } else {
        cameraAzimuth -= 1;
        if (cameraAzimuth <= -360) cameraAzimuth = 0;
    }
    orbitCamera(0);
}

void pitchCamera(int direction) {
    if (direction > 0) {
        cameraElevation += 1;
        if (cameraElevation >= 50) cameraElevation = 50;
    } else {
        cameraElevation -= 1;
        if (cameraElevation <= 20) cameraElevation = 20;
    }
    orbitCamera(1);
}

void dollyCamera(int forward) {
    Point3 direction = cameraTarget - cameraEye;
    normalizeVector(direction);
    double step = forward ? 0.01 : -0.01;
    Point3 candidate{static_cast<float>(cameraEye.x + step * direction.x),
                     static_cast<float>(cameraEye.y + step * direction.y),
                     static_cast<float>(cameraEye.z + step * direction.z)};
    float newDistance = distanceToTarget(candidate);
    if (newDistance >= 2.3 || candidate.y <= 0.3) return;
    cameraEye = candidate;
    cameraDistance = distanceToTarget(cameraEye);
}

static void printHelp() {
    std::fputs("Keyboard commands:\n", stdout);
    std::fputs("\tq - quit\n", stdout);
    std::fputs("\th - display help in command window\n", stdout);
    std::fputs("\ti - switch between draw and display mode\n", stdout);
    std::fputs("\tz - switch between textured and wireframe sand in display mode\n", stdout);
    std::fputs("\ta - rotate left when in display mode\n", stdout);
    std::fputs("\td - rotate right when in display mode\n", stdout);
    std::fputs("\tw - pitch up when in display mode\n", stdout);
    std::fputs("\ts - pitch down when in display mode\n", stdout);
    std::fputs("\te - move camera forward when in display mode\n", stdout);
    std::fputs("\tc - move camera back when in display mode\n", stdout);
    std::fputs("\t1 - cycle through textures for large rock\n", stdout);
    std::fputs("\t2 - cycle through textures for small rock\n", stdout);
    std::fputs("\t3 - cycle through background images\n", stdout);
    std::fputs("Mouse commands:\n", stdout);
    std::fputs("\tright click for menu\n", stdout);
    std::fflush(stdout);
}

void enterDisplayMode(void (*capturePlan)()) {
    displayMode = sceneMode;
    cameraEye = {-1.5f, 0.5f, 0.0f};
    // The plan as last shown becomes the sand.
    capturePlan();
    buildSandTriangles();
    computeVertexNormals();
    buildSandBatch();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    setupLighting();
    // These angles and distance describe the eye above to within a
    // millionth, so the first camera key moves it by one step only.
    cameraAzimuth = -180;
    cameraElevation = 18.435f;
    cameraDistance = distanceToTarget(cameraEye);
    onReshape(windowWidth, windowHeight);
}

void leaveDisplayMode() {
    displayMode = drawMode;
    wireframeSand = 0;
    backgroundIndex = noBackground;
    cameraEye = {0.0f, 0.0f, 1.0f};
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    emptySequence(sandTriangles);
    emptySequence(sandVertices);
    emptySequence(vertexNormals);
    clearSandBatch();
    onReshape(windowWidth, windowHeight);
}

static void toggleWireframe() {
    wireframeSand = wireframeSand ? 0 : 1;
    if (wireframeSand)
        glDisable(GL_LIGHTING);
    else
        glEnable(GL_LIGHTING);
}

void onKey(unsigned char key, int, int) {
    bool inDisplayMode = displayMode == sceneMode;
    switch (key) {
    case 'q':
    case 'Q':
        std::exit(0);
    case 'h':
    case 'H':
        printHelp();
        break;
    case 'i':
    case 'I':
        if (displayMode == drawMode)
            enterDisplayMode(captureHeights);
        else
            leaveDisplayMode();
        break;
    case 'z':
    case 'Z':
        if (inDisplayMode) toggleWireframe();
        break;
    case 'a':
    case 'A':
        if (inDisplayMode) turnCamera(1);
        break;
    case 'd':
    case 'D':
        if (inDisplayMode) turnCamera(-1);
        break;
    case 'w':
    case 'W':
        if (inDisplayMode) pitchCamera(1);
        break;
    case 's':
    case 'S':
        if (inDisplayMode) pitchCamera(-1);
        break;
    case 'e':
    case 'E':
        if (inDisplayMode) dollyCamera(1);
        break;
    case 'c':
    case 'C':
        if (inDisplayMode) dollyCamera(0);
        break;
    case '1':
        largeRockTexture += 1;
        if (largeRockTexture > static_cast<int>(lastRockTexture)) largeRockTexture = firstRockTexture;
        break;
    case '2':
        smallRockTexture += 1;
        if (smallRockTexture > static_cast<int>(lastRockTexture)) smallRockTexture = firstRockTexture;
        break;
    case '3':
        backgroundIndex += 1;
        if (backgroundIndex > secondBackground) backgroundIndex = noBackground;
        break;
    default:
        break;
    }
    glutPostRedisplay();
}
