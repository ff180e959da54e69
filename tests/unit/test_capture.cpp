#include <gtest/gtest.h>

#include <vector>

#include "app/garden.h"
#include "scene/capture.h"

namespace {

// A 600 x 600 RGB read-back, bottom row first, every pixel white.
std::vector<unsigned char> whitePlan() { return std::vector<unsigned char>(600 * 600 * 3, 255); }

void setRed(std::vector<unsigned char>& rgb, int row, int column, unsigned char red) {
    rgb[(static_cast<size_t>(row) * 600 + column) * 3] = red;
}

std::vector<Point3> capture(const std::vector<unsigned char>& rgb) {
    sandVertices.clear();
    appendSandVertices(rgb.data(), 600);
    std::vector<Point3> result = sandVertices;
    sandVertices.clear();
    return result;
}

}  // namespace

TEST(HeightCapture, UntouchedPlanIsAFlatBedAtFullHeight) {
    std::vector<Point3> v = capture(whitePlan());
    ASSERT_EQ(v.size(), 22500u);
    for (const Point3& p : v) ASSERT_EQ(p.y, 0.05f);
}

TEST(HeightCapture, SamplesLandInRowMajorOrderWithTheirScenePositions) {
    std::vector<unsigned char> rgb = whitePlan();
    setRed(rgb, 0, 0, 0);      // lower-left corner
    setRed(rgb, 4, 8, 51);     // sample (1, 2)
    setRed(rgb, 2, 2, 0);      // between samples: no trace
    setRed(rgb, 596, 0, 102);  // last sampled row, first column
    // Only red counts: a pixel with no green or blue is still full height.
    rgb[(8 * 600 + 8) * 3 + 1] = rgb[(8 * 600 + 8) * 3 + 2] = 0;
    std::vector<Point3> v = capture(rgb);
    ASSERT_EQ(v.size(), 22500u);

    EXPECT_EQ(v[0], (Point3{-1, 0, -1}));
    EXPECT_EQ(v[152].x, static_cast<float>(8.0 / 600 - 1));
    EXPECT_EQ(v[152].z, static_cast<float>(16.0 / 600 - 1));
    EXPECT_EQ(v[152].y, static_cast<float>(51 / 255.0 * 0.05));
    EXPECT_EQ(v[149 * 150].x, static_cast<float>(2.0 * 596 / 600 - 1));
    EXPECT_EQ(v[149 * 150].y, static_cast<float>(102 / 255.0 * 0.05));
    EXPECT_EQ(v[2 * 150 + 2].y, 0.05f);

    int darkened = 0;
    for (int i = 0; i < 150; ++i)
        for (int j = 0; j < 150; ++j) {
            const Point3& p = v[i * 150 + j];
            ASSERT_EQ(p.x, static_cast<float>(2.0 * (4 * i) / 600 - 1));
            ASSERT_EQ(p.z, static_cast<float>(2.0 * (4 * j) / 600 - 1));
            if (p.y != 0.05f) ++darkened;
        }
    EXPECT_EQ(darkened, 3);  // the dark pixel at (2, 2) was never sampled
}
