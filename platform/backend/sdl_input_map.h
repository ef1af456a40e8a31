// The SDL backend's key table: SDL scan codes (positions on the keyboard) to the virtual-key
// codes of a US layout and the PC scan codes (set 1) that key messages carry.
#pragma once

namespace platform {

struct SdlKeyInfo {
    int vk;         // virtual-key code, 0 when the key has none
    int scan;       // PC scan code, set 1
    bool extended;  // bit 24 of the key message's lParam
};

// With Num Lock off the numeric keypad gives the navigation keys, as the real keyboard does.
SdlKeyInfo SdlKeyOf(int sdlScancode, bool numLock);

}  // namespace platform
