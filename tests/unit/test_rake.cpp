#include <gtest/gtest.h>

#include <GL/glut.h>

#include <vector>

#include "app/garden.h"
#include "app/startup.h"
#include "plan/mouse.h"
#include "plan/rake.h"
#include "tests/common/reset.h"

namespace {

class RakeStroke : public ::testing::Test {
protected:
    void SetUp() override { resetGarden(); }
    void TearDown() override { resetGarden(); }

    // A left press at a plan point, through the GLUT mouse position.
    void pressAt(int planX, int planY) {
        onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, planX, windowHeight - 1 - planY);
    }
};

std::vector<Point3> marks(std::initializer_list<std::pair<float, float>> points) {
    std::vector<Point3> result;
    for (auto p : points) result.push_back(Point3{p.first, p.second, 0});
    return result;
}

}  // namespace

TEST_F(RakeStroke, MousePositionsBecomePlanPointsFromTheBottomLeft) {
    PlanPoint corner = planPointOf(0, 0);
    EXPECT_EQ(corner.x, 0.0f);
    EXPECT_EQ(corner.y, 599.0f);
    PlanPoint bottomRight = planPointOf(599, 599);
    EXPECT_EQ(bottomRight.x, 599.0f);
    EXPECT_EQ(bottomRight.y, 0.0f);
    // GLUT reports positions outside the window while a button is held.
    PlanPoint outside = planPointOf(-10, 700);
    EXPECT_EQ(outside.x, -10.0f);
    EXPECT_EQ(outside.y, -101.0f);
}

TEST_F(RakeStroke, OneTineLaysMarksFourApartAndCarriesTheRest) {
    pressAt(100, 100);
    EXPECT_EQ(strokeAnchor.x, 100.0f);
    EXPECT_EQ(strokeAnchor.y, 100.0f);
    EXPECT_TRUE(rakeMarks.empty());

    EXPECT_EQ(rakeTowards({110, 100}), 1);
    EXPECT_EQ(rakeMarks, marks({{104, 100}, {108, 100}}));
    EXPECT_EQ(strokeAnchor.x, 108.0f);

    // Three pixels from the anchor: nothing yet, but the plan is still redrawn.
    EXPECT_EQ(rakeTowards({111, 100}), 1);
    EXPECT_EQ(rakeMarks.size(), 2u);
    EXPECT_EQ(strokeAnchor.x, 108.0f);

    rakeTowards({113, 100});
    EXPECT_EQ(rakeMarks, marks({{104, 100}, {108, 100}, {112, 100}}));
    EXPECT_EQ(strokeAnchor.x, 112.0f);
    EXPECT_EQ(strokeAnchor.y, 100.0f);
}

TEST_F(RakeStroke, SlowDragStillSpacesMarksAlongThePath) {
    pressAt(0, 50);
    // Events three pixels apart: each lays at most one mark, none doubled.
    for (int x = 3; x <= 60; x += 3) rakeTowards({static_cast<float>(x), 50});
    ASSERT_EQ(rakeMarks.size(), 14u);  // 4, 8, ..., 56: all strictly short of 60
    for (size_t i = 0; i < rakeMarks.size(); ++i) {
        EXPECT_EQ(rakeMarks[i].x, 4.0f * static_cast<float>(i + 1));
        EXPECT_EQ(rakeMarks[i].y, 50.0f);
    }
}

TEST_F(RakeStroke, ThreeAndFiveTinesLayCentreThenSidesInOrder) {
    rakeType = 1;
    pressAt(100, 100);
    rakeTowards({110, 100});
    EXPECT_EQ(rakeMarks, marks({{104, 100}, {108, 100}, {104, 120}, {108, 120}, {104, 80}, {108, 80}}));
    EXPECT_EQ(strokeAnchor.x, 108.0f);
    EXPECT_EQ(strokeAnchor.y, 100.0f);

    rakeMarks.clear();
    rakeType = 2;
    pressAt(100, 100);
    rakeTowards({110, 100});
    EXPECT_EQ(rakeMarks, marks({{104, 100},
                                {108, 100},
                                {104, 120},
                                {108, 120},
                                {104, 80},
                                {108, 80},
                                {104, 140},
                                {108, 140},
                                {104, 60},
                                {108, 60}}));
}

TEST_F(RakeStroke, SideTinesSitToTheRightAndLeftOfAnUpwardDrag) {
    rakeType = 1;
    pressAt(200, 200);
    rakeTowards({200, 210});
    // Upwards on the screen, right is +x: the -20 tine lies at x 180.
    EXPECT_EQ(rakeMarks, marks({{200, 204}, {200, 208}, {180, 204}, {180, 208}, {220, 204}, {220, 208}}));
}

TEST_F(RakeStroke, WideRakeIgnoresDragsUnderFourPixels) {
    for (int type : {1, 2}) {
        rakeType = type;
        pressAt(100, 100);
        EXPECT_EQ(rakeTowards({103, 100}), 0) << "rake type " << type;
        EXPECT_TRUE(rakeMarks.empty());
        EXPECT_EQ(strokeAnchor.x, 100.0f);
        // Exactly four pixels is long enough to go on, but lays no mark.
        EXPECT_EQ(rakeTowards({100, 104}), 1);
        EXPECT_TRUE(rakeMarks.empty());
        EXPECT_EQ(strokeAnchor.y, 100.0f);
    }
}

TEST_F(RakeStroke, SegmentMarksStopShortOfTheEnd) {
    Point3 none = layRakeLine(10, 20, 14, 20);  // exactly 4 pixels
    EXPECT_TRUE(rakeMarks.empty());
    EXPECT_EQ(none, (Point3{10, 20, 0}));

    Point3 last = layRakeLine(10, 20, 18, 20);  // exactly 8: one mark, at 4
    EXPECT_EQ(rakeMarks, marks({{14, 20}}));
    EXPECT_EQ(last, (Point3{14, 20, 0}));

    rakeMarks.clear();
    EXPECT_EQ(layRakeLine(5, 5, 5, 5), (Point3{5, 5, 0}));  // a click without movement
    EXPECT_TRUE(rakeMarks.empty());
}

TEST_F(RakeStroke, DiagonalSegmentAdvancesByRepeatedSteps) {
    Point3 last = layRakeLine(0, 0, 30, 40);  // length 50: marks at 4, 8, ..., 48
    ASSERT_EQ(rakeMarks.size(), 12u);
    for (size_t i = 0; i < rakeMarks.size(); ++i) {
        float along = 4.0f * static_cast<float>(i + 1);
        EXPECT_NEAR(rakeMarks[i].x, 0.6f * along, 1e-4);
        EXPECT_NEAR(rakeMarks[i].y, 0.8f * along, 1e-4);
        EXPECT_EQ(rakeMarks[i].z, 0.0f);
    }
    EXPECT_EQ(last, rakeMarks.back());
}

TEST_F(RakeStroke, PointsOutsideTheWindowAreRakedAsGiven) {
    pressAt(-20, -20);
    EXPECT_EQ(strokeAnchor.x, -20.0f);
    EXPECT_EQ(strokeAnchor.y, -20.0f);
    rakeTowards({-10, -20});
    EXPECT_EQ(rakeMarks, marks({{-16, -20}, {-12, -20}}));
}

TEST_F(RakeStroke, OnlyALeftPressInDrawModeWithTheRakeStartsAStroke) {
    pressAt(100, 100);
    onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 300, 300);
    onMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 300, 300);
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 300, 300);
    displayMode = 1;
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 300, 300);
    EXPECT_EQ(strokeAnchor.x, 100.0f);
    EXPECT_EQ(strokeAnchor.y, 100.0f);
    EXPECT_TRUE(rakeMarks.empty());
}

TEST_F(RakeStroke, ANewStrokeStartsFromTheNewPress) {
    pressAt(100, 100);
    rakeTowards({110, 100});
    pressAt(300, 300);
    rakeTowards({300, 290});
    ASSERT_EQ(rakeMarks.size(), 4u);
    EXPECT_EQ(rakeMarks[2], (Point3{300, 296, 0}));
    EXPECT_EQ(rakeMarks[3], (Point3{300, 292, 0}));
}
