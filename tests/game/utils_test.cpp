// The game's helpers and its random generator, at their edges and exact values.
#include "game/utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

TEST(GameUtils, ClampsTestTheLowBoundFirst) {
    EXPECT_EQ(ClampInt(5, 10, 0), 10);
    EXPECT_EQ(ClampInt(-3, 0, 9), 0);
    EXPECT_EQ(ClampInt(4, 0, 9), 4);
    EXPECT_EQ(ClampInt(9, 0, 9), 9);
    EXPECT_EQ(ClampInt(12, 0, 9), 9);
    EXPECT_EQ(ClampFloat(5.0f, 10.0f, 0.0f), 10.0f);
    EXPECT_EQ(ClampFloat(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(ClampFloat(1.5f, 0.0f, 1.0f), 1.0f);
}

TEST(GameUtils, MinAndMaxOfEqualValuesGiveTheSecond) {
    EXPECT_TRUE(std::signbit(MinFloat(0.0f, -0.0f)));
    EXPECT_FALSE(std::signbit(MinFloat(-0.0f, 0.0f)));
    EXPECT_TRUE(std::signbit(MaxFloat(0.0f, -0.0f)));
    EXPECT_FALSE(std::signbit(MaxFloat(-0.0f, 0.0f)));
    EXPECT_EQ(MinFloat(1.0f, 2.0f), 1.0f);
    EXPECT_EQ(MaxFloat(1.0f, 2.0f), 2.0f);
    EXPECT_EQ(MinInt(3, -4), -4);
    EXPECT_EQ(MaxInt(3, -4), 3);
}

TEST(GameUtils, WrapMovesByOnePeriodAtMost) {
    EXPECT_FLOAT_EQ(WrapFloat(350.0f, 30.0f, 0.0f, 360.0f), 20.0f);
    EXPECT_FLOAT_EQ(WrapFloat(350.0f, 800.0f, 0.0f, 360.0f), 790.0f);
    EXPECT_FLOAT_EQ(WrapFloat(10.0f, -30.0f, 0.0f, 360.0f), 340.0f);
    EXPECT_FLOAT_EQ(WrapFloat(0.0f, 360.0f, 0.0f, 360.0f), 0.0f);
    EXPECT_FLOAT_EQ(WrapUnit(0.75f, 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(WrapUnit(0.25f, -0.5f), 0.75f);
    EXPECT_FLOAT_EQ(WrapUnit(0.5f, 0.5f), 0.0f);
}

TEST(GameUtils, Interpolations) {
    EXPECT_FLOAT_EQ(TriangleEase(0.0f, 2.0f, 6.0f), 2.0f);
    EXPECT_FLOAT_EQ(TriangleEase(0.25f, 2.0f, 6.0f), 4.0f);
    EXPECT_FLOAT_EQ(TriangleEase(0.5f, 2.0f, 6.0f), 6.0f);
    EXPECT_FLOAT_EQ(TriangleEase(1.0f, 2.0f, 6.0f), 2.0f);
    EXPECT_FLOAT_EQ(Lerp(0.25f, 4.0f, 8.0f), 5.0f);
    EXPECT_FLOAT_EQ(Mix(4.0f, 8.0f, 0.25f), 5.0f);
    EXPECT_FLOAT_EQ(SineEase(0.0f, 0.0f, 10.0f), 5.0f);
    EXPECT_NEAR(SineEase(0.25f, 0.0f, 10.0f), 10.0f, 1e-5f);
    EXPECT_NEAR(SineEase(0.75f, 0.0f, 10.0f), 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(DegToRad(180.0f), 3.1415927f);
    EXPECT_FLOAT_EQ(DegToRad(90.0f), 3.1415927f / 2.0f);
    EXPECT_EQ(PickLast(1.0f, 2.0f, 3.0f, 4.0f, 5.0f), 5.0f);
}

TEST(GameUtils, UnitToIntRangeInEitherOrder) {
    EXPECT_EQ(UnitToIntRange(0.0f, 3, 7), 3);
    EXPECT_EQ(UnitToIntRange(0.5f, 3, 7), 5);
    EXPECT_EQ(UnitToIntRange(0.99f, 3, 7), 7);
    EXPECT_EQ(UnitToIntRange(1.0f, 3, 7), 7);
    EXPECT_EQ(UnitToIntRange(0.0f, 7, 3), 7);
    EXPECT_EQ(UnitToIntRange(1.0f, 7, 3), 3);
    EXPECT_EQ(UnitToIntRange(-2.0f, 3, 7), 3);
    EXPECT_EQ(UnitToIntRange(5.0f, 3, 7), 7);
    EXPECT_EQ(UnitToIntRange(0.5f, 4, 4), 4);
}

TEST(GameUtils, UnitToIntRangeClampsEveryMagnitude) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float top : {1e10f, 3e9f, 1e30f, inf, std::numeric_limits<float>::max()}) {
        EXPECT_EQ(UnitToIntRange(top, 3, 7), 7) << top;
        EXPECT_EQ(UnitToIntRange(-top, 3, 7), 3) << top;
        EXPECT_EQ(UnitToIntRange(top, 7, 3), 3) << top;
        EXPECT_EQ(UnitToIntRange(-top, 7, 3), 7) << top;
    }
    // NaN gives the value at t 0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(UnitToIntRange(nan, 3, 7), 3);
    EXPECT_EQ(UnitToIntRange(nan, 7, 3), 7);
    // The widest bounds: no overflow in the count or the sum.
    EXPECT_EQ(UnitToIntRange(0.0f, INT_MIN, INT_MAX), INT_MIN);
    EXPECT_EQ(UnitToIntRange(1.0f, INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(UnitToIntRange(0.5f, INT_MIN, INT_MAX), 0);
    EXPECT_EQ(UnitToIntRange(1e10f, INT_MAX, INT_MIN), INT_MIN);
    EXPECT_EQ(UnitToIntRange(-1e10f, INT_MAX, INT_MIN), INT_MAX);
    // Inside 0..1 the shares are unchanged.
    EXPECT_EQ(UnitToIntRange(0.2f, 0, 4), 1);
    EXPECT_EQ(UnitToIntRange(0.19f, 0, 4), 0);
    EXPECT_EQ(UnitToIntRange(0.2f, 4, 0), 3);
    EXPECT_EQ(UnitToIntRange(-0.1f, 3, 7), 3);
}

TEST(GameUtils, RemapClampsIntoTheOutputRange) {
    EXPECT_FLOAT_EQ(RemapClamped(5.0f, 0.0f, 10.0f, 100.0f, 200.0f), 150.0f);
    EXPECT_FLOAT_EQ(RemapClamped(-5.0f, 0.0f, 10.0f, 100.0f, 200.0f), 100.0f);
    EXPECT_FLOAT_EQ(RemapClamped(25.0f, 0.0f, 10.0f, 100.0f, 200.0f), 200.0f);
    EXPECT_FLOAT_EQ(RemapClamped(15.0f, 0.0f, 10.0f, 200.0f, 100.0f), 100.0f);
    EXPECT_FLOAT_EQ(RemapClamped(-15.0f, 0.0f, 10.0f, 200.0f, 100.0f), 200.0f);
    EXPECT_FLOAT_EQ(RemapClamped(5.0f, 10.0f, 0.0f, 0.0f, 1.0f), 0.5f);
    // The journey's schedule and river widths.
    EXPECT_NEAR(RemapClamped(1.0f, 0.0f, 9.0f, 150.0f, 850.0f), 227.7778f, 1e-3f);
    EXPECT_NEAR(RemapClamped(150.0f, 0.0f, 1000.0f, 8.0f, 2.0f), 7.1f, 1e-5f);
    EXPECT_NEAR(RemapClamped(850.0f, 0.0f, 1000.0f, 8.0f, 2.0f), 2.9f, 1e-5f);
}

TEST(GameUtils, FloorDivisionAndPositiveModulo) {
    EXPECT_EQ(FloorDiv(-1, 4), -1);
    EXPECT_EQ(FloorDiv(-4, 4), -1);
    EXPECT_EQ(FloorDiv(-5, 4), -2);
    EXPECT_EQ(FloorDiv(7, 4), 1);
    EXPECT_EQ(FloorDiv(0, 4), 0);
    EXPECT_EQ(PositiveMod(-1, 5), 4);
    EXPECT_EQ(PositiveMod(-5, 5), 0);
    EXPECT_EQ(PositiveMod(-6, 5), 4);
    EXPECT_EQ(PositiveMod(7, 5), 2);
    // Undefined divisors do not trap.
    EXPECT_EQ(FloorDiv(3, 0), 0);
    EXPECT_EQ(PositiveMod(3, 0), 0);
}

TEST(GameRandom, ExactSequence) {
    SeedRandom(12345);
    EXPECT_EQ(g_RandomSeed, 12345u);
    EXPECT_EQ(RandomInt(100), 0u);
    EXPECT_EQ(RandomInt(7), 6u);
    EXPECT_EQ(RandomInt(1000), 740u);
    EXPECT_EQ(RandomInt(2), 1u);
    EXPECT_EQ(RandomInt(65536), 22484u);
    EXPECT_EQ(g_RandomSeed, 2529458780u);
}

TEST(GameRandom, FromStateZero) {
    g_RandomSeed = 0;
    EXPECT_EQ(RandomInt(10), 8u);
    EXPECT_EQ(g_RandomSeed, 2531011u);
}

TEST(GameRandom, RandomIntOfOneStillAdvances) {
    SeedRandom(99);
    EXPECT_EQ(RandomInt(1), 0u);
    EXPECT_EQ(g_RandomSeed, 99u * 214013u + 2531011u);
    EXPECT_EQ(RandomInt(0), 0u);  // undefined bound: no trap, still a step
}

TEST(GameRandom, FloatsExactly) {
    SeedRandom(777);
    EXPECT_EQ(RandomUnit(), 0.03929198160767555f);
    EXPECT_EQ(RandomFloat(2.0f, 12.0f), 2.5174334049224854f);
}

TEST(GameRandom, UpperBitsAllOnesGiveTheTopEnd) {
    g_RandomSeed = 1880880705u;  // steps to 0xFFFF0000
    EXPECT_EQ(RandomUnit(), 1.0f);
    g_RandomSeed = 3887973612u;  // steps to 0xFFFFFFFF
    EXPECT_EQ(RandomFloat(0.5f, 2.0f), 2.0f);
    g_RandomSeed = 1880880705u;
    EXPECT_EQ(RandomFloat(-3.0f, 7.0f), 7.0f);
}

TEST(GameRandom, FloatsStayInRange) {
    SeedRandom(4242);
    for (int i = 0; i < 10000; ++i) {
        float u = RandomUnit();
        ASSERT_GE(u, 0.0f);
        ASSERT_LE(u, 1.0f);
        float f = RandomFloat(0.5f, 5.0f);
        ASSERT_GE(f, 0.5f);
        ASSERT_LE(f, 5.0f);
    }
}

TEST(GameRandom, SeedZeroTakesTheClock) {
    SeedRandom(0);
    uint32_t a = g_RandomSeed;
    uint32_t now = GetTimeMs();
    // The clock moves on between the two reads at most a little.
    EXPECT_LE(now - a, 1000u);
}
