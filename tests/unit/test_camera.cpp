#include <gtest/gtest.h>

#include <cmath>

#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"
#include "tests/common/reset.h"

namespace {

// The camera as entering display mode leaves it.
class Camera : public ::testing::Test {
protected:
    void SetUp() override {
        resetGarden();
        displayMode = 1;
        cameraEye = {-1.5f, 0.5f, 0.0f};
        cameraAzimuth = -180;
        cameraElevation = 18.435f;
        cameraDistance = std::sqrt(2.5f);
    }
};

float length(Point3 p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z); }

}  // namespace

TEST_F(Camera, StartingAnglesDescribeTheStartingEye) {
    // To within a few millionths, so the first camera key moves by one step only.
    orbitCamera(1);
    EXPECT_NEAR(cameraEye.x, -1.5f, 2e-6);
    EXPECT_NEAR(cameraEye.y, 0.5f, 2e-6);
    EXPECT_NEAR(cameraEye.z, 0.0f, 2e-6);
}

TEST_F(Camera, OrbitFollowsTheAzimuthAndElevation) {
    cameraAzimuth = 90;
    cameraElevation = 30;
    cameraDistance = 2;
    orbitCamera(1);
    EXPECT_NEAR(cameraEye.x, 0.0f, 1e-6);
    EXPECT_NEAR(cameraEye.y, 1.0f, 1e-6);
    EXPECT_NEAR(cameraEye.z, std::sqrt(3.0f), 1e-6);

    // Without height the eye keeps its y whatever the angles say.
    cameraEye.y = 0.75f;
    cameraAzimuth = 0;
    orbitCamera(0);
    EXPECT_EQ(cameraEye.y, 0.75f);
    EXPECT_NEAR(cameraEye.x, std::sqrt(3.0f), 1e-6);
    EXPECT_NEAR(cameraEye.z, 0.0f, 1e-6);
}

TEST_F(Camera, TurningAFullCircleEitherWayWrapsToZeroWithoutAJump) {
    Point3 before = cameraEye;
    for (int press = 1; press <= 540; ++press) {
        turnCamera(1);
        Point3 step = cameraEye - before;
        ASSERT_LT(length(step), 0.03f) << "press " << press;
        ASSERT_EQ(cameraEye.y, 0.5f);
        before = cameraEye;
        if (press == 539) {
            EXPECT_EQ(cameraAzimuth, 359.0f);
        }
    }
    EXPECT_EQ(cameraAzimuth, 0.0f);
    EXPECT_NEAR(cameraEye.x, 1.5f, 1e-5);

    cameraAzimuth = -180;
    for (int press = 0; press < 180; ++press) turnCamera(-1);
    EXPECT_EQ(cameraAzimuth, 0.0f);
    EXPECT_NEAR(cameraEye.z, 0.0f, 1e-5);
}

TEST_F(Camera, ElevationIsHeldBetweenTwentyAndFifty) {
    // The start lies under the floor: the first press of s lifts the eye.
    pitchCamera(-1);
    EXPECT_EQ(cameraElevation, 20.0f);
    EXPECT_GT(cameraEye.y, 0.5f);

    for (int press = 0; press < 100; ++press) pitchCamera(1);
    EXPECT_EQ(cameraElevation, 50.0f);
    EXPECT_NEAR(cameraEye.y, std::sin(50 * 3.141592653589793 / 180) * cameraDistance, 1e-6);

    for (int press = 0; press < 100; ++press) pitchCamera(-1);
    EXPECT_EQ(cameraElevation, 20.0f);
}

TEST_F(Camera, ElevationClimbsFromTheStartInWholeSteps) {
    pitchCamera(1);
    EXPECT_FLOAT_EQ(cameraElevation, 19.435f);
    pitchCamera(1);
    EXPECT_FLOAT_EQ(cameraElevation, 20.435f);
}

TEST_F(Camera, DollyForwardStopsAboveHeightPointThree) {
    Point3 direction = cameraEye;
    int moves = 0;
    for (int press = 0; press < 1000; ++press) {
        Point3 before = cameraEye;
        dollyCamera(1);
        if (!(cameraEye == before)) ++moves;
    }
    EXPECT_GT(cameraEye.y, 0.3f);
    // One more step down the line of sight would reach 0.3.
    EXPECT_LT(cameraEye.y - 0.01f * 0.5f / std::sqrt(2.5f), 0.3f);
    EXPECT_NEAR(cameraDistance, 0.95f, 0.01f);
    EXPECT_EQ(cameraDistance, length(cameraEye));
    EXPECT_GT(moves, 50);
    EXPECT_LT(moves, 70);
    // The eye stays on its line through the target, so the angles still hold.
    EXPECT_NEAR(cameraEye.x / cameraEye.y, direction.x / direction.y, 1e-4);
    EXPECT_NEAR(cameraEye.z, 0.0f, 1e-6);
}

TEST_F(Camera, DollyBackStopsShortOfTwoPointThree) {
    for (int press = 0; press < 1000; ++press) dollyCamera(0);
    EXPECT_LT(cameraDistance, 2.3f);
    EXPECT_GT(cameraDistance, 2.3f - 0.0101f);
    EXPECT_EQ(cameraDistance, length(cameraEye));
    Point3 held = cameraEye;
    dollyCamera(0);
    EXPECT_EQ(cameraEye, held);
    // Forward again from the far stop works at once.
    dollyCamera(1);
    EXPECT_NEAR(cameraDistance, length(held) - 0.01f, 1e-5);
}

TEST_F(Camera, DollyAtTheSteepestPitchGetsCloser) {
    for (int press = 0; press < 40; ++press) pitchCamera(1);
    for (int press = 0; press < 1000; ++press) dollyCamera(1);
    // Height 0.3 lies 0.3 / sin(50 degrees), about 0.392, from the target.
    float floorDistance = 0.3f / std::sin(50.0f * 3.1415927f / 180.0f);
    EXPECT_GT(cameraDistance, floorDistance);
    EXPECT_LT(cameraDistance, floorDistance + 0.0101f);
    EXPECT_GT(cameraEye.y, 0.3f);
}
