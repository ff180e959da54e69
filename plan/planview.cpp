#include "plan/planview.h"

#include <GL/gl.h>

#include "app/garden.h"

// A soft black disc: one fan of 22 vertices, the centre, twenty rim points
// a tenth of a half turn apart, and the first rim point again to close it.
// Black at alpha a scales what lies beneath by 1 - a, so the disc darkens
// the plan most at its centre and fades linearly to the rim.
static void drawSoftDisc(float x, float y, float radius, float centreAlpha, float rimAlpha) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glColor4f(0.0f, 0.0f, 0.0f, centreAlpha);
    glBegin(GL_TRIANGLE_FAN);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glColor4f(0.0f, 0.0f, 0.0f, rimAlpha);
    // The angle accumulates in float; with these two constants that gives
    // exactly twenty steps.
    for (float angle = 0.0f; angle < 6.2831855f; angle += 0.31415927f)
        glVertex3f(radius * cosine(angle), radius * sine(angle), 0.0f);
    glVertex3f(radius, 0.0f, 0.0f);
    glEnd();
    glPopMatrix();
}

void drawRakeMark(float x, float y) { drawSoftDisc(x, y, 8.0f, 0.5f, 0.0f); }

void drawPlanRocks() {
    if (largeRockPlaced)
        drawSoftDisc(largeRockPos.x, largeRockPos.y, static_cast<float>(windowWidth * 0.1), 1.0f, 0.2f);
    if (smallRockPlaced)
        drawSoftDisc(smallRockPos.x, smallRockPos.y, static_cast<float>(windowWidth * 0.05), 1.0f, 0.2f);
}

void drawPlanView() {
    // Newest first: only the rounding of the colour channels depends on it.
    for (size_t i = rakeMarks.size(); i-- > 0;) drawRakeMark(rakeMarks[i].x, rakeMarks[i].y);
    drawPlanRocks();
}
