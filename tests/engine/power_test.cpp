#include <gtest/gtest.h>

#include "engine/engine_impl.h"

namespace {

class Power : public ::testing::Test {
protected:
    void SetUp() override { engine = static_cast<EngineImpl*>(CreateEngine(ENGINE_VERSION)); }
    void TearDown() override {
        platform::SetPowerStatusForTest(nullptr);
        platform::SetPowerStatusFails(false);
        platform::RegisterKernelExport(
            "GetSystemPowerStatus", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&GetSystemPowerStatus)));
        engine->System_Release();
    }
    int StatusWith(BYTE line, BYTE flag, BYTE percent) {
        SYSTEM_POWER_STATUS s = {line, flag, percent, 0, BATTERY_LIFE_UNKNOWN, BATTERY_LIFE_UNKNOWN};
        platform::SetPowerStatusForTest(&s);
        engine->Power_Update();
        return engine->System_GetStateInt(STATE_POWER_STATUS);
    }
    EngineImpl* engine = nullptr;
};

TEST_F(Power, UnknownUntilInitiated) {
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
    engine->Power_Update();  // no function looked up yet
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
}

TEST_F(Power, StatusRules) {
    SYSTEM_POWER_STATUS mains = {1, BATTERY_FLAG_NO_BATTERY, 255, 0, 0, 0};
    platform::SetPowerStatusForTest(&mains);
    engine->Power_Init();
    EXPECT_NE(engine->krnl32, nullptr);
    EXPECT_NE(engine->getSystemPowerStatus, nullptr);
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_AC);

    EXPECT_EQ(StatusWith(1, BATTERY_FLAG_HIGH, 90), POWER_STATUS_AC);  // mains with a battery
    EXPECT_EQ(StatusWith(0, BATTERY_FLAG_LOW, 57), 57);
    EXPECT_EQ(StatusWith(0, 0, 255), 255);  // percent unknown to the platform
    EXPECT_EQ(StatusWith(0, BATTERY_FLAG_NO_BATTERY, 57), POWER_STATUS_UNKNOWN);
    EXPECT_EQ(StatusWith(255, BATTERY_FLAG_UNKNOWN, 255), POWER_STATUS_UNKNOWN);

    platform::SetPowerStatusFails(true);
    engine->Power_Update();
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
    platform::SetPowerStatusFails(false);

    engine->System_SetStateInt(STATE_POWER_STATUS, 33);  // read only
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);

    engine->Power_Done();
    EXPECT_EQ(engine->getSystemPowerStatus, nullptr);
    engine->Power_Update();
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
}

TEST_F(Power, MissingFunctionGivesUnknown) {
    platform::RegisterKernelExport("GetSystemPowerStatus", nullptr);
    SYSTEM_POWER_STATUS battery = {0, 0, 57, 0, 0, 0};
    platform::SetPowerStatusForTest(&battery);
    engine->Power_Init();
    EXPECT_EQ(engine->getSystemPowerStatus, nullptr);
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
    engine->Power_Done();
}

}  // namespace
