#include "app/startup.h"

#include <GL/glut.h>

#include <cstdio>

#include "app/desktop.h"
#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/menus.h"
#include "image/image.h"
#include "image/texture.h"
#include "plan/mouse.h"
#include "scene/scenery.h"

void startGarden(int* argc, char** argv) {
    readBackgrounds();
    openGardenWindow(argc, argv);
    registerCallbacks();
    buildMenus();
    setGardenStartValues();
    setFixedGlState();
    setupDefaultTexture();
    keepBackgroundPictures();
    printBanner();
    loadGardenTextures();
    makeSphereQuadric();
}

// A missing picture is no reason to stop: its entry stays empty, and the
// reader says why on standard error.
static RasterImage* readBackgroundFile(const char* fileName) {
    FILE* stream = std::fopen(fileName, "rb");
    RasterImage* image = readBMP(stream);
    // Only a stream that was opened is ours to close.
    if (stream) std::fclose(stream);
    return image;
}

void readBackgrounds() {
    backgroundImages[0] = nullptr;
    backgroundImages[1] = nullptr;
    int entry = 0;
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (file.role == PictureRole::background) backgroundImages[entry++] = readBackgroundFile(file.fileName);
}

void openGardenWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitWindowSize(gardenWindowSide, gardenWindowSide);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Sandmere");
    describeWindowToDesktop();
    // The plan is drawn on white.
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
}

void registerCallbacks() {
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKey);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
}

void setGardenStartValues() {
    windowHeight = gardenWindowSide;
    windowWidth = gardenWindowSide;
    cameraEye = {0.0f, 0.0f, 1.0f};
    cameraTarget = {0.0f, 0.0f, 0.0f};
    planNormal = {0.0f, 0.0f, 1.0f};
    displayMode = drawMode;
    wireframeSand = 0;
    darkSand = 0;
    rakeType = oneTineRake;
    editTool = rakeTool;
    backgroundIndex = noBackground;
    largeRockPlaced = 0;
    smallRockPlaced = 0;
    largeRockTexture = firstRockTexture;
    smallRockTexture = firstRockTexture;
}

void setFixedGlState() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    // Blending stays on for the whole run: the plan's soft marks need it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// Texture 0 gets an image of its own, 64 by 64 because OpenGL 1.1 takes
// only power-of-two sides, so that it is complete before any picture is
// loaded; its texels are left undefined.
void setupDefaultTexture() {
    glBindTexture(GL_TEXTURE_2D, defaultTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

void printBanner() {
    std::fputs("Sandmere: a raked-sand rock garden\n", stdout);
    std::fputs("by the Sandmere developers, winter term 2026\n", stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

void loadGardenTextures() {
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (file.role == PictureRole::texture) loadTexture(file.fileName, static_cast<int>(file.textureNumber));
}

void makeSphereQuadric() { sphereQuadric = gluNewQuadric(); }
