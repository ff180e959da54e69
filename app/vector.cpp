#include "app/vector.h"

#include <cassert>
#include <cmath>

float squareRoot(float f) { return static_cast<float>(std::sqrt(static_cast<double>(f))); }
float cosine(float radians) { return static_cast<float>(std::cos(static_cast<double>(radians))); }
float sine(float radians) { return static_cast<float>(std::sin(static_cast<double>(radians))); }

void normalizeVector(Point3& v) {
    float length = squareRoot(v.x * v.x + v.y * v.y + v.z * v.z);
    assert(length != 0.0f);
    v.x /= length;
    v.y /= length;
    v.z /= length;
}

Point3 crossProduct(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
