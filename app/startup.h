// Start-up: everything the garden does before its main loop.
#pragma once

// The whole of start-up, step by step; main() then enters the main loop.
// The benchmark calls it too, so that it measures the garden as it starts.
void startGarden(int* argc, char** argv);

// The steps, in the order startGarden performs them.
void readBackgrounds();
void openGardenWindow(int* argc, char** argv);
void registerCallbacks();
void setGardenStartValues();
void setFixedGlState();
void setupDefaultTexture();
void printBanner();
void loadGardenTextures();
void makeSphereQuadric();
