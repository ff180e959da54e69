// Rake strokes: the marks each tine lays along a drag.
#pragma once

#include "app/vector.h"

// Lays the marks of one tine along a segment; returns the last mark laid,
// or the start point when it lays none.
Point3 layRakeLine(float x0, float y0, float x1, float y1);
// One drag event of the rake towards the plan point mouse: lays the centre
// tine and, for the wider rakes, the side tines, then moves strokeAnchor to
// the last centre mark. Returns 1 when the plan should be redrawn, 0 when a
// wider rake's drag is too short to rake at all.
int rakeTowards(PlanPoint mouse);
