// Puts the garden back as start-up leaves it, for tests that share the
// program's global state: one place to extend when a global is added.
#pragma once

#include "app/vector.h"

// The start values of every variable, every sequence and cache emptied,
// and the values start-up leaves at zero (the rocks' positions, the stroke's
// anchor, the camera's angles) at zero again. Touches no GL state.
void resetGarden();

// Both rocks placed, as two clicks would place them.
void placeBothRocks(PlanPoint large, PlanPoint small);
