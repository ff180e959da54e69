#include "scene/scenery.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cassert>

#include "app/garden.h"

// glDrawPixels reads the raster's pixels as packed RGBA bytes.
static_assert(sizeof(Pixel) == 4, "a Pixel must be four packed bytes");

// The plan's rows become scene x and its columns scene z, as in the height
// capture, so each sphere stands on the hollow its disc pressed into the sand.
static void translateToPlanPoint(PlanPoint p) {
    const float x = -(2 * (windowHeight - 1 - p.y) / windowHeight - 1);
    const float z = 2 * p.x / windowWidth - 1;
    glTranslatef(x, 0, z);
}

void drawSceneRocks() {
    assert(sphereQuadric != nullptr);
    const bool textured = wireframeSand == 0;
    if (textured) {
        gluQuadricDrawStyle(sphereQuadric, GLU_FILL);
        gluQuadricNormals(sphereQuadric, GLU_SMOOTH);
        gluQuadricTexture(sphereQuadric, GL_TRUE);
    } else {
        // Lines only; they take the colour and texture the sand outlines left.
        gluQuadricDrawStyle(sphereQuadric, GLU_LINE);
    }
    if (largeRockPlaced) {
        glPushMatrix();
        translateToPlanPoint(largeRockPos);
        if (textured) glBindTexture(GL_TEXTURE_2D, largeRockTexture);
        gluSphere(sphereQuadric, 0.2, 24, 24);
        glPopMatrix();
    }
    if (smallRockPlaced) {
        glPushMatrix();
        translateToPlanPoint(smallRockPos);
        // Turns only the small rock's texture and facets, so the two rocks differ.
        glRotatef(55, 1, 1, 0);
        if (textured) glBindTexture(GL_TEXTURE_2D, smallRockTexture);
        gluSphere(sphereQuadric, 0.1, 24, 24);
        glPopMatrix();
    }
}

void drawBackground() {
    // Always white: the frame shows under this colour in wireframe mode.
    glColor3f(1, 1, 1);
    if (backgroundIndex != 1 && backgroundIndex != 2) return;
    const RasterImage* picture = backgroundImages[backgroundIndex - 1];
    if (picture == nullptr) return;
    // The raster position is never moved from the window's lower-left corner,
    // so the picture is painted there, one pixel per window pixel.
    // Every pixel readBMP makes is opaque, so blending would give the same
    // picture at several times the cost; it is on again straight after.
    glDisable(GL_BLEND);
    glDrawPixels(picture->width_, picture->height_, GL_RGBA, GL_UNSIGNED_BYTE, picture->pixels);
    glEnable(GL_BLEND);
}
