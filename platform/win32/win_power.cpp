#include "platform/win32/win_power.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/win_module.h"

namespace {

bool g_override = false;
SYSTEM_POWER_STATUS g_figures;
bool g_fails = false;
std::string g_root = "/sys/class/power_supply";

// First line of a small sysfs attribute, without its line break; empty when unreadable.
std::string ReadAttribute(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return std::string();
    char buf[128];
    std::string out;
    if (std::fgets(buf, sizeof(buf), f)) out = buf;
    std::fclose(f);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

void ReadMachine(SYSTEM_POWER_STATUS* s) {
    std::memset(s, 0, sizeof(*s));
    s->ACLineStatus = AC_LINE_UNKNOWN;
    s->BatteryFlag = BATTERY_FLAG_NO_BATTERY;
    s->BatteryLifePercent = BATTERY_PERCENTAGE_UNKNOWN;
    s->BatteryLifeTime = BATTERY_LIFE_UNKNOWN;
    s->BatteryFullLifeTime = BATTERY_LIFE_UNKNOWN;

    DIR* dir = opendir(g_root.c_str());
    if (!dir) return;
    bool mains = false, mainsOnline = false, battery = false, charging = false, discharging = false;
    int percent = -1;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::string base = g_root + "/" + e->d_name + "/";
        std::string type = ReadAttribute(base + "type");
        if (type == "Mains") {
            mains = true;
            if (ReadAttribute(base + "online") == "1") mainsOnline = true;
        } else if (type == "Battery") {
            // Peripheral batteries (mice, pads) are not the system battery.
            std::string scope = ReadAttribute(base + "scope");
            if (scope == "Device") continue;
            if (ReadAttribute(base + "present") == "0") continue;
            if (battery) continue;  // the first system battery speaks for the machine
            battery = true;
            std::string capacity = ReadAttribute(base + "capacity");
            if (!capacity.empty()) {
                int c = std::atoi(capacity.c_str());
                percent = c < 0 ? 0 : c > 100 ? 100 : c;
            }
            std::string status = ReadAttribute(base + "status");
            charging = status == "Charging";
            discharging = status == "Discharging";
        }
    }
    closedir(dir);

    if (mains)
        s->ACLineStatus = mainsOnline ? AC_LINE_ONLINE : AC_LINE_OFFLINE;
    else if (battery && (charging || discharging))
        s->ACLineStatus = discharging ? AC_LINE_OFFLINE : AC_LINE_ONLINE;
    if (!battery) return;
    if (percent < 0) {
        s->BatteryFlag = BATTERY_FLAG_UNKNOWN;
        return;
    }
    s->BatteryLifePercent = static_cast<BYTE>(percent);
    s->BatteryFlag = percent > 66 ? BATTERY_FLAG_HIGH : percent < 5 ? BATTERY_FLAG_CRITICAL
                                                      : percent < 33 ? BATTERY_FLAG_LOW : 0;
    if (charging) s->BatteryFlag |= BATTERY_FLAG_CHARGING;
}

// The function the engine finds by name in "kernel32.dll".
const bool g_registered = [] {
    platform::RegisterKernelExport("GetSystemPowerStatus", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&GetSystemPowerStatus)));
    return true;
}();

}  // namespace

BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS* status) {
    if (!status || g_fails) return FALSE;
    if (g_override)
        *status = g_figures;
    else
        ReadMachine(status);
    return TRUE;
}

namespace platform {
void SetPowerStatusForTest(const SYSTEM_POWER_STATUS* status) {
    g_override = status != nullptr;
    if (status) g_figures = *status;
}
void SetPowerStatusFails(bool fails) { g_fails = fails; }
void SetPowerSupplyRoot(const char* folder) { g_root = folder ? folder : "/sys/class/power_supply"; }
}  // namespace platform
