#include <GL/glut.h>

#include "app/menus.h"
#include "app/startup.h"
#include "scene/scenery.h"

int main(int argc, char** argv) {
    readBackgrounds();
    openGardenWindow(&argc, argv);
    registerCallbacks();
    buildMenus();
    setGardenStartValues();
    setFixedGlState();
    setupDefaultTexture();
    keepBackgroundPictures();
    printBanner();
    loadGardenTextures();
    makeSphereQuadric();
    glutMainLoop();
    return 0;
}
