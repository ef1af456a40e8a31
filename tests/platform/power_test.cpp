#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/win32.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ScratchFolder;

struct PowerRoot {
    explicit PowerRoot(const ScratchFolder& dir) { platform::SetPowerSupplyRoot(dir.path().c_str()); }
    ~PowerRoot() { platform::SetPowerSupplyRoot(nullptr); }
};

SYSTEM_POWER_STATUS Read() {
    SYSTEM_POWER_STATUS s = {};
    EXPECT_TRUE(GetSystemPowerStatus(&s));
    return s;
}

TEST(Power, FoundByNameInKernel32) {
    HMODULE k = LoadLibraryA("KERNEL32.DLL");
    ASSERT_NE(k, nullptr);
    FARPROC fn = GetProcAddress(k, "GetSystemPowerStatus");
    EXPECT_EQ(reinterpret_cast<void (*)()>(fn), reinterpret_cast<void (*)()>(&GetSystemPowerStatus));
    EXPECT_TRUE(FreeLibrary(k));
}

TEST(Power, LaptopOnBatteryAndOnMains) {
    ScratchFolder dir("power_laptop");
    dir.Write("AC/type", "Mains\n");
    dir.Write("AC/online", "0\n");
    dir.Write("BAT0/type", "Battery\n");
    dir.Write("BAT0/capacity", "57\n");
    dir.Write("BAT0/status", "Discharging\n");
    dir.Write("hidpp_battery_0/type", "Battery\n");  // a mouse: not the system battery
    dir.Write("hidpp_battery_0/scope", "Device\n");
    dir.Write("hidpp_battery_0/capacity", "3\n");
    PowerRoot root(dir);

    SYSTEM_POWER_STATUS s = Read();
    EXPECT_EQ(s.ACLineStatus, 0);
    EXPECT_LT(s.BatteryFlag, 128);
    EXPECT_EQ(s.BatteryLifePercent, 57);

    dir.Write("AC/online", "1\n");
    dir.Write("BAT0/status", "Charging\n");
    s = Read();
    EXPECT_EQ(s.ACLineStatus, 1);
    EXPECT_EQ(s.BatteryFlag & BATTERY_FLAG_CHARGING, BATTERY_FLAG_CHARGING);
    EXPECT_EQ(s.BatteryLifePercent, 57);
}

TEST(Power, DesktopWithoutBattery) {
    ScratchFolder dir("power_desk");
    dir.Write("AC/type", "Mains\n");
    dir.Write("AC/online", "1\n");
    PowerRoot root(dir);
    SYSTEM_POWER_STATUS s = Read();
    EXPECT_EQ(s.ACLineStatus, 1);
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_NO_BATTERY);
    EXPECT_EQ(s.BatteryLifePercent, BATTERY_PERCENTAGE_UNKNOWN);

    // A supply that comes (a battery pack plugged in) shows at the next poll, and goes again.
    dir.Write("BAT2/type", "Battery\n");
    dir.Write("BAT2/capacity", "12\n");
    s = Read();
    EXPECT_EQ(s.BatteryLifePercent, 12);
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_LOW);
    std::filesystem::remove_all(dir.path() + "BAT2");
    s = Read();
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_NO_BATTERY);
}

TEST(Power, NoSuppliesAtAllAndBatteryWithoutMains) {
    ScratchFolder dir("power_none");
    {
        PowerRoot root(dir);
        SYSTEM_POWER_STATUS s = Read();
        EXPECT_EQ(s.ACLineStatus, AC_LINE_UNKNOWN);
        EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_NO_BATTERY);
    }
    dir.Write("BAT1/type", "Battery\n");
    dir.Write("BAT1/status", "Discharging\n");  // no capacity reported
    PowerRoot root(dir);
    SYSTEM_POWER_STATUS s = Read();
    EXPECT_EQ(s.ACLineStatus, 0);
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_UNKNOWN);
    EXPECT_EQ(s.BatteryLifePercent, BATTERY_PERCENTAGE_UNKNOWN);
}

}  // namespace
