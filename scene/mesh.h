// The sand mesh: the captured 150 x 150 vertex grid cut into triangles,
// with face normals and smoothed vertex normals.
#pragma once

#include "app/vector.h"

struct SandTriangle {
    int vertex0 = 0, vertex1 = 0, vertex2 = 0;  // positions in sandVertices
    Point3 normal;                              // unit face normal
};

void buildSandTriangles();
void computeFaceNormal(SandTriangle& triangle);
void computeVertexNormals();
