// The two drawing callbacks and the single light of display mode.
#pragma once

void onDisplay();
void onReshape(int width, int height);
void setupLighting();
void placeLight();
