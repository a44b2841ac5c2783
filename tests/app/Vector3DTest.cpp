#include "app/Vector3D.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Vector3D, normalizeScalesToUnitLength) {
    Vector3D v(3, 4, 0);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(Vector3D, normalizeLeavesUnitVectorUnchanged) {
    Vector3D v(0, 1, 0);
    v.normalize();
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(Vector3D, subtractionIsThisMinusArgument) {
    const Vector3D d = Vector3D(1, 2, 3) - Vector3D(1, 1, 1);
    EXPECT_EQ(d.x, 0.0f);
    EXPECT_EQ(d.y, 1.0f);
    EXPECT_EQ(d.z, 2.0f);
}

TEST(Vector3D, additionAndScalingRoundEachComponentToFloat) {
    const Vector3D s = Vector3D(0.1f, 1e8f, -2) + Vector3D(0.2f, 1, 0.5f);
    EXPECT_EQ(s.x, 0.1f + 0.2f);
    EXPECT_EQ(s.y, 1e8f); // 1e8 + 1 is not a float
    EXPECT_EQ(s.z, -1.5f);
    const Vector3D k = Vector3D(1, -2, 0.1f) * 3.0f;
    EXPECT_EQ(k.x, 3.0f);
    EXPECT_EQ(k.y, -6.0f);
    EXPECT_EQ(k.z, 0.1f * 3.0f);
}

TEST(Vector3D, squareRootRoundsTheDoubleRootOnce) {
    EXPECT_EQ(squareRoot(2.0f), static_cast<float>(std::sqrt(2.0)));
    EXPECT_EQ(squareRoot(0.0f), 0.0f);
    EXPECT_EQ(square(-3.0f), 9.0f);
}
