// The rocks as spheres and the background picture of display mode.
#pragma once

void drawSceneRocks();
void drawBackground();
