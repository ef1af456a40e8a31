#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"

TEST(EngineFactory, WrongVersionGivesNull) {
    EXPECT_EQ(CreateEngine(0x17F), nullptr);
    EXPECT_EQ(CreateEngine(0x181), nullptr);
}

TEST(EngineFactory, OneEngineCountedAndRebuiltWithDefaults) {
    Engine* a = CreateEngine(ENGINE_VERSION);
    Engine* b = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    b->System_Release();
    a->System_Release();
    Engine* c = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->System_GetErrorMessage(), "");
    c->System_Release();
}
