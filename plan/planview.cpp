#include "plan/planview.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "app/garden.h"
#include "app/texels.h"

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
    // The float steps are the disc's outline.
    // NOLINTNEXTLINE(cert-flp30-c,clang-analyzer-security.FloatLoopCounter)
    for (float angle = 0.0f; angle < 6.2831855f; angle += 0.31415927f)
        glVertex3f(radius * cosine(angle), radius * sine(angle), 0.0f);
    glVertex3f(radius, 0.0f, 0.0f);
    glEnd();
    glPopMatrix();
}

void drawRakeMark(float x, float y) { drawSoftDisc(x, y, 8.0f, 0.5f, 0.0f); }

void drawPlanRocks() {
    if (largeRockPlaced)
        drawSoftDisc(largeRockPos.x, largeRockPos.y, static_cast<float>(windowWidth * largeRockRadiusShare), 1.0f,
                     0.2f);
    if (smallRockPlaced)
        drawSoftDisc(smallRockPos.x, smallRockPos.y, static_cast<float>(windowWidth * smallRockRadiusShare), 1.0f,
                     0.2f);
}

// Whether the kept image still shows the first planImageMarks marks. Marks
// are only appended, and the reset forgets the image itself; the two marks
// compared here catch a plan replaced by any other means.
static bool planImageFits() {
    return planImageMarks > 0 && planImageMarks <= rakeMarks.size() && rakeMarks[0] == planImageFirstMark &&
           rakeMarks[planImageMarks - 1] == planImageLastMark;
}

// Paints the kept image over the whole window, texel for pixel: nearest
// texels at the pixel centres, no blending, no lighting.
static void drawPlanImage() {
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, planImageTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    drawTexelRectangle(windowWidth, windowHeight, planImageSide, planImageSide);
    glPopAttrib();
}

// Copies the window rectangle from (x0, y0) up to (x1, y1), widened to
// whole pixels and clipped to the window, from the back buffer into the
// kept image at the same place.
static void keepPlanImage(float x0, float y0, float x1, float y1) {
    const float width = static_cast<float>(windowWidth), height = static_cast<float>(windowHeight);
    const int left = static_cast<int>(std::floor(std::max(0.0f, std::min(x0, width))));
    const int bottom = static_cast<int>(std::floor(std::max(0.0f, std::min(y0, height))));
    const int right = static_cast<int>(std::ceil(std::max(0.0f, std::min(x1, width))));
    const int top = static_cast<int>(std::ceil(std::max(0.0f, std::min(y1, height))));
    glPushAttrib(GL_TEXTURE_BIT | GL_PIXEL_MODE_BIT);
    glBindTexture(GL_TEXTURE_2D, planImageTexture);
    if (planImageSide == 0) {
        planImageSide = textureSideFor(windowWidth > windowHeight ? windowWidth : windowHeight);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, planImageSide, planImageSide, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     nullptr);
        sampleNearestTexels();
    }
    glReadBuffer(GL_BACK);
    if (left < right && bottom < top)
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, left, bottom, left, bottom, right - left, top - bottom);
    glPopAttrib();
}

void drawPlanView() {
    const std::size_t count = rakeMarks.size();
    if (!planImageFits()) planImageMarks = 0;
    if (planImageMarks > 0) drawPlanImage();
    // The marks the image lacks, newest first as a full redraw lays them.
    // Each disc only scales what lies beneath, so drawing them over the
    // older ones changes nothing but the rounding.
    float left = static_cast<float>(windowWidth), right = 0;
    float bottom = static_cast<float>(windowHeight), top = 0;
    for (std::size_t i = count; i-- > planImageMarks;) {
        const Point3& mark = rakeMarks[i];
        drawRakeMark(mark.x, mark.y);
        if (mark.x < left) left = mark.x;
        if (mark.x > right) right = mark.x;
        if (mark.y < bottom) bottom = mark.y;
        if (mark.y > top) top = mark.y;
    }
    if (count > planImageMarks) {
        if (planImageMarks == 0) {
            keepPlanImage(0, 0, static_cast<float>(windowWidth), static_cast<float>(windowHeight));
        } else {
            // Only the pixels the new discs can reach have changed: their
            // radius of 8, and a pixel more for safety.
            const float reach = 9;
            keepPlanImage(left - reach, bottom - reach, right + reach, top + reach);
        }
        planImageMarks = count;
        planImageFirstMark = rakeMarks[0];
        planImageLastMark = rakeMarks[count - 1];
    }
    // Rocks stay out of the image: they lie over the marks and can move.
    drawPlanRocks();
}
