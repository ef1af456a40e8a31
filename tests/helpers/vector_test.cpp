#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/helpers/vector.h"

TEST(Vector, FastInvSqrtKnownValues) {
    EXPECT_FLOAT_EQ(FastInvSqrt(1.0f), 0.99839735f);
    EXPECT_FLOAT_EQ(FastInvSqrt(4.0f), 0.49919868f);
    EXPECT_FLOAT_EQ(FastInvSqrt(0.25f), 1.9967947f);
    EXPECT_FLOAT_EQ(FastInvSqrt(2.0f), 0.70700353f);
    for (float x = 0.001f; x < 1e6f; x *= 1.37f) {
        float exact = 1.0f / std::sqrt(x);
        EXPECT_LT(FastInvSqrt(x), exact * 1.0002f) << x;
        EXPECT_GT(FastInvSqrt(x), exact * 0.998f) << x;
    }
}

TEST(Vector, NormalizeIsApproximate) {
    Vector a(1, 0);
    a.Normalize();
    EXPECT_FLOAT_EQ(a.x, 0.99839735f);
    EXPECT_EQ(a.y, 0.0f);
    Vector b(3, 4);
    b.Normalize();
    EXPECT_FLOAT_EQ(b.x, 0.59913522f);
    EXPECT_FLOAT_EQ(b.y, 0.79884697f);
    Vector c(17, 0);
    c.Normalize();
    EXPECT_FLOAT_EQ(c.x, 1.0000105f);
    Vector z;
    z.Normalize();
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
}

TEST(Vector, Angle) {
    Vector x(1, 0), y(0, 1);
    EXPECT_NEAR(x.Angle(&x), 0.08006f, 1e-4f);
    EXPECT_FLOAT_EQ(x.Angle(&y), static_cast<float>(M_PI / 2));
    EXPECT_FLOAT_EQ(Vector(1, 1).Angle(), static_cast<float>(M_PI / 4));
    EXPECT_FLOAT_EQ(y.Angle(nullptr), static_cast<float>(M_PI / 2));
    EXPECT_FLOAT_EQ(Vector(-1, 0).Angle(), static_cast<float>(M_PI));
    // Copies that normalise to slightly over unit length still give a number.
    Vector big(17, 0);
    float a = big.Angle(&big);
    EXPECT_FALSE(std::isnan(a));
    EXPECT_EQ(a, 0.0f);
    EXPECT_EQ(big.x, 17.0f);  // the vectors themselves are unchanged
}

TEST(Vector, ArithmeticAndRotate) {
    Vector a(1, 2), b(3, 5);
    Vector s = a + b, d = b - a, m = a * 2.0f;
    EXPECT_EQ(s.x, 4.0f);
    EXPECT_EQ(s.y, 7.0f);
    EXPECT_EQ(d.x, 2.0f);
    EXPECT_EQ(d.y, 3.0f);
    EXPECT_EQ(m.y, 4.0f);
    a += b;
    a *= 0.5f;
    EXPECT_EQ(a.x, 2.0f);
    EXPECT_EQ(a.y, 3.5f);
    EXPECT_EQ(Vector(2, 3).Dot(Vector(4, 5)), 23.0f);

    Vector r(1, 0);
    r.Rotate(static_cast<float>(M_PI / 2));
    EXPECT_NEAR(r.x, 0.0f, 1e-7f);
    EXPECT_EQ(r.y, 1.0f);
}
