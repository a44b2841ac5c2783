#include "app/Vector3D.h"

void Vector3D::normalize() {
    const float lengthSquared = x * x + y * y + z * z;
    const float length = squareRoot(lengthSquared);
    const float inverse = 1.0f / length;
    x *= inverse;
    y *= inverse;
    z *= inverse;
}
