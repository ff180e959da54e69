// Height capture: the plan's pixels become the 150 x 150 sand vertices.
#pragma once

void captureHeights();
// The capture with the plan drawn by the given routine instead of the
// draw-mode frame's own plan view; the benchmark's literal capture uses it.
void captureHeightsDrawnBy(void (*drawPlan)());
// Appends the sample vertices of an n x n RGB read-back (bottom row first,
// rows of n x 3 bytes) to sandVertices.
void appendSandVertices(const unsigned char* rgb, int n);
