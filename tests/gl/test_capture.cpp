#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/garden.h"
#include "scene/capture.h"

namespace {

std::vector<float> matrix(GLenum which) {
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

}  // namespace

// The plan is drawn again for the capture, so it must not depend on what the
// window showed last, on the display-mode eye, or on the GL state left behind.
TEST(HeightCaptureInWindow, CapturesThePlanItDrawsItselfAndRestoresTheState) {
    windowWidth = windowHeight = 600;
    cameraEye = {-1.5f, 0.5f, 0};
    rakeMarks = {{200, 100, 0}};
    largeRockPlaced = 1;
    largeRockPos = {400, 400};
    smallRockPlaced = 0;
    sandVertices.clear();

    // Hostile leftovers: a black back buffer, the wrong clear colour, display
    // mode's capabilities and a perspective projection.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.25f, 0, -2);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1, 0.1, 15);
    const std::vector<float> projection = matrix(GL_PROJECTION_MATRIX);
    const std::vector<float> modelview = matrix(GL_MODELVIEW_MATRIX);

    captureHeights();

    ASSERT_EQ(sandVertices.size(), 22500u);
    EXPECT_NEAR(sandVertices[25 * 150 + 50].y, 0.025f, 0.003f);  // mark centre, plan (200, 100)
    EXPECT_EQ(sandVertices[25 * 150 + 52].y, 0.05f);             // 8 pixels off: untouched
    EXPECT_LT(sandVertices[100 * 150 + 100].y, 0.002f);          // rock centre, plan (400, 400)
    EXPECT_EQ(sandVertices[140 * 150 + 10].y, 0.05f);            // far from everything
    EXPECT_EQ(sandVertices[149 * 150 + 149].y, 0.05f);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D));
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[2], 0.6f);

    // Entering display mode again over the same plan gives the same bed.
    const std::vector<Point3> first = sandVertices;
    sandVertices.clear();
    captureHeights();
    EXPECT_TRUE(sandVertices == first);

    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glClearColor(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    sandVertices.clear();
    rakeMarks.clear();
    largeRockPlaced = 0;
}
