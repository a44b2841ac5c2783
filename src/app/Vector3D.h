#pragma once

#include <cmath>

// Square root as if taken in double precision and rounded once to float, so every caller rounds
// alike. note: the float root is that very value (a double holds more than twice a float's
// digits, so its root rounds to the correctly rounded float root), without the conversions.
inline float squareRoot(float value) {
    return std::sqrt(value);
}
inline float square(float value) {
    return value * value;
}

// A point or direction in terrain space: x along the map's width, z along its length, y up.
struct Vector3D {
    float x, y, z;

    Vector3D(float x, float y, float z) : x(x), y(y), z(z) {}

    Vector3D operator+(Vector3D v) const { return Vector3D(x + v.x, y + v.y, z + v.z); }
    Vector3D operator-(Vector3D v) const { return Vector3D(x - v.x, y - v.y, z - v.z); }
    Vector3D operator*(float s) const { return Vector3D(x * s, y * s, z * s); }

    // note: no guard for the zero vector; no caller passes one.
    void normalize();
};
