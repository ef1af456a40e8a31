#include "platform/win32/win_keyboard.h"

#include <cstring>

#include "platform/win32/win_user.h"

namespace {

BYTE g_state[256];
bool g_locksSet = false;

// PC scan codes (set 1) of the left and right Shift keys.
const UINT kRightShiftScan = 0x36;

bool Down(BYTE b) { return (b & 0x80) != 0; }

void SetDown(int vk, bool down) {
    if (down) {
        // A press of a key that was up flips its toggle bit.
        if (!Down(g_state[vk])) g_state[vk] ^= 0x01;
        g_state[vk] |= 0x80;
    } else {
        g_state[vk] &= static_cast<BYTE>(~0x80);
    }
}

// The generic modifier codes are down while either side is.
void SyncGeneric(int generic, int left, int right) {
    bool down = Down(g_state[left]) || Down(g_state[right]);
    g_state[generic] = static_cast<BYTE>((g_state[generic] & 0x01) | (down ? 0x80 : 0));
}

void KeyChange(WPARAM wparam, LPARAM lparam, bool down) {
    int vk = static_cast<int>(wparam & 0xFF);
    if (vk != static_cast<int>(wparam)) return;  // not a key code
    UINT scan = static_cast<UINT>((lparam >> 16) & 0xFF);
    bool extended = ((lparam >> 24) & 1) != 0;
    switch (vk) {
    case VK_SHIFT:
        SetDown(scan == kRightShiftScan ? VK_RSHIFT : VK_LSHIFT, down);
        SyncGeneric(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
        break;
    case VK_CONTROL:
        SetDown(extended ? VK_RCONTROL : VK_LCONTROL, down);
        SyncGeneric(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
        break;
    case VK_MENU:
        SetDown(extended ? VK_RMENU : VK_LMENU, down);
        SyncGeneric(VK_MENU, VK_LMENU, VK_RMENU);
        break;
    default:
        SetDown(vk, down);
        break;
    }
}

char Shifted(UINT vk, bool shift) {
    static const char digits[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return shift ? digits[vk - '0'] : static_cast<char>(vk);
    switch (vk) {
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
    }
}

int Character(UINT vk, const BYTE* state) {
    bool shift = Down(state[VK_SHIFT]);
    bool ctrl = Down(state[VK_CONTROL]);
    bool alt = Down(state[VK_MENU]);
    bool caps = (state[VK_CAPITAL] & 0x01) != 0;
    if (ctrl && alt) return 0;  // the US layout has no AltGr characters
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return static_cast<int>(vk - 'A' + 1);
        return (shift != caps) ? static_cast<int>(vk) : static_cast<int>(vk - 'A' + 'a');
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return ctrl ? 0 : static_cast<int>('0' + vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return ctrl ? 10 : 13;
    case VK_BACK: return ctrl ? 127 : 8;
    case VK_TAB: return ctrl ? 0 : 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return ctrl ? 0 : '*';
    case VK_ADD: return ctrl ? 0 : '+';
    case VK_SUBTRACT: return ctrl ? 0 : '-';
    case VK_DECIMAL: return ctrl ? 0 : '.';
    case VK_DIVIDE: return ctrl ? 0 : '/';
    default: break;
    }
    if (ctrl) {
        switch (vk) {
        case VK_OEM_4: return 27;
        case VK_OEM_5: return 28;
        case VK_OEM_6: return 29;
        default: return 0;
        }
    }
    return static_cast<unsigned char>(Shifted(vk, shift));
}

}  // namespace

BOOL GetKeyboardState(BYTE* state) {
    if (!state) return FALSE;
    std::memcpy(state, g_state, sizeof(g_state));
    return TRUE;
}

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    BYTE b = g_state[virtualKey];
    return static_cast<SHORT>((Down(b) ? 0xFF80 : 0) | (b & 0x01));
}

int ToAscii(UINT virtualKey, UINT /*scanCode*/, const BYTE* keyState, WORD* chars, UINT /*flags*/) {
    if (!keyState || !chars || virtualKey > 255) return 0;
    int c = Character(virtualKey, keyState);
    if (!c) return 0;
    *chars = static_cast<WORD>(c);
    return 1;
}

namespace platform {

void KeyboardMessageRemoved(const MSG* msg) {
    if (!msg) return;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: KeyChange(msg->wParam, msg->lParam, true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: KeyChange(msg->wParam, msg->lParam, false); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetDown(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: SetDown(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: SetDown(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: SetDown(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: SetDown(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: SetDown(VK_MBUTTON, false); break;
    default: break;
    }
}

void SetLockKeyToggles(bool capsLock, bool numLock, bool scrollLock) {
    auto set = [](int vk, bool on) { g_state[vk] = static_cast<BYTE>((g_state[vk] & 0x80) | (on ? 1 : 0)); };
    set(VK_CAPITAL, capsLock);
    set(VK_NUMLOCK, numLock);
    set(VK_SCROLL, scrollLock);
    g_locksSet = true;
}

bool LockKeyTogglesSet() { return g_locksSet; }

void ResetKeyboardState() {
    std::memset(g_state, 0, sizeof(g_state));
    g_locksSet = false;
}

}  // namespace platform
