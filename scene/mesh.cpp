#include "scene/mesh.h"

#include <cassert>
#include <cstddef>

#include "app/garden.h"

// The capture samples every 4th pixel of the square plan, so the grid is
// a quarter of the window's side in both directions.
static int gridSide() { return windowWidth / 4; }

void computeFaceNormal(SandTriangle& triangle) {
    const int count = static_cast<int>(sandVertices.size());
    assert(triangle.vertex0 >= 0 && triangle.vertex0 < count);
    assert(triangle.vertex1 >= 0 && triangle.vertex1 < count);
    assert(triangle.vertex2 >= 0 && triangle.vertex2 < count);
    const Point3 v0 = sandVertices[triangle.vertex0];
    const Point3 v1 = sandVertices[triangle.vertex1];
    const Point3 v2 = sandVertices[triangle.vertex2];
    // With the corners in grid order this cross product points up, out of the sand.
    Point3 n = crossProduct(v0 - v2, v0 - v1);
    normalizeVector(n);
    triangle.normal = n;
}

void buildSandTriangles() {
    const int g = gridSide();
    assert(sandVertices.size() == static_cast<std::size_t>(g) * g);
    assert(sandTriangles.empty());
    sandTriangles.reserve(static_cast<std::size_t>(2) * (g - 1) * (g - 1));
    for (int i = 0; i < g - 1; ++i) {
        for (int j = 0; j < g - 1; ++j) {
            const int k = i * g + j;
            // Both halves of the cell share the diagonal from (i, j + 1) to (i + 1, j).
            SandTriangle first;
            first.vertex0 = k;
            first.vertex1 = k + g;
            first.vertex2 = k + 1;
            computeFaceNormal(first);
            sandTriangles.push_back(first);

            SandTriangle second;
            second.vertex0 = k + 1;
            second.vertex1 = k + g;
            second.vertex2 = k + g + 1;
            computeFaceNormal(second);
            sandTriangles.push_back(second);
        }
    }
}

void computeVertexNormals() {
    assert(vertexNormals.empty());
    vertexNormals.assign(sandVertices.size(), Point3{0, 0, 0});
    const int count = static_cast<int>(vertexNormals.size());
    for (const SandTriangle& triangle : sandTriangles) {
        for (int index : {triangle.vertex0, triangle.vertex1, triangle.vertex2}) {
            assert(index >= 0 && index < count);
            vertexNormals[index] = vertexNormals[index] + triangle.normal;
        }
    }
    // Every face normal points up, so no sum is zero; an unused vertex
    // (never the case on a full grid) would be caught by the assertion inside.
    for (Point3& normal : vertexNormals) normalizeVector(normal);
}
