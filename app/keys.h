// The keyboard: help, quit, texture and background cycling, the mode
// switch between the plan and the 3-D garden, and the orbiting camera.
#pragma once

void onKey(unsigned char key, int x, int y);
