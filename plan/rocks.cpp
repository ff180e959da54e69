#include "plan/rocks.h"

#include <cassert>
#include <cstdio>

#include "app/garden.h"

int putRock(PlanPoint point) {
    assert(editTool == smallRockTool || editTool == largeRockTool);
    bool small = editTool == smallRockTool;
    int otherPlaced = small ? largeRockPlaced : smallRockPlaced;
    PlanPoint other = small ? largeRockPos : smallRockPos;
    if (otherPlaced) {
        float dx = point.x - other.x;
        float dy = point.y - other.y;
        float distance = squareRoot(dx * dx + dy * dy);
        // The sum of the two plan radii: discs may touch but not overlap.
        float limit = static_cast<float>(windowWidth * largeRockRadiusShare + windowWidth * smallRockRadiusShare);
        if (distance < limit) {
            std::fputs("collision detected, cannot place rocks so close to each other\n", stdout);
            std::fflush(stdout);
            return 0;
        }
    }
    if (small) {
        smallRockPos = point;
        smallRockPlaced = 1;
    } else {
        largeRockPos = point;
        largeRockPlaced = 1;
    }
    return 1;
}
