#include "plan/rake.h"

#include "app/garden.h"

// Marks are laid this many pixels apart along every tine.
static const float markSpacing = 4.0f;

Point3 layRakeLine(float x0, float y0, float x1, float y1) {
    float dx = x1 - x0;
    float dy = y1 - y0;
    float length = squareRoot(dx * dx + dy * dy);
    if (length < markSpacing) return {x0, y0, 0};

    // The direction is taken only once the segment is known to be long
    // enough, so a zero-length drag never divides by zero.
    float directionX = dx / length;
    float directionY = dy / length;
    // The running point advances by repeated addition, so its rounding
    // drifts along the line exactly as the marks are laid.
    float qx = x0;
    float qy = y0;
    // Marks fall where float steps put them.
    // NOLINTNEXTLINE(cert-flp30-c,clang-analyzer-security.FloatLoopCounter)
    for (float travelled = markSpacing; travelled < length; travelled += markSpacing) {
        qx = qx + directionX * markSpacing;
        qy = qy + directionY * markSpacing;
        rakeMarks.push_back(Point3{qx, qy, 0});
    }
    return {qx, qy, 0};
}

// One side tine abreast of the centre line, offset by offset * perpendicular.
static void laySideTine(PlanPoint from, PlanPoint to, Point3 perpendicular, float offset) {
    layRakeLine(from.x + offset * perpendicular.x, from.y + offset * perpendicular.y,
                to.x + offset * perpendicular.x, to.y + offset * perpendicular.y);
}

int rakeTowards(PlanPoint mouse) {
    Point3 lastCentreMark = layRakeLine(strokeAnchor.x, strokeAnchor.y, mouse.x, mouse.y);
    if (rakeType == threeTineRake || rakeType == fiveTineRake) {
        Point3 drag{mouse.x - strokeAnchor.x, mouse.y - strokeAnchor.y, 0};
        float length = squareRoot(drag.x * drag.x + drag.y * drag.y);
        if (length < markSpacing) return 0;
        Point3 unit{drag.x / length, drag.y / length, 0};
        // Points to the right of the drag on the screen.
        Point3 perpendicular = crossProduct(unit, planNormal);
        laySideTine(strokeAnchor, mouse, perpendicular, -20.0f);
        laySideTine(strokeAnchor, mouse, perpendicular, 20.0f);
        if (rakeType == fiveTineRake) {
            laySideTine(strokeAnchor, mouse, perpendicular, -40.0f);
            laySideTine(strokeAnchor, mouse, perpendicular, 40.0f);
        }
    }
    // The stretch past the last centre mark is carried into the next event.
    strokeAnchor = {lastCentreMark.x, lastCentreMark.y};
    return 1;
}
