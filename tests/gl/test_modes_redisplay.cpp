#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/menus.h"
#include "gl_window.h"
#include "plan/mouse.h"

// Which inputs ask for a new frame, and what the mouse and the menus do in
// each mode: handlers never draw, so a missing request leaves a stale picture.
namespace {

class Redisplay : public ::testing::Test {
protected:
    void SetUp() override { startGardenInDrawMode(); }
    void TearDown() override { startGardenInDrawMode(); }

    // A press at a plan point, through the GLUT mouse position.
    void click(int button, int planX, int planY) {
        onMouseButton(button, GLUT_DOWN, planX, windowHeight - 1 - planY);
    }
    void dragTo(int planX, int planY) { onMouseDrag(planX, windowHeight - 1 - planY); }
};

}  // namespace

TEST_F(Redisplay, EveryKeyButQuitAsksForAFrame) {
    for (unsigned char key : {'1', '2', '3', 'a', 'z', 'e', 'x', ' ', '9'}) {
        onKey(key, 0, 0);
        EXPECT_TRUE(redisplayWasRequested()) << "key " << key;
    }
    ::testing::internal::CaptureStdout();
    onKey('h', 0, 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(redisplayWasRequested());
    EXPECT_FALSE(redisplayWasRequested());
}

TEST_F(Redisplay, RakeAndRockChoicesDoNotRedraw) {
    onRakeMenu(2);
    onRockMenu(1);
    EXPECT_FALSE(redisplayWasRequested());
}

TEST_F(Redisplay, SandChoiceActsInDisplayModeOnlyButAlwaysRedraws) {
    editTool = 2;
    onSandMenu(2);
    EXPECT_EQ(darkSand, 0);
    EXPECT_EQ(editTool, 2);
    EXPECT_TRUE(redisplayWasRequested());

    displayMode = 1;
    onSandMenu(2);
    EXPECT_EQ(darkSand, 1);
    EXPECT_EQ(editTool, 0);
    EXPECT_TRUE(redisplayWasRequested());
    onSandMenu(2);
    EXPECT_TRUE(redisplayWasRequested());
    onSandMenu(1);
    EXPECT_EQ(darkSand, 0);
    EXPECT_TRUE(redisplayWasRequested());
}

TEST_F(Redisplay, ResetRedrawsAWhitePlanInDrawModeOnly) {
    rakeType = 1;
    click(GLUT_LEFT_BUTTON, 100, 100);
    dragTo(200, 100);
    onRockMenu(2);
    click(GLUT_LEFT_BUTTON, 300, 300);
    onRockMenu(1);
    click(GLUT_LEFT_BUTTON, 450, 450);
    redisplayWasRequested();

    displayMode = 1;
    onMainMenu(1);
    EXPECT_FALSE(redisplayWasRequested());
    EXPECT_FALSE(rakeMarks.empty());
    displayMode = 0;

    onMainMenu(1);
    EXPECT_TRUE(redisplayWasRequested());
    EXPECT_EQ(editTool, 0);
    EXPECT_EQ(rakeType, 1);
    drawFrame();
    std::vector<unsigned char> rgb = readBackBuffer();
    size_t notWhite = 0;
    for (unsigned char byte : rgb) notWhite += byte != 255;
    EXPECT_EQ(notWhite, 0u);
}

TEST_F(Redisplay, PressingWithTheRakeOnlyMovesTheAnchor) {
    click(GLUT_LEFT_BUTTON, 120, 130);
    EXPECT_FALSE(redisplayWasRequested());
    EXPECT_EQ(strokeAnchor.x, 120.0f);
    EXPECT_EQ(strokeAnchor.y, 130.0f);
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    EXPECT_TRUE(rakeMarks.empty());
}

TEST_F(Redisplay, DraggingRedrawsUnlessAWideRakeMovedTooLittle) {
    click(GLUT_LEFT_BUTTON, 100, 100);
    dragTo(102, 100);
    EXPECT_TRUE(redisplayWasRequested());  // one tine: redrawn even with nothing laid
    rakeType = 2;
    dragTo(103, 100);
    EXPECT_FALSE(redisplayWasRequested());
    EXPECT_TRUE(rakeMarks.empty());
    dragTo(110, 100);
    EXPECT_TRUE(redisplayWasRequested());
    EXPECT_EQ(rakeMarks.size(), 10u);
}

TEST_F(Redisplay, DraggingWithARockToolOrInDisplayModeLaysNothing) {
    onRockMenu(1);
    dragTo(300, 300);
    EXPECT_TRUE(redisplayWasRequested());
    onRakeMenu(1);
    displayMode = 1;
    dragTo(300, 300);
    EXPECT_TRUE(redisplayWasRequested());
    EXPECT_TRUE(rakeMarks.empty());
}

TEST_F(Redisplay, ADragWithNoPressSinceStartUpRakesFromTheOrigin) {
    // GLUT reports motion for any held button, the middle one too.
    onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 8, 599);
    dragTo(8, 0);
    ASSERT_EQ(rakeMarks.size(), 1u);
    EXPECT_EQ(rakeMarks[0], (Point3{4, 0, 0}));
}

TEST_F(Redisplay, RockClicksRedrawWhenPlacedAndNotWhenRefused) {
    onRockMenu(2);
    click(GLUT_LEFT_BUTTON, 100, 100);
    EXPECT_TRUE(redisplayWasRequested());
    // The large rock moves on with each further click.
    click(GLUT_LEFT_BUTTON, 400, 400);
    EXPECT_TRUE(redisplayWasRequested());
    EXPECT_EQ(largeRockPos.x, 400.0f);
    EXPECT_EQ(smallRockPlaced, 0);

    onRockMenu(1);
    ::testing::internal::CaptureStdout();
    click(GLUT_LEFT_BUTTON, 389, 400);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "collision detected, cannot place rocks so close to each other\n");
    EXPECT_FALSE(redisplayWasRequested());
    EXPECT_EQ(smallRockPlaced, 0);

    // Releases, other buttons and display mode never place a rock.
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 100, 100);
    click(GLUT_MIDDLE_BUTTON, 100, 100);
    displayMode = 1;
    click(GLUT_LEFT_BUTTON, 100, 100);
    EXPECT_EQ(smallRockPlaced, 0);
    EXPECT_FALSE(redisplayWasRequested());
}
