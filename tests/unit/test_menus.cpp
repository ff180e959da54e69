#include <gtest/gtest.h>

#include "app/garden.h"
#include "app/menus.h"
#include "app/startup.h"
#include "tests/common/reset.h"

namespace {

class Menus : public ::testing::Test {
protected:
    void SetUp() override { resetGarden(); }
    void TearDown() override { resetGarden(); }
};

}  // namespace

TEST_F(Menus, RakeEntriesChooseTheRakeAndTheRakeTool) {
    editTool = 2;
    onRakeMenu(2);
    EXPECT_EQ(rakeType, 1);
    EXPECT_EQ(editTool, 0);
    onRakeMenu(3);
    EXPECT_EQ(rakeType, 2);
    onRakeMenu(1);
    EXPECT_EQ(rakeType, 0);
}

TEST_F(Menus, RockEntriesChooseWhichRockTheNextClickPlaces) {
    onRockMenu(1);
    EXPECT_EQ(editTool, 1);
    onRockMenu(2);
    EXPECT_EQ(editTool, 2);
    EXPECT_EQ(rakeType, 0);
}

TEST_F(Menus, DrawModeEntriesDoNothingInDisplayMode) {
    displayMode = 1;
    editTool = 1;
    rakeType = 1;
    rakeMarks.push_back({5, 5, 0});
    sandVertices.push_back({});
    smallRockPlaced = 1;
    onRakeMenu(3);
    onRockMenu(2);
    onMainMenu(1);
    EXPECT_EQ(rakeType, 1);
    EXPECT_EQ(editTool, 1);
    EXPECT_EQ(rakeMarks.size(), 1u);
    EXPECT_EQ(sandVertices.size(), 1u);
    EXPECT_EQ(smallRockPlaced, 1);
}

TEST_F(Menus, ResetClearsThePlanAndTheMeshAndKeepsTheChoices) {
    rakeType = 2;
    editTool = 2;
    darkSand = 1;
    largeRockTexture = 4;
    smallRockTexture = 7;
    backgroundIndex = 2;
    // A garden raked to a million marks, with a mesh and its batch.
    rakeMarks.assign(1000000, Point3{1, 2, 0});
    sandVertices.resize(22500);
    vertexNormals.resize(22500);
    sandTriangles.resize(44402);
    sandBatchCorners.resize(3 * 44402);
    smallRockPlaced = 1;
    largeRockPlaced = 1;
    smallRockPos = {10, 20};
    largeRockPos = {300, 400};
    strokeAnchor = {7, 8};

    resetSandbox();

    // Emptied, and their storage given back.
    EXPECT_EQ(rakeMarks.capacity(), 0u);
    EXPECT_EQ(sandVertices.capacity(), 0u);
    EXPECT_EQ(vertexNormals.capacity(), 0u);
    EXPECT_EQ(sandTriangles.capacity(), 0u);
    EXPECT_EQ(sandBatchCorners.capacity(), 0u);
    EXPECT_EQ(editTool, 0);
    EXPECT_EQ(smallRockPlaced, 0);
    EXPECT_EQ(largeRockPlaced, 0);
    // Untouched: the stored positions, the anchor and every appearance choice.
    EXPECT_EQ(smallRockPos.x, 10.0f);
    EXPECT_EQ(largeRockPos.y, 400.0f);
    EXPECT_EQ(strokeAnchor.x, 7.0f);
    EXPECT_EQ(rakeType, 2);
    EXPECT_EQ(darkSand, 1);
    EXPECT_EQ(largeRockTexture, 4);
    EXPECT_EQ(smallRockTexture, 7);
    EXPECT_EQ(backgroundIndex, 2);
}

TEST_F(Menus, QuitEndsTheProgramWithStatusZeroInBothModes) {
    EXPECT_EXIT(onMainMenu(2), ::testing::ExitedWithCode(0), "");
    displayMode = 1;
    EXPECT_EXIT(onMainMenu(2), ::testing::ExitedWithCode(0), "");
}
