#include "plan/mouse.h"

#include <GL/glut.h>

#include "app/garden.h"
#include "plan/rake.h"
#include "plan/rocks.h"

PlanPoint planPointOf(int x, int y) {
    int planY = windowHeight - 1 - y;
    return {static_cast<float>(x), static_cast<float>(planY)};
}

void onMouseButton(int button, int state, int x, int y) {
    if (button != GLUT_LEFT_BUTTON || state != GLUT_DOWN || displayMode != drawMode) return;
    if (editTool == rakeTool) {
        strokeAnchor = planPointOf(x, y);
    } else if (editTool == smallRockTool || editTool == largeRockTool) {
        if (putRock(planPointOf(x, y))) glutPostRedisplay();
    }
}

void onMouseDrag(int x, int y) {
    if (editTool != rakeTool || displayMode != drawMode) {
        glutPostRedisplay();
        return;
    }
    if (rakeTowards(planPointOf(x, y))) glutPostRedisplay();
}
