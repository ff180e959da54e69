#include "app/menus.h"

#include <GL/glut.h>

#include <cstdlib>

#include "app/garden.h"
#include "scene/sandbatch.h"

void buildMenus() {
    int rakeMenu = glutCreateMenu(onRakeMenu);
    glutAddMenuEntry("One-Tine", 1);
    glutAddMenuEntry("Three-Tine", 2);
    glutAddMenuEntry("Five-Tine", 3);

    int rockMenu = glutCreateMenu(onRockMenu);
    glutAddMenuEntry("Place Small Rock", 1);
    glutAddMenuEntry("Place Large Rock", 2);

    int sandMenu = glutCreateMenu(onSandMenu);
    glutAddMenuEntry("Use Light Sand", 1);
    glutAddMenuEntry("Use Dark Sand", 2);

    glutCreateMenu(onMainMenu);
    glutAddSubMenu("Rakes", rakeMenu);
    glutAddSubMenu("Rocks", rockMenu);
    glutAddSubMenu("Sand Types", sandMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    // Still the current menu, so these land below the three sub-menus.
    glutAddMenuEntry("Reset Sandbox", 1);
    glutAddMenuEntry("Quit", 2);
}

void onRakeMenu(int value) {
    if (displayMode != 0) return;
    if (value < 1 || value > 3) return;
    rakeType = value - 1;
    editTool = 0;
}

void onRockMenu(int value) {
    if (displayMode != 0) return;
    if (value == 1 || value == 2) editTool = value;
}

void onSandMenu(int value) {
    if (displayMode == 1 && (value == 1 || value == 2)) {
        darkSand = value - 1;
        editTool = 0;
    }
    glutPostRedisplay();
}

void resetSandbox() {
    emptySequence(rakeMarks);
    emptySequence(sandVertices);
    emptySequence(vertexNormals);
    emptySequence(sandTriangles);
    clearSandBatch();
    // The kept image of the plan shows marks that are gone.
    planImageMarks = 0;
    editTool = 0;
    largeRockPlaced = 0;
    smallRockPlaced = 0;
}

void onMainMenu(int value) {
    if (value == 2) std::exit(0);
    if (value == 1 && displayMode == 0) {
        resetSandbox();
        glutPostRedisplay();
    }
}
