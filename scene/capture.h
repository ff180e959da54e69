// Height capture: the plan's pixels become the 150 x 150 sand vertices.
#pragma once

void captureHeights();
// Appends the sample vertices of an n x n RGB read-back (bottom row first,
// rows of n x 3 bytes) to sandVertices.
void appendSandVertices(const unsigned char* rgb, int n);
