#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"
#include "gl_window.h"
#include "tests/common/reset.h"

namespace {

class ModeSwitch : public GardenWindowTest {
protected:
    void press(unsigned char key, int times = 1) {
        for (int i = 0; i < times; ++i) onKey(key, 0, 0);
    }

    // A plan with a stroke and both rocks, shown once as start-up would.
    void drawSomePlan() {
        rakeMarks.push_back({100, 100, 0});
        rakeMarks.push_back({104, 100, 0});
        placeBothRocks({300, 299}, {500, 100});
        onDisplay();
    }
};

bool isPerspective() {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    return m[11] == -1 && m[15] == 0;
}

}  // namespace

TEST_F(ModeSwitch, EnteringDisplayModeBuildsTheSandAndPlacesTheCamera) {
    drawSomePlan();
    press('i');
    EXPECT_EQ(displayMode, 1);
    EXPECT_EQ(cameraEye, (Point3{-1.5f, 0.5f, 0}));
    EXPECT_EQ(sandVertices.size(), 22500u);
    EXPECT_EQ(sandTriangles.size(), 44402u);
    EXPECT_EQ(vertexNormals.size(), 22500u);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(cameraAzimuth, -180.0f);
    EXPECT_EQ(cameraElevation, 18.435f);
    EXPECT_EQ(cameraDistance, std::sqrt(2.5f));
    EXPECT_TRUE(isPerspective());
    // The plan became the sand: under the large rock's centre it sinks to the floor.
    EXPECT_LT(sandVertices[75 * 150 + 75].y, 0.005f);
    EXPECT_EQ(sandVertices[10 * 150 + 140].y, 0.05f);
}

TEST_F(ModeSwitch, LeavingDisplayModeKeepsThePlanAndDropsTheMesh) {
    drawSomePlan();
    backgroundIndex = 2;
    press('I');
    press('a', 3);
    press('z');
    press('3');
    float azimuth = cameraAzimuth;
    press('i');
    EXPECT_EQ(displayMode, 0);
    EXPECT_EQ(wireframeSand, 0);
    EXPECT_EQ(backgroundIndex, 0);
    EXPECT_EQ(cameraEye, (Point3{0, 0, 1}));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // Emptied with their storage given back, and the batch made from them too.
    EXPECT_EQ(sandTriangles.capacity(), 0u);
    EXPECT_EQ(sandVertices.capacity(), 0u);
    EXPECT_EQ(vertexNormals.capacity(), 0u);
    EXPECT_EQ(sandBatchCorners.capacity() + sandBatchEdges.capacity() + sandBatchTextureCoords.capacity(), 0u);
    EXPECT_FALSE(isPerspective());
    // The plan, the rocks and the camera angles are as they were.
    EXPECT_EQ(rakeMarks.size(), 2u);
    EXPECT_EQ(largeRockPlaced, 1);
    EXPECT_EQ(smallRockPlaced, 1);
    EXPECT_EQ(cameraAzimuth, azimuth);

    drawFrame();
    std::vector<unsigned char> rgb = readBackBuffer();
    EXPECT_LE(pixelAt(rgb, 300, 299)[0], 3);  // the large rock's centre, in pixels again
    EXPECT_LT(pixelAt(rgb, 102, 100)[0], 200);
}

TEST_F(ModeSwitch, EachEntryRebuildsFromThePlanAndResetsTheCamera) {
    onDisplay();
    press('i');
    press('a', 10);
    press('w', 5);
    press('e', 5);
    press('i');
    rakeMarks.push_back({300.5f, 300.5f, 0});
    onDisplay();
    press('i');
    EXPECT_EQ(cameraEye, (Point3{-1.5f, 0.5f, 0}));
    EXPECT_EQ(cameraAzimuth, -180.0f);
    EXPECT_EQ(cameraElevation, 18.435f);
    EXPECT_EQ(sandVertices.size(), 22500u);
    EXPECT_EQ(sandTriangles.size(), 44402u);
    // The new mark is a groove in the new sand.
    EXPECT_LT(sandVertices[75 * 150 + 75].y, 0.03f);
}

TEST_F(ModeSwitch, WireframeToggleSwitchesLightingAndEndsWithDisplayMode) {
    onDisplay();
    press('z');
    EXPECT_EQ(wireframeSand, 0);  // draw mode: nothing
    press('i');
    press('z');
    EXPECT_EQ(wireframeSand, 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    press('Z');
    EXPECT_EQ(wireframeSand, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    press('z');
    press('i');
    EXPECT_EQ(wireframeSand, 0);
    press('i');
    EXPECT_EQ(wireframeSand, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(ModeSwitch, CameraKeysActInDisplayModeOnlyAndInBothCases) {
    cameraAzimuth = 7;
    cameraElevation = 30;
    cameraDistance = 2;
    press('a');
    press('W');
    press('e');
    press('C');
    EXPECT_EQ(cameraEye, (Point3{0, 0, 1}));
    EXPECT_EQ(cameraAzimuth, 7.0f);
    EXPECT_EQ(cameraElevation, 30.0f);
    EXPECT_EQ(cameraDistance, 2.0f);

    onDisplay();
    press('i');
    press('a');
    EXPECT_EQ(cameraAzimuth, -179.0f);
    press('A');
    press('D', 3);
    EXPECT_EQ(cameraAzimuth, -181.0f);
    press('d');
    EXPECT_EQ(cameraAzimuth, -182.0f);
    press('s');
    EXPECT_EQ(cameraElevation, 20.0f);
    press('W');
    press('w');
    EXPECT_EQ(cameraElevation, 22.0f);
    press('S');
    EXPECT_EQ(cameraElevation, 21.0f);
    float distance = cameraDistance;
    press('E');
    EXPECT_NEAR(cameraDistance, distance - 0.01f, 1e-5);
    press('c', 2);
    EXPECT_NEAR(cameraDistance, distance + 0.01f, 1e-5);
    press('e');
    EXPECT_NEAR(cameraDistance, distance, 1e-5);
}

TEST_F(ModeSwitch, NumberKeysCycleInBothModes) {
    press('1', 8);
    EXPECT_EQ(largeRockTexture, 9);
    press('1');
    EXPECT_EQ(largeRockTexture, 1);
    press('2', 4);
    EXPECT_EQ(smallRockTexture, 5);
    EXPECT_EQ(largeRockTexture, 1);
    press('3');
    EXPECT_EQ(backgroundIndex, 1);
    press('3');
    EXPECT_EQ(backgroundIndex, 2);
    press('3');
    EXPECT_EQ(backgroundIndex, 0);

    // A background chosen in draw mode is what display mode shows.
    press('3');
    onDisplay();
    press('i');
    EXPECT_EQ(backgroundIndex, 1);
    press('2', 5);
    EXPECT_EQ(smallRockTexture, 1);
    press('3', 2);
    EXPECT_EQ(backgroundIndex, 0);
}

TEST_F(ModeSwitch, HelpPrintsTheSixteenLinesInEitherCaseAndMode) {
    const std::string help =
        "Keyboard commands:\n"
        "\tq - quit\n"
        "\th - display help in command window\n"
        "\ti - switch between draw and display mode\n"
        "\tz - switch between textured and wireframe sand in display mode\n"
        "\ta - rotate left when in display mode\n"
        "\td - rotate right when in display mode\n"
        "\tw - pitch up when in display mode\n"
        "\ts - pitch down when in display mode\n"
        "\te - move camera forward when in display mode\n"
        "\tc - move camera back when in display mode\n"
        "\t1 - cycle through textures for large rock\n"
        "\t2 - cycle through textures for small rock\n"
        "\t3 - cycle through background images\n"
        "Mouse commands:\n"
        "\tright click for menu\n";
    ::testing::internal::CaptureStdout();
    press('h');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), help);
    displayMode = 1;
    ::testing::internal::CaptureStdout();
    press('H');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), help);
    displayMode = 0;
    // Nothing else prints.
    ::testing::internal::CaptureStdout();
    press('x');
    press('1');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}
