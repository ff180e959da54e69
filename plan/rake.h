// The mouse in draw mode: left press and drag rake the sand.
#pragma once

#include "app/vector.h"

void onMouseButton(int button, int state, int x, int y);
void onMouseDrag(int x, int y);
// Lays the marks of one tine along a segment; returns the last mark laid,
// or the start point when it lays none.
Point3 layRakeLine(float x0, float y0, float x1, float y1);
// A GLUT mouse position (origin top left) as a plan point (origin bottom left).
PlanPoint planPointOf(int x, int y);
