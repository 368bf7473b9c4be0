// Point functions with non-trivial behaviour: intersection, rotation about a
// pivot, fuzzy comparison and powers of two.
#include "engine/Support/PointMath.h"

#include <gtest/gtest.h>

using namespace kestrel;

TEST(PointMath, LineIntersectFindsParameters)
{
    float s = -1, t = -1;
    ASSERT_TRUE(ksPointLineIntersect(ksp(0, 0), ksp(2, 2), ksp(0, 2), ksp(2, 0), &s, &t));
    EXPECT_FLOAT_EQ(s, 0.5f);
    EXPECT_FLOAT_EQ(t, 0.5f);
    ASSERT_TRUE(ksPointLineIntersect(ksp(0, 0), ksp(1, 0), ksp(3, -1), ksp(3, 1), &s, &t));
    EXPECT_FLOAT_EQ(s, 3.0f);
    EXPECT_FLOAT_EQ(t, 0.5f);
}

TEST(PointMath, LineIntersectRejectsDegenerateAndParallelLinesWithoutTouchingOutputs)
{
    float s = 42, t = 43;
    EXPECT_FALSE(ksPointLineIntersect(ksp(1, 1), ksp(1, 1), ksp(0, 0), ksp(1, 0), &s, &t));
    EXPECT_FALSE(ksPointLineIntersect(ksp(0, 0), ksp(1, 0), ksp(2, 2), ksp(2, 2), &s, &t));
    EXPECT_FALSE(ksPointLineIntersect(ksp(0, 0), ksp(1, 1), ksp(0, 1), ksp(1, 2), &s, &t));
    EXPECT_EQ(s, 42);
    EXPECT_EQ(t, 43);
}

TEST(PointMath, RotationAboutAPivotAndItsInverse)
{
    Point r = ksPointRotateAround(ksp(2, 1), ksp(1, 1), float(M_PI / 2));
    EXPECT_NEAR(r.x, 1, 1e-6);
    EXPECT_NEAR(r.y, 2, 1e-6);
    Point u = ksPointUnrotate(ksPointRotate(ksp(3, 4), ksPointForAngle(0.7f)), ksPointForAngle(0.7f));
    EXPECT_NEAR(u.x, 3, 1e-5);
    EXPECT_NEAR(u.y, 4, 1e-5);
}

TEST(PointMath, FuzzyEqualIncludesTheBounds)
{
    EXPECT_TRUE(ksPointFuzzyEqual(ksp(1, 1), ksp(1.5f, 0.5f), 0.5f));
    EXPECT_FALSE(ksPointFuzzyEqual(ksp(1, 1), ksp(1.5f, 0.4f), 0.5f));
}

TEST(PointMath, NextPowerOfTwo)
{
    EXPECT_EQ(ksNextPowerOfTwo(1), 1u);
    EXPECT_EQ(ksNextPowerOfTwo(3), 4u);
    EXPECT_EQ(ksNextPowerOfTwo(64), 64u);
    EXPECT_EQ(ksNextPowerOfTwo(65), 128u);
    EXPECT_EQ(ksNextPowerOfTwo(0x80000000u), 0x80000000u);
}
