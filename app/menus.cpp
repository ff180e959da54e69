#include "app/menus.h"

#include <GL/glut.h>

#include <cstdlib>

#include "app/garden.h"
#include "scene/sandbatch.h"

// The values the menu entries hand their callbacks. Each sub-menu numbers
// its entries from 1 in the order of the values they choose.
constexpr int firstEntry = 1;
constexpr int resetEntry = 1;
constexpr int quitEntry = 2;

void buildMenus() {
    int rakeMenu = glutCreateMenu(onRakeMenu);
    glutAddMenuEntry("One-Tine", firstEntry + oneTineRake);
    glutAddMenuEntry("Three-Tine", firstEntry + threeTineRake);
    glutAddMenuEntry("Five-Tine", firstEntry + fiveTineRake);

    int rockMenu = glutCreateMenu(onRockMenu);
    glutAddMenuEntry("Place Small Rock", smallRockTool);
    glutAddMenuEntry("Place Large Rock", largeRockTool);

    int sandMenu = glutCreateMenu(onSandMenu);
    glutAddMenuEntry("Use Light Sand", firstEntry);
    glutAddMenuEntry("Use Dark Sand", firstEntry + 1);

    glutCreateMenu(onMainMenu);
    glutAddSubMenu("Rakes", rakeMenu);
    glutAddSubMenu("Rocks", rockMenu);
    glutAddSubMenu("Sand Types", sandMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    // Still the current menu, so these land below the three sub-menus.
    glutAddMenuEntry("Reset Sandbox", resetEntry);
    glutAddMenuEntry("Quit", quitEntry);
}

void onRakeMenu(int value) {
    if (displayMode != drawMode) return;
    if (value < firstEntry + oneTineRake || value > firstEntry + fiveTineRake) return;
    rakeType = value - firstEntry;
    editTool = rakeTool;
}

void onRockMenu(int value) {
    if (displayMode != drawMode) return;
    if (value == smallRockTool || value == largeRockTool) editTool = value;
}

void onSandMenu(int value) {
    if (displayMode == sceneMode && (value == firstEntry || value == firstEntry + 1)) {
        darkSand = value - firstEntry;
        editTool = rakeTool;
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
    editTool = rakeTool;
    largeRockPlaced = 0;
    smallRockPlaced = 0;
}

void onMainMenu(int value) {
    if (value == quitEntry) std::exit(0);
    if (value == resetEntry && displayMode == drawMode) {
        resetSandbox();
        glutPostRedisplay();
    }
}
