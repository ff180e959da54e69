#include <GL/glut.h>

#include "app/menus.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    readBackgrounds();
    openGardenWindow(&argc, argv);
    registerCallbacks();
    buildMenus();
    setGardenStartValues();
    setFixedGlState();
    setupDefaultTexture();
    printBanner();
    loadGardenTextures();
    makeSphereQuadric();
    glutMainLoop();
    return 0;
}
