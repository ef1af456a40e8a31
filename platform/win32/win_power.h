// Power status of the machine, from /sys/class/power_supply. The engine takes
// GetSystemPowerStatus by name from the virtual "kernel32.dll".
#pragma once

#include "platform/win32/win_types.h"

#define AC_LINE_OFFLINE 0
#define AC_LINE_ONLINE 1
#define AC_LINE_UNKNOWN 255
#define BATTERY_FLAG_HIGH 1
#define BATTERY_FLAG_LOW 2
#define BATTERY_FLAG_CRITICAL 4
#define BATTERY_FLAG_CHARGING 8
#define BATTERY_FLAG_NO_BATTERY 128
#define BATTERY_FLAG_UNKNOWN 255
#define BATTERY_PERCENTAGE_UNKNOWN 255
#define BATTERY_LIFE_UNKNOWN 0xFFFFFFFFu

struct SYSTEM_POWER_STATUS {
    BYTE ACLineStatus;
    BYTE BatteryFlag;
    BYTE BatteryLifePercent;
    BYTE SystemStatusFlag;
    DWORD BatteryLifeTime;
    DWORD BatteryFullLifeTime;
};

BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS* status);

namespace platform {
// Test figures: while set, GetSystemPowerStatus reports them instead of the machine's.
// Null goes back to the machine.
void SetPowerStatusForTest(const SYSTEM_POWER_STATUS* status);
// While set, GetSystemPowerStatus fails (returns FALSE).
void SetPowerStatusFails(bool fails);
// The folder read for power supplies ("/sys/class/power_supply" unless a test moves it).
void SetPowerSupplyRoot(const char* folder);
}  // namespace platform
