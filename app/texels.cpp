#include "app/texels.h"

#include <GL/gl.h>

int textureSideFor(int n) {
    int side = 1;
    while (side < n) side *= 2;
    return side;
}

void sampleNearestTexels() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

void drawTexelRectangle(int width, int height, int textureWidth, int textureHeight) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float s = w / static_cast<float>(textureWidth), t = h / static_cast<float>(textureHeight);
    glBegin(GL_QUADS);
    // Each corner's texture coordinate beside its vertex.
    // clang-format off
    glTexCoord2f(0, 0); glVertex3f(0, 0, 0);
    glTexCoord2f(s, 0); glVertex3f(w, 0, 0);
    glTexCoord2f(s, t); glVertex3f(w, h, 0);
    glTexCoord2f(0, t); glVertex3f(0, h, 0);
    // clang-format on
    glEnd();
}
