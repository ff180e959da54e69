#include "scene/sand.h"

#include <GL/gl.h>

#include <cassert>

#include "app/garden.h"

void drawWoodBox(float width, float height, float depth) {
    const float w = width / 2, h = height / 2, d = depth;
    glBindTexture(GL_TEXTURE_2D, woodTexture);
    glBegin(GL_QUADS);
    // Four repeats along every side of every face, whatever its size.
    // Each corner's texture coordinate beside its vertex.
    // clang-format off
    glNormal3f(0, 1, 0);  // top
    glTexCoord2f(0, 0); glVertex3f(-w, h, d);
    glTexCoord2f(0, 4); glVertex3f(w, h, d);
    glTexCoord2f(4, 4); glVertex3f(w, h, 0);
    glTexCoord2f(4, 0); glVertex3f(-w, h, 0);

    glNormal3f(0, 0, 1);  // front, z = d
    glTexCoord2f(0, 0); glVertex3f(-w, h, d);
    glTexCoord2f(0, 4); glVertex3f(-w, -h, d);
    glTexCoord2f(4, 4); glVertex3f(w, -h, d);
    glTexCoord2f(4, 0); glVertex3f(w, h, d);

    glNormal3f(0, 0, -1);  // back, z = 0
    glTexCoord2f(0, 0); glVertex3f(-w, h, 0);
    glTexCoord2f(0, 4); glVertex3f(w, h, 0);
    glTexCoord2f(4, 4); glVertex3f(w, -h, 0);
    glTexCoord2f(4, 0); glVertex3f(-w, -h, 0);

    glNormal3f(1, 0, 0);  // right, x = w
    glTexCoord2f(0, 0); glVertex3f(w, h, 0);
    glTexCoord2f(0, 4); glVertex3f(w, h, d);
    glTexCoord2f(4, 4); glVertex3f(w, -h, d);
    glTexCoord2f(4, 0); glVertex3f(w, -h, 0);

    glNormal3f(-1, 0, 0);  // left, x = -w
    glTexCoord2f(0, 0); glVertex3f(-w, h, d);
    glTexCoord2f(0, 4); glVertex3f(-w, h, 0);
    glTexCoord2f(4, 4); glVertex3f(-w, -h, 0);
    glTexCoord2f(4, 0); glVertex3f(-w, -h, d);
    // clang-format on

    // The bottom is never seen; it keeps the last texture coordinate, (4, 0),
    // which is also what the sand outlines are tinted with afterwards.
    glNormal3f(0, -1, 0);
    glVertex3f(-w, -h, d);
    glVertex3f(-w, -h, 0);
    glVertex3f(w, -h, 0);
    glVertex3f(w, -h, d);
    glEnd();
}

// One box of the frame, placed in its own matrix so the next starts afresh.
static void drawFrameBox(float x, float y, float z, float turn, float width, float height, float depth) {
    glPushMatrix();
    glTranslatef(x, y, z);
    if (turn != 0) glRotatef(turn, 0, 1, 0);
    drawWoodBox(width, height, depth);
    glPopMatrix();
}

void drawSandboxFrame() {
    // The sand runs from -1 to its last sampled row and column, 2 x 596 / 600
    // - 1 (about 0.987), so the far posts and rails stand at 0.985 and 0.98,
    // against its edge, not at 1. Corner posts, 0.2 high.
    drawFrameBox(1.035f, 0.1f, -1.1f, 0, 0.1f, 0.2f, 0.1f);
    drawFrameBox(-1.05f, 0.1f, -1.1f, 0, 0.1f, 0.2f, 0.1f);
    drawFrameBox(-1.05f, 0.1f, 0.98f, 0, 0.1f, 0.2f, 0.1f);
    drawFrameBox(1.035f, 0.1f, 0.98f, 0, 0.1f, 0.2f, 0.1f);
    // Rails, 0.1 high: 0.05 above the highest sand. The first two are
    // turned so that their length runs along x.
    drawFrameBox(1.0f, 0.05f, 1.03f, -90, 0.1f, 0.1f, 2.0f);
    drawFrameBox(-1.0f, 0.05f, -1.05f, 90, 0.1f, 0.1f, 2.0f);
    drawFrameBox(-1.05f, 0.05f, -1.0f, 0, 0.1f, 0.1f, 1.98f);
    drawFrameBox(1.035f, 0.05f, -1.0f, 0, 0.1f, 0.1f, 1.98f);
}

void drawSandTriangle(const SandTriangle& triangle) {
    if (displayMode != sceneMode) return;
    if (wireframeSand == 1) {
        drawSandTriangleOutline(triangle);
        return;
    }
    const int count = static_cast<int>(sandVertices.size());
    assert(vertexNormals.size() == sandVertices.size());
    glBindTexture(GL_TEXTURE_2D, darkSand == 1 ? darkSandTexture : lightSandTexture);
    glBegin(GL_TRIANGLES);
    for (int index : {triangle.vertex0, triangle.vertex1, triangle.vertex2}) {
        assert(index >= 0 && index < count);
        const Point3& v = sandVertices[index];
        const Point3& n = vertexNormals[index];
        // The texture lies flat over the ridges: it follows x and z only, and
        // repeats about four times across the bed.
        glTexCoord2f(2 * v.x, 2 * v.z);
        glNormal3f(n.x, n.y, n.z);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

void drawSandTriangleOutline(const SandTriangle& triangle) {
    const int count = static_cast<int>(sandVertices.size());
    glBegin(GL_LINE_LOOP);
    // No texture of its own: the line is tinted by the wood the frame left bound.
    glColor3f(0, 0, 0.5f);
    for (int index : {triangle.vertex0, triangle.vertex1, triangle.vertex2}) {
        assert(index >= 0 && index < count);
        const Point3& v = sandVertices[index];
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}
