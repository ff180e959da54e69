// The mouse in draw mode: it turns GLUT's events into plan points and hands
// them to the rake or to the rocks.
#pragma once

#include "app/vector.h"

// A left press with the rake starts a stroke; with a rock tool it places
// that rock. Other buttons, releases and display mode are ignored.
void onMouseButton(int button, int state, int x, int y);
// A drag with the rake lays marks towards the mouse.
void onMouseDrag(int x, int y);
// A GLUT mouse position (origin top left) as a plan point (origin bottom left).
PlanPoint planPointOf(int x, int y);
