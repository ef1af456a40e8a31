#include "engine/engine_impl.h"

// The layer's GetSystemPowerStatus is found by name at run time; this reference only makes
// sure its definition (and its registration with "kernel32.dll") is linked into the program.
[[maybe_unused]] __attribute__((used)) static BOOL (*const linkPowerExport)(SYSTEM_POWER_STATUS*) =
    &GetSystemPowerStatus;

void EngineImpl::Power_Init() {
    krnl32 = LoadLibraryA("kernel32.dll");
    if (krnl32)
        getSystemPowerStatus =
            reinterpret_cast<GetSystemPowerStatusFunc>(
                reinterpret_cast<void (*)()>(GetProcAddress(krnl32, "GetSystemPowerStatus")));
    Power_Update();
}

void EngineImpl::Power_Update() {
    SYSTEM_POWER_STATUS ps;
    if (!getSystemPowerStatus || !getSystemPowerStatus(&ps))
        powerStatus = POWER_STATUS_UNKNOWN;
    else if (ps.ACLineStatus == 1)
        powerStatus = POWER_STATUS_AC;
    else if (ps.BatteryFlag >= 128)
        powerStatus = POWER_STATUS_UNKNOWN;
    else
        powerStatus = ps.BatteryLifePercent;
}

void EngineImpl::Power_Done() {
    if (krnl32) FreeLibrary(krnl32);
    // Nothing of the released module may be called after this.
    krnl32 = nullptr;
    getSystemPowerStatus = nullptr;
}
