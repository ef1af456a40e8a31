#include <gtest/gtest.h>

#include <climits>

#include "engine/engine.h"

namespace {

class Random : public ::testing::Test {
protected:
    void SetUp() override { engine = CreateEngine(ENGINE_VERSION); }
    void TearDown() override { engine->System_Release(); }
    Engine* engine = nullptr;
};

TEST_F(Random, KnownSequencesForFixedSeeds) {
    engine->Random_Seed(1);
    EXPECT_EQ(engine->Random_Int(0, 9), 9);
    EXPECT_EQ(engine->Random_Int(0, 9), 2);
    EXPECT_EQ(engine->Random_Int(0, 9), 7);

    engine->Random_Seed(1);
    EXPECT_EQ(engine->Random_Int(-5, 5), 1);

    engine->Random_Seed(1);
    const double k = 1.5259021893143654e-05;
    EXPECT_EQ(engine->Random_Float(0.0f, 1.0f), static_cast<float>(41 * k));
    EXPECT_NEAR(static_cast<float>(41 * k), 0.00062562f, 1e-8);
}

TEST_F(Random, DegenerateRangesStillAdvance) {
    engine->Random_Seed(1);
    EXPECT_EQ(engine->Random_Int(4, 4), 4);
    EXPECT_EQ(engine->Random_Int(0, 9), 2);  // second value of the seed-1 sequence
    EXPECT_EQ(engine->Random_Float(2.5f, 2.5f), 2.5f);
    EXPECT_EQ(engine->Random_Int(0, 9), 3);  // fourth: 9 2 7 3 ...
}

TEST_F(Random, SequenceIsSharedByEveryEngineUser) {
    Engine* other = CreateEngine(ENGINE_VERSION);
    engine->Random_Seed(1);
    EXPECT_EQ(engine->Random_Int(0, 9), 9);
    EXPECT_EQ(other->Random_Int(0, 9), 2);
    other->System_Release();
}

TEST_F(Random, ExtremeAndReversedRanges) {
    engine->Random_Seed(99);
    for (int i = 0; i < 100; ++i) {
        engine->Random_Int(INT_MIN, INT_MAX);  // the whole range: no division by zero
        int v = engine->Random_Int(INT_MAX - 1, INT_MAX);
        EXPECT_GE(v, INT_MAX - 1);
        int w = engine->Random_Int(10, 1);  // reversed: drawn between the two ends
        EXPECT_GE(w, 1);
        EXPECT_LE(w, 10);
    }
}

}  // namespace
