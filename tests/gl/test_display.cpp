#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/display.h"
#include "app/garden.h"
#include "app/startup.h"
#include "gl_window.h"

namespace {

class FrameDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        startGardenInDrawMode();
        if (!sphereQuadric) makeSphereQuadric();
    }
    void TearDown() override {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        startGardenInDrawMode();
    }
};

struct Matrix {
    GLdouble m[16];
};

Matrix current(GLenum which) {
    Matrix result;
    glGetDoublev(which, result.m);
    return result;
}

void expectMatrix(const Matrix& actual, const double (&expected)[16]) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected[i], 1e-6) << "element " << i;
}

void expectViewportIsTheWindow() {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 600);
    EXPECT_EQ(viewport[3], 600);
}

void expectLight(GLenum parameter, float r, float g, float b, float a) {
    GLfloat value[4];
    glGetLightfv(GL_LIGHT0, parameter, value);
    EXPECT_FLOAT_EQ(value[0], r);
    EXPECT_FLOAT_EQ(value[1], g);
    EXPECT_FLOAT_EQ(value[2], b);
    EXPECT_FLOAT_EQ(value[3], a);
}

}  // namespace

TEST_F(FrameDisplay, DrawModeProjectsThePlanOntoWindowPixels) {
    onReshape(600, 600);
    EXPECT_TRUE(redisplayWasRequested());
    // glOrtho(0, 600, 0, 600, 0.5, 15), column-major.
    const double ortho[16] = {2.0 / 600, 0, 0, 0, 0, 2.0 / 600, 0, 0, 0, 0, -2 / 14.5, 0, -1, -1, -15.5 / 14.5, 1};
    expectMatrix(current(GL_PROJECTION_MATRIX), ortho);
    expectViewportIsTheWindow();
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(FrameDisplay, DisplayModeProjectsWithSixtyDegreePerspective) {
    displayMode = 1;
    onReshape(600, 600);
    EXPECT_TRUE(redisplayWasRequested());
    const double f = 1 / std::tan(3.141592653589793 / 6);
    const double perspective[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, 15.1 / -14.9, -1, 0, 0, 2 * 15 * 0.1 / -14.9, 0};
    expectMatrix(current(GL_PROJECTION_MATRIX), perspective);
    expectViewportIsTheWindow();
}

TEST_F(FrameDisplay, AnotherWindowSizeIsRefusedAndChangesNothing) {
    Matrix before = current(GL_PROJECTION_MATRIX);
    displayMode = 1;  // would pick the perspective if the size were taken
    onReshape(640, 480);
    EXPECT_EQ(windowWidth, 600);
    EXPECT_EQ(windowHeight, 600);
    Matrix after = current(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after.m[i], before.m[i]);
    expectViewportIsTheWindow();
    // GLUT carries out the snap back; the window stays 600 by 600.
    for (int pass = 0; pass < 5; ++pass) glutMainLoopEvent();
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 600);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 600);
}

TEST_F(FrameDisplay, TheLightIsSetUpWithItsFixedColours) {
    glDisable(GL_LIGHT0);
    glShadeModel(GL_FLAT);
    setupLighting();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    expectLight(GL_DIFFUSE, 0.9f, 0.9f, 0.9f, 0.5f);
    expectLight(GL_AMBIENT, 0, 0, 0, 0.5f);
    expectLight(GL_SPECULAR, 1, 1, 1, 0.5f);
    GLint shading;
    glGetIntegerv(GL_SHADE_MODEL, &shading);
    EXPECT_EQ(shading, GL_SMOOTH);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(FrameDisplay, TheLightStandsThreeUnitsAboveTheSandWhereverTheEyeIs) {
    // Light positions are kept in eye coordinates.
    drawFrame();
    expectLight(GL_POSITION, 0, 3, -1, 1);  // the plan's eye at (0, 0, 1)

    displayMode = 1;
    onReshape(600, 600);
    glEnable(GL_DEPTH_TEST);
    cameraEye = {3, 0, 0};
    drawFrame();
    expectLight(GL_POSITION, 0, 3, -3, 1);
}

TEST_F(FrameDisplay, AFrameLeavesTheModelViewAsItFoundItAndTexturingOff) {
    drawFrame();
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectMatrix(current(GL_MODELVIEW_MATRIX), identity);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    displayMode = 1;
    onReshape(600, 600);
    glEnable(GL_DEPTH_TEST);
    cameraEye = {-1.5f, 0.5f, 0};
    drawFrame();
    expectMatrix(current(GL_MODELVIEW_MATRIX), identity);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // The background is drawn without depth testing, which comes back on.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(FrameDisplay, StartUpStateBlendsAndLeavesDepthAndTexturingOff) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    setFixedGlState();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source, destination;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(FrameDisplay, TheDefaultTextureIsSixtyFourSquareClampedAndNearest) {
    setupDefaultTexture();
    GLint bound, width, height, value;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
}
