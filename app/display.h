// The two drawing callbacks and the single light of display mode.
#pragma once

void onDisplay();
void onReshape(int width, int height);
void setupLighting();
void placeLight();
// Everything a frame draws before the buffers are swapped: the plan or the
// 3-D garden in the back buffer.
void drawFrame();
// What every frame starts with: the cleared buffers, the camera's look-at
// pushed on the model-view matrix, and the light placed under it; and the
// pop that ends it.
void beginFrame();
void endFrame();
