#include "app/display.h"

#include <GL/glut.h>

#include "app/garden.h"
#include "plan/planview.h"
#include "scene/sand.h"
#include "scene/sandbatch.h"
#include "scene/scenery.h"

void beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(cameraEye.x, cameraEye.y, cameraEye.z, cameraTarget.x, cameraTarget.y, cameraTarget.z, 0.0, 1.0,
              0.0);
    // After the look-at, so the light stays put in the scene as the camera orbits.
    placeLight();
}

void endFrame() { glPopMatrix(); }

void drawFrame() {
    beginFrame();
    if (displayMode == drawMode) {
        drawPlanView();
    }
    if (displayMode == sceneMode) {
        // The white that the frame shows under in wireframe mode. The
        // picture behind everything is filled in last, only where the
        // garden left the window empty, instead of being painted whole first.
        glColor3f(1, 1, 1);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        drawSandboxFrame();
        drawSandBed();
        drawSceneRocks();
        fillBackground();
        glDisable(GL_TEXTURE_2D);
    }
    endFrame();
}

void onDisplay() {
    drawFrame();
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    // The garden's window has one size: snap back and wait for the reshape
    // that follows.
    if (width != windowWidth || height != windowHeight) {
        glutReshapeWindow(windowWidth, windowHeight);
        return;
    }
    windowWidth = width;
    windowHeight = height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (displayMode == drawMode) glOrtho(0.0, windowWidth, 0.0, windowHeight, 0.5, 15.0);
    if (displayMode == sceneMode)
        gluPerspective(60.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 15.0);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, width, height);
    glutPostRedisplay();
}

// The light's alphas change nothing: a lit vertex takes its alpha from the
// material's diffuse colour, which keeps its default of 1.
static const GLfloat lightDiffuse[] = {0.9f, 0.9f, 0.9f, 0.5f};
static const GLfloat lightAmbient[] = {0.0f, 0.0f, 0.0f, 0.5f};
static const GLfloat lightSpecular[] = {1.0f, 1.0f, 1.0f, 0.5f};
// Three units above the centre of the sand, a point light.
static const GLfloat lightPosition[] = {0.0f, 3.0f, 0.0f, 1.0f};

void setupLighting() {
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
    glShadeModel(GL_SMOOTH);
}

void placeLight() {
    glMatrixMode(GL_MODELVIEW);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
}
