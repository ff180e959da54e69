#include <gtest/gtest.h>

#include <string>

#include "app/garden.h"
#include "app/startup.h"
#include "plan/rocks.h"
#include "tests/common/reset.h"

namespace {

const char* const collisionMessage = "collision detected, cannot place rocks so close to each other\n";

void expectAt(PlanPoint p, float x, float y) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}

class RockPlacement : public ::testing::Test {
protected:
    void SetUp() override { resetGarden(); }

    // Places the rock of the given tool and returns what it printed.
    std::string place(int tool, float x, float y, int* placed) {
        editTool = tool;
        ::testing::internal::CaptureStdout();
        *placed = putRock({x, y});
        return ::testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(RockPlacement, DiscsMayTouchButNotOverlap) {
    int placed = 0;
    EXPECT_EQ(place(2, 300, 300, &placed), "");
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(largeRockPlaced, 1);

    // 90 pixels apart, the sum of the radii 60 and 30: just touching.
    EXPECT_EQ(place(1, 390, 300, &placed), "");
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(smallRockPlaced, 1);
    EXPECT_EQ(smallRockPos.x, 390.0f);

    // Also along a diagonal: (54, 72) is 90 long.
    EXPECT_EQ(place(1, 354, 372, &placed), "");
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(smallRockPos.y, 372.0f);
}

TEST_F(RockPlacement, OverlapIsRefusedWithTheMessageAndNothingChanges) {
    int placed = 0;
    place(2, 300, 300, &placed);
    place(1, 500, 500, &placed);

    EXPECT_EQ(place(1, 389, 300, &placed), collisionMessage);
    EXPECT_EQ(placed, 0);
    expectAt(smallRockPos, 500.0f, 500.0f);
    EXPECT_EQ(smallRockPlaced, 1);
    EXPECT_EQ(largeRockPos.x, 300.0f);

    // The large rock is kept off the small one's disc in the same way.
    EXPECT_EQ(place(2, 520, 440, &placed), collisionMessage);
    EXPECT_EQ(placed, 0);
    expectAt(largeRockPos, 300.0f, 300.0f);
}

TEST_F(RockPlacement, AFirstRockRefusedLeavesItAbsent) {
    int placed = 0;
    place(2, 300, 300, &placed);
    EXPECT_EQ(place(1, 300, 310, &placed), collisionMessage);
    EXPECT_EQ(smallRockPlaced, 0);
    expectAt(smallRockPos, 0.0f, 0.0f);
}

TEST_F(RockPlacement, ARockIsComparedOnlyWithTheOtherOne) {
    int placed = 0;
    // Anywhere goes while the other rock is absent, corners and beyond.
    EXPECT_EQ(place(1, 0, 0, &placed), "");
    EXPECT_EQ(place(1, 599, 599, &placed), "");
    // A second click with the same tool moves the rock onto its own old disc.
    EXPECT_EQ(place(1, 595, 590, &placed), "");
    EXPECT_EQ(placed, 1);
    expectAt(smallRockPos, 595.0f, 590.0f);
}

TEST_F(RockPlacement, ARockTakenOffThePlanNoLongerCollides) {
    int placed = 0;
    place(2, 300, 300, &placed);
    largeRockPlaced = 0;  // as the reset leaves it: position kept, flag down
    EXPECT_EQ(place(1, 300, 300, &placed), "");
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(smallRockPos.x, 300.0f);
}
