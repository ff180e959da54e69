// The steps of start-up, in the order main() performs them.
#pragma once

void readBackgrounds();
void openGardenWindow(int* argc, char** argv);
void registerCallbacks();
void setGardenStartValues();
void setFixedGlState();
void setupDefaultTexture();
void printBanner();
void loadGardenTextures();
void makeSphereQuadric();
