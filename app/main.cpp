#include <GL/glut.h>

#include "app/startup.h"

int main(int argc, char** argv) {
    startGarden(&argc, argv);
    glutMainLoop();
    return 0;
}
