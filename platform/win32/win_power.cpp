#include "platform/win32/win_power.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

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

DIR* g_dir = nullptr;  // the open folder of g_root, read again from its start on every call

// First line of a small sysfs attribute, without its line break, into out (empty when
// unreadable). Plain system calls and stack buffers: a poll allocates nothing.
void ReadAttribute(const char* entry, const char* name, char (&out)[128]) {
    out[0] = 0;
    char path[PATH_MAX];
    int len = std::snprintf(path, sizeof(path), "%s/%s/%s", g_root.c_str(), entry, name);
    if (len < 0 || len >= int(sizeof(path))) return;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ssize_t n = read(fd, out, sizeof(out) - 1);
    close(fd);
    out[n > 0 ? n : 0] = 0;
    if (char* nl = std::strchr(out, '\n')) *nl = 0;
    size_t end = std::strlen(out);
    while (end > 0 && (out[end - 1] == '\r' || out[end - 1] == ' ')) out[--end] = 0;
}

void ReadMachine(SYSTEM_POWER_STATUS* s) {
    std::memset(s, 0, sizeof(*s));
    s->ACLineStatus = AC_LINE_UNKNOWN;
    s->BatteryFlag = BATTERY_FLAG_NO_BATTERY;
    s->BatteryLifePercent = BATTERY_PERCENTAGE_UNKNOWN;
    s->BatteryLifeTime = BATTERY_LIFE_UNKNOWN;
    s->BatteryFullLifeTime = BATTERY_LIFE_UNKNOWN;

    if (g_dir)
        rewinddir(g_dir);  // supplies that came or went since the last call show
    else
        g_dir = opendir(g_root.c_str());
    if (!g_dir) return;
    bool mains = false, mainsOnline = false, battery = false, charging = false, discharging = false;
    int percent = -1;
    char value[128];
    while (dirent* e = readdir(g_dir)) {
        if (e->d_name[0] == '.') continue;
        ReadAttribute(e->d_name, "type", value);
        if (!std::strcmp(value, "Mains")) {
            mains = true;
            ReadAttribute(e->d_name, "online", value);
            if (!std::strcmp(value, "1")) mainsOnline = true;
        } else if (!std::strcmp(value, "Battery")) {
            // Peripheral batteries (mice, pads) are not the system battery.
            ReadAttribute(e->d_name, "scope", value);
            if (!std::strcmp(value, "Device")) continue;
            ReadAttribute(e->d_name, "present", value);
            if (!std::strcmp(value, "0")) continue;
            if (battery) continue;  // the first system battery speaks for the machine
            battery = true;
            ReadAttribute(e->d_name, "capacity", value);
            if (value[0]) {
                int c = std::atoi(value);
                percent = c < 0 ? 0 : c > 100 ? 100 : c;
            }
            ReadAttribute(e->d_name, "status", value);
            charging = !std::strcmp(value, "Charging");
            discharging = !std::strcmp(value, "Discharging");
        }
    }

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
void SetPowerSupplyRoot(const char* folder) {
    g_root = folder ? folder : "/sys/class/power_supply";
    if (g_dir) closedir(g_dir);
    g_dir = nullptr;
}
}  // namespace platform
