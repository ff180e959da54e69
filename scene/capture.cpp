#include "scene/capture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cassert>
#include <cstddef>
#include <vector>

#include "app/garden.h"
#include "plan/planview.h"

void appendSandVertices(const unsigned char* rgb, int n) {
    // Rows of n x 3 bytes with nothing between them: the default pack
    // alignment of 4 adds no padding only when n is a multiple of 4.
    assert(n > 0 && n % 4 == 0);
    for (int r = 0; r < n; r += 4) {
        for (int q = 0; q < n; q += 4) {
            const unsigned char red = rgb[(static_cast<std::size_t>(r) * n + q) * 3];
            Point3 vertex;
            vertex.x = static_cast<float>(2.0 * r / n - 1);
            vertex.y = static_cast<float>(red / 255.0 * 0.05);
            vertex.z = static_cast<float>(2.0 * q / n - 1);
            sandVertices.push_back(vertex);
        }
    }
}

// The front buffer cannot be trusted to still hold the last plan frame: some
// drivers read it back black after a swap, and a covered or composited window
// loses it too. So the plan is drawn again, exactly as a draw-mode frame
// draws it, into the back buffer and read from there. The next display-mode
// frame clears the back buffer, so nothing of this is ever shown.
void captureHeights() { captureHeightsDrawnBy(drawPlanView); }

void captureHeightsDrawnBy(void (*drawPlan)()) {
    assert(windowWidth == windowHeight);
    const int n = windowWidth;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(n) * n * 3);

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT | GL_PIXEL_MODE_BIT | GL_VIEWPORT_BIT |
                 GL_TRANSFORM_BIT);
    // The plan's pixels depend on this state alone; it is set here rather
    // than trusted, and handed back afterwards.
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_SMOOTH);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The plan's own projection and eye. By now the mode switch has already
    // moved cameraEye to its display-mode place, so it cannot be used here.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, windowWidth, 0, windowHeight, 0.5, 15);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);

    drawPlan();

    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, n, n, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();

    appendSandVertices(rgb.data(), n);
}
