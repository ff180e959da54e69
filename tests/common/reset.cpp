#include "tests/common/reset.h"

#include "app/garden.h"
#include "app/startup.h"
#include "scene/sandbatch.h"

void resetGarden() {
    setGardenStartValues();
    emptySequence(rakeMarks);
    emptySequence(sandVertices);
    emptySequence(vertexNormals);
    emptySequence(sandTriangles);
    clearSandBatch();
    planImageMarks = 0;
    smallRockPos = {};
    largeRockPos = {};
    strokeAnchor = {};
    cameraAzimuth = 0;
    cameraElevation = 0;
    cameraDistance = 0;
}
