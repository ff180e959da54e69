#include <gtest/gtest.h>

#include "app/vector.h"

#include <cmath>

TEST(VectorOperations, CrossProductFollowsTheRightHandRule) {
    Point3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    EXPECT_EQ(crossProduct(x, y), z);
    EXPECT_EQ(crossProduct(y, x), (Point3{0, 0, -1}));
    // The rake's perpendicular: a drag to the right turns to point down the plan.
    EXPECT_EQ(crossProduct(Point3{1, 0, 0}, Point3{0, 0, 1}), (Point3{0, -1, 0}));
}

TEST(VectorOperations, NormalizeGivesUnitLength) {
    Point3 v{3, 0, 4};
    normalizeVector(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
}

TEST(VectorOperations, TrigonometryIsComputedInDoubleAndRounded) {
    // cos(pi/2) in double is 6.1e-17, not the float result of cosf(1.5707964f).
    float quarterTurn = static_cast<float>(3.141592653589793 / 2);
    EXPECT_EQ(cosine(quarterTurn), static_cast<float>(std::cos(static_cast<double>(quarterTurn))));
    EXPECT_EQ(squareRoot(2.5f), static_cast<float>(std::sqrt(2.5)));
}
