// Placing the small and the large rock on the plan.
#pragma once

#include "app/vector.h"

// Puts the rock of the current tool (1 small, 2 large) at a plan point unless
// its disc would overlap the other rock's. Returns 1 when placed, 0 when
// refused, after printing the collision message; a refusal changes nothing.
int putRock(PlanPoint point);
