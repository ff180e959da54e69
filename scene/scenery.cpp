#include "scene/scenery.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cassert>

#include "app/garden.h"
#include "app/texels.h"

// glDrawPixels reads the raster's pixels as packed RGBA bytes.
static_assert(sizeof(Pixel) == 4, "a Pixel must be four packed bytes");

// The plan's rows become scene x and its columns scene z, as in the height
// capture, so each sphere stands on the hollow its disc pressed into the sand.
static void translateToPlanPoint(PlanPoint p) {
    const float height = static_cast<float>(windowHeight), width = static_cast<float>(windowWidth);
    const float x = -(2 * (height - 1 - p.y) / height - 1);
    const float z = 2 * p.x / width - 1;
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
    if (backgroundIndex != firstBackground && backgroundIndex != secondBackground) return;
    const RasterImage* picture = backgroundImages[backgroundIndex - 1];
    if (picture == nullptr) return;
    // The raster position is never moved from the window's lower-left corner,
    // so the picture is painted there, one pixel per window pixel.
    glDrawPixels(picture->width_, picture->height_, GL_RGBA, GL_UNSIGNED_BYTE, picture->pixels);
}

// The part of a picture the window shows: from its lower-left corner, at
// most the window's size. The kept texture is the smallest power-of-two
// rectangle that holds it.
struct ShownPart {
    int width, height, textureWidth, textureHeight;
};

static ShownPart shownPartOf(const RasterImage& picture) {
    ShownPart part;
    part.width = std::min(picture.width_, windowWidth);
    part.height = std::min(picture.height_, windowHeight);
    part.textureWidth = textureSideFor(part.width);
    part.textureHeight = textureSideFor(part.height);
    return part;
}

void keepBackgroundPictures() {
    for (int entry = 0; entry < 2; ++entry) {
        const RasterImage* picture = backgroundImages[entry];
        if (picture == nullptr) continue;
        assert(picture->width_ > 0 && picture->height_ > 0);
        const ShownPart part = shownPartOf(*picture);
        glPushAttrib(GL_TEXTURE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glBindTexture(GL_TEXTURE_2D, firstBackgroundTexture + entry);
        sampleNearestTexels();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, part.textureWidth, part.textureHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, picture->width_);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, part.width, part.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        picture->pixels);
        glPopClientAttrib();
        glPopAttrib();
    }
}

void fillBackground() {
    if (backgroundIndex != firstBackground && backgroundIndex != secondBackground) return;
    const RasterImage* picture = backgroundImages[backgroundIndex - 1];
    if (picture == nullptr) return;
    const ShownPart part = shownPartOf(*picture);
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_VIEWPORT_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    // At the far end of the depth range and tested with less-or-equal, the
    // picture lands only where the cleared depth is still untouched: the
    // pixels the literal frame would leave showing the picture. Everything
    // drawn before is opaque, so what lies under it never mattered.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDepthRange(1, 1);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, firstBackgroundTexture + (backgroundIndex - firstBackground));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, windowWidth, 0, windowHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    drawTexelRectangle(part.width, part.height, part.textureWidth, part.textureHeight);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
