#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/display.h"
#include "app/garden.h"
#include "gl_window.h"
#include "plan/planview.h"
#include "tests/common/reset.h"

namespace {

class PlanView : public ::testing::Test {
protected:
    void SetUp() override { startGardenInDrawMode(); }
    void TearDown() override { startGardenInDrawMode(); }

    // A draw-mode frame in the back buffer, read back before any swap.
    std::vector<unsigned char> drawPlan() {
        drawFrame();
        return readBackBuffer();
    }
};

int red(const std::vector<unsigned char>& rgb, int column, int row) { return pixelAt(rgb, column, row)[0]; }

bool isGrey(const std::vector<unsigned char>& rgb, int column, int row) {
    const unsigned char* p = pixelAt(rgb, column, row);
    return p[0] == p[1] && p[1] == p[2];
}

// Where a fan's vertices land in the window, with their alpha.
struct FedVertex {
    float x, y, alpha;
};
using FedTriangle = std::vector<FedVertex>;

// Draws in feedback mode and returns the polygons GL would have filled.
template <typename Draw>
std::vector<FedTriangle> feedbackOf(Draw draw) {
    std::vector<GLfloat> buffer(200000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);
    draw();
    glPopMatrix();
    GLint used = glRenderMode(GL_RENDER);
    std::vector<FedTriangle> polygons;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        if (buffer[i] != GL_POLYGON_TOKEN) break;
        int count = static_cast<int>(buffer[i + 1]);
        i += 2;
        FedTriangle polygon;
        for (int v = 0; v < count; ++v, i += 7) polygon.push_back({buffer[i], buffer[i + 1], buffer[i + 6]});
        polygons.push_back(polygon);
    }
    return polygons;
}

// Checks one disc's twenty triangles: centre, then rim points k * pi / 10
// apart, counter-clockwise from the positive x axis, closing at angle 0.
void expectDisc(const std::vector<FedTriangle>& polygons, size_t first, float x, float y, float radius,
                float centreAlpha, float rimAlpha) {
    ASSERT_GE(polygons.size(), first + 20);
    for (size_t k = 0; k < 20; ++k) {
        const FedTriangle& t = polygons[first + k];
        ASSERT_EQ(t.size(), 3u);
        EXPECT_NEAR(t[0].x, x, 1e-3);
        EXPECT_NEAR(t[0].y, y, 1e-3);
        EXPECT_NEAR(t[0].alpha, centreAlpha, 1e-3);
        for (size_t corner = 1; corner <= 2; ++corner) {
            double angle = (k + corner - 1) * 3.141592653589793 / 10;
            EXPECT_NEAR(t[corner].x, x + radius * std::cos(angle), 2e-3) << "triangle " << k;
            EXPECT_NEAR(t[corner].y, y + radius * std::sin(angle), 2e-3) << "triangle " << k;
            EXPECT_NEAR(t[corner].alpha, rimAlpha, 1e-3);
        }
    }
}

}  // namespace

TEST_F(PlanView, AnEmptyPlanIsPlainWhite) {
    std::vector<unsigned char> rgb = drawPlan();
    size_t notWhite = 0;
    for (unsigned char byte : rgb) notWhite += byte != 255;
    EXPECT_EQ(notWhite, 0u);
}

TEST_F(PlanView, AMarkIsATwentySidedFanOfRadiusEight) {
    std::vector<FedTriangle> polygons = feedbackOf([] { drawRakeMark(300, 300); });
    EXPECT_EQ(polygons.size(), 20u);
    expectDisc(polygons, 0, 300, 300, 8, 0.5f, 0.0f);
}

TEST_F(PlanView, TheFrameDrawsMarksNewestFirstThenTheLargeThenTheSmallRock) {
    rakeMarks.push_back({100, 100, 0});
    rakeMarks.push_back({200, 150, 0});
    placeBothRocks({400, 420}, {500, 200});
    std::vector<FedTriangle> polygons = feedbackOf(drawPlanView);
    ASSERT_EQ(polygons.size(), 80u);
    expectDisc(polygons, 0, 200, 150, 8, 0.5f, 0.0f);
    expectDisc(polygons, 20, 100, 100, 8, 0.5f, 0.0f);
    expectDisc(polygons, 40, 400, 420, 60, 1.0f, 0.2f);
    expectDisc(polygons, 60, 500, 200, 30, 1.0f, 0.2f);
}

TEST_F(PlanView, AMarkHalvesTheWhiteAtItsCentreAndFadesToNothingAtEight) {
    // Centred on a pixel centre, so that pixel sees the fan's centre alpha.
    rakeMarks.push_back({300.5f, 300.5f, 0});
    std::vector<unsigned char> rgb = drawPlan();
    EXPECT_GE(red(rgb, 300, 300), 127);
    EXPECT_LE(red(rgb, 300, 300), 128);
    EXPECT_TRUE(isGrey(rgb, 300, 300));
    // Halfway out along a rim vertex the alpha is a quarter.
    EXPECT_NEAR(red(rgb, 304, 300), 191, 2);
    EXPECT_NEAR(red(rgb, 300, 296), 191, 2);
    for (int row = 280; row <= 320; ++row) {
        for (int column = 280; column <= 320; ++column) {
            double distance = std::hypot(column - 300, row - 300);
            if (distance >= 8) {
                ASSERT_EQ(red(rgb, column, row), 255) << column << ", " << row;
            } else if (distance < 7) {
                ASSERT_LT(red(rgb, column, row), 255) << column << ", " << row;
            }
        }
    }
}

TEST_F(PlanView, AMarkAtAWholePixelLandsWhereTheMouseLaidIt) {
    rakeMarks.push_back({50, 500, 0});
    std::vector<unsigned char> rgb = drawPlan();
    // The four pixels around the corner (50, 500) are the darkest, alike.
    int darkest = red(rgb, 49, 499);
    for (int row = 490; row <= 510; ++row)
        for (int column = 40; column <= 60; ++column) EXPECT_GE(red(rgb, column, row), darkest);
    EXPECT_NEAR(red(rgb, 50, 500), darkest, 1);
    EXPECT_NEAR(red(rgb, 49, 500), darkest, 1);
    EXPECT_NEAR(red(rgb, 50, 499), darkest, 1);
    EXPECT_LT(darkest, 145);
}

TEST_F(PlanView, OverlappingMarksCompound) {
    rakeMarks.push_back({300.5f, 300.5f, 0});
    rakeMarks.push_back({300.5f, 300.5f, 0});
    rakeMarks.push_back({100.5f, 100.5f, 0});
    rakeMarks.push_back({104.5f, 100.5f, 0});
    std::vector<unsigned char> rgb = drawPlan();
    // Two marks on one point leave a quarter of the white.
    EXPECT_NEAR(red(rgb, 300, 300), 64, 2);
    // Halfway between two marks 4 apart each alone would leave 5/8 of the white.
    EXPECT_NEAR(red(rgb, 102, 100), 255 * 0.625 * 0.625, 3);
}

TEST_F(PlanView, RockDiscsAreBlackInTheMiddleAndFourFifthsWhiteAtTheRim) {
    placeBothRocks({200.5f, 300.5f}, {450.5f, 300.5f});
    std::vector<unsigned char> rgb = drawPlan();
    EXPECT_EQ(red(rgb, 200, 300), 0);
    EXPECT_EQ(red(rgb, 450, 300), 0);
    EXPECT_TRUE(isGrey(rgb, 200, 300));
    // Just inside the rim the alpha is a little above 0.2.
    EXPECT_NEAR(red(rgb, 200 + 59, 300), 255 * (1 - 0.2 - 0.8 / 60), 3);
    EXPECT_NEAR(red(rgb, 200, 300 - 59), 255 * (1 - 0.2 - 0.8 / 60), 3);
    EXPECT_NEAR(red(rgb, 450 - 29, 300), 255 * (1 - 0.2 - 0.8 / 30), 3);
    // The first white pixel along each axis gives the radius.
    int largeEdge = 0, smallEdge = 0;
    while (red(rgb, 200 + largeEdge, 300) != 255) ++largeEdge;
    while (red(rgb, 450 + smallEdge, 300) != 255) ++smallEdge;
    EXPECT_EQ(largeEdge, 60);
    EXPECT_EQ(smallEdge, 30);
}

TEST_F(PlanView, ARockTakenOffThePlanIsNotDrawn) {
    largeRockPos = {300, 300};
    smallRockPos = {100, 100};
    std::vector<unsigned char> rgb = drawPlan();
    EXPECT_EQ(red(rgb, 300, 300), 255);
    EXPECT_EQ(red(rgb, 100, 100), 255);
}

TEST_F(PlanView, MarksOutsideTheWindowAreClippedNotWrapped) {
    rakeMarks.push_back({-3.5f, 300.5f, 0});
    rakeMarks.push_back({603.5f, 100.5f, 0});
    rakeMarks.push_back({300.5f, -4.5f, 0});
    rakeMarks.push_back({-50, -50, 0});
    std::vector<unsigned char> rgb = drawPlan();
    EXPECT_LT(red(rgb, 0, 300), 255);
    EXPECT_EQ(red(rgb, 599, 300), 255);
    EXPECT_LT(red(rgb, 599, 100), 255);
    EXPECT_EQ(red(rgb, 0, 100), 255);
    EXPECT_LT(red(rgb, 300, 0), 255);
    EXPECT_EQ(red(rgb, 300, 599), 255);
    EXPECT_EQ(red(rgb, 0, 0), 255);
    EXPECT_EQ(red(rgb, 599, 599), 255);
}
