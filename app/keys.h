// The keyboard: help, quit, texture and background cycling, the mode
// switch between the plan and the 3-D garden, and the orbiting camera.
#pragma once

void onKey(unsigned char key, int x, int y);

// The two halves of the mode switch (key i). Entering fills the mesh with
// capturePlan, which is captureHeights for the key; the benchmark hands
// its literal capture instead, and so times the same switch.
void enterDisplayMode(void (*capturePlan)());
void leaveDisplayMode();

// The camera of display mode. None of these asks for a redisplay.
// Places the eye from the azimuth, elevation and distance; the height is
// recomputed only when withHeight is 1.
void orbitCamera(int withHeight);
// One degree about the vertical axis, +1 (a) or -1 (d), wrapping a full
// turn either way to 0, then the orbit without height.
void turnCamera(int direction);
// One degree of elevation, +1 (w) or -1 (s), held between 20 and 50, then
// the full orbit.
void pitchCamera(int direction);
// Moves the eye 0.01 towards the target (forward 1) or away from it
// (forward 0), unless that would take it to 2.3 or more from the target or
// down to a height of 0.3 or less; a refused move changes nothing.
void dollyCamera(int forward);
