// Placing the small and the large rock on the plan.
#pragma once

// A left press in draw mode with a rock tool (editTool 1 or 2) at the
// GLUT mouse position (x, y).
void placeRock(int x, int y);
