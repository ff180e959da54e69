#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/garden.h"
#include "scene/mesh.h"
#include "tests/common/reset.h"

namespace {

// Builds the mesh over a 150 x 150 grid laid out as the capture lays it,
// with the height given as a function of scene x and z.
void buildMesh(const std::function<float(float, float)>& height) {
    windowWidth = windowHeight = 600;
    sandTriangles.clear();
    vertexNormals.clear();
    sandVertices.clear();
    for (int i = 0; i < 150; ++i)
        for (int j = 0; j < 150; ++j) {
            float x = static_cast<float>(2.0 * 4 * i / 600 - 1);
            float z = static_cast<float>(2.0 * 4 * j / 600 - 1);
            sandVertices.push_back({x, height(x, z), z});
        }
    buildSandTriangles();
    computeVertexNormals();
}

void expectDirection(Point3 n, Point3 direction) {
    normalizeVector(direction);
    EXPECT_NEAR(n.x, direction.x, 1e-5);
    EXPECT_NEAR(n.y, direction.y, 1e-5);
    EXPECT_NEAR(n.z, direction.z, 1e-5);
}

// Leaves the garden's mesh empty again, as every other test expects it.
class SandMesh : public ::testing::Test {
protected:
    void TearDown() override { resetGarden(); }
};

}  // namespace

TEST_F(SandMesh, CellsAreCutIntoTwoTrianglesInGridOrder) {
    buildMesh([](float, float) { return 0.05f; });
    ASSERT_EQ(sandTriangles.size(), 44402u);
    EXPECT_EQ(vertexNormals.size(), 22500u);
    auto corners = [](const SandTriangle& t) { return std::vector<int>{t.vertex0, t.vertex1, t.vertex2}; };
    const int k = 148 * 150 + 148;
    EXPECT_EQ(corners(sandTriangles[0]), (std::vector<int>{0, 150, 1}));
    EXPECT_EQ(corners(sandTriangles[1]), (std::vector<int>{1, 150, 151}));
    EXPECT_EQ(corners(sandTriangles[2]), (std::vector<int>{1, 151, 2}));
    EXPECT_EQ(corners(sandTriangles[2 * 149]), (std::vector<int>{150, 300, 151}));
    EXPECT_EQ(corners(sandTriangles[44400]), (std::vector<int>{k, k + 150, k + 1}));
    EXPECT_EQ(corners(sandTriangles[44401]), (std::vector<int>{k + 1, k + 150, k + 151}));
}

TEST_F(SandMesh, FlatBedNormalsPointExactlyUp) {
    buildMesh([](float, float) { return 0.05f; });
    for (const SandTriangle& t : sandTriangles) ASSERT_EQ(t.normal, (Point3{0, 1, 0}));
    for (const Point3& n : vertexNormals) ASSERT_EQ(n, (Point3{0, 1, 0}));
}

TEST_F(SandMesh, InclinedPlanesTiltTheNormalsAgainstTheSlope) {
    const float a = 0.02f;
    buildMesh([a](float x, float) { return a * x; });
    for (size_t t : {size_t{0}, size_t{1}, size_t{30000}}) expectDirection(sandTriangles[t].normal, {-a, 1, 0});
    for (size_t v : {size_t{0}, size_t{75 * 150 + 75}, size_t{22499}})
        expectDirection(vertexNormals[v], {-a, 1, 0});

    buildMesh([a](float, float z) { return a * z; });
    for (size_t t : {size_t{0}, size_t{1}, size_t{30000}}) expectDirection(sandTriangles[t].normal, {0, 1, -a});
    for (size_t v : {size_t{0}, size_t{75 * 150 + 75}, size_t{22499}})
        expectDirection(vertexNormals[v], {0, 1, -a});
}

TEST_F(SandMesh, CornerVerticesTakeTheNormalsOfTheirOwnTriangles) {
    // A bumpy bed, so that neighbouring faces differ.
    buildMesh([](float x, float z) { return 0.025f + 0.02f * x * x - 0.015f * z + 0.01f * x * z; });
    auto sumOf = [](std::initializer_list<size_t> triangles) {
        Point3 sum;
        for (size_t t : triangles) sum = sum + sandTriangles[t].normal;
        normalizeVector(sum);
        return sum;
    };
    expectDirection(vertexNormals[0], sumOf({0}));
    expectDirection(vertexNormals[22499], sumOf({44401}));
    expectDirection(vertexNormals[149], sumOf({2 * 148, 2 * 148 + 1}));
    expectDirection(vertexNormals[149 * 150], sumOf({2 * 148 * 149, 2 * 148 * 149 + 1}));
    // An edge vertex (0, 5) lies in three faces, unweighted.
    expectDirection(vertexNormals[5], sumOf({8, 9, 10}));
    for (const SandTriangle& t : sandTriangles) ASSERT_GT(t.normal.y, 0.0f);
}
