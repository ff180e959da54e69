// Small value types shared by the whole garden, and the vector operations
// every subsystem uses. Each trigonometric and root operation takes and
// returns a 32-bit float but computes in double precision, so results are
// the same wherever they are called.
#pragma once

struct Point3 {
    float x = 0, y = 0, z = 0;
};

// A point of the plan (window pixels, origin lower left, y up).
struct PlanPoint {
    float x = 0, y = 0;
};

inline Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline bool operator==(Point3 a, Point3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

float squareRoot(float f);
float cosine(float radians);
float sine(float radians);
// Divides v by its length in place; callers never pass a zero vector.
void normalizeVector(Point3& v);
Point3 crossProduct(Point3 a, Point3 b);
