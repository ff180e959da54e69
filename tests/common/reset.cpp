#include "tests/common/reset.h"

#include "app/garden.h"
#include "app/menus.h"
#include "app/startup.h"

void placeBothRocks(PlanPoint large, PlanPoint small) {
    largeRockPlaced = 1;
    largeRockPos = large;
    smallRockPlaced = 1;
    smallRockPos = small;
}

void resetGarden() {
    setGardenStartValues();
    // The menu's reset empties every sequence and cache.
    resetSandbox();
    smallRockPos = {};
    largeRockPos = {};
    strokeAnchor = {};
    cameraAzimuth = 0;
    cameraElevation = 0;
    cameraDistance = 0;
}
