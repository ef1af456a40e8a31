#include "platform/backend/sdl_input.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>

#include "platform/backend/headless.h"
#include "platform/backend/sdl_input_map.h"
#include "platform/win32/win_keyboard.h"

namespace platform {

namespace {

struct KeyRow {
    SDL_Scancode sdl;
    int vk;
    int scan;
    bool extended;
};

const KeyRow kKeys[] = {
    {SDL_SCANCODE_A, 'A', 0x1E, false}, {SDL_SCANCODE_B, 'B', 0x30, false}, {SDL_SCANCODE_C, 'C', 0x2E, false},
    {SDL_SCANCODE_D, 'D', 0x20, false}, {SDL_SCANCODE_E, 'E', 0x12, false}, {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false}, {SDL_SCANCODE_H, 'H', 0x23, false}, {SDL_SCANCODE_I, 'I', 0x17, false},
    {SDL_SCANCODE_J, 'J', 0x24, false}, {SDL_SCANCODE_K, 'K', 0x25, false}, {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_M, 'M', 0x32, false}, {SDL_SCANCODE_N, 'N', 0x31, false}, {SDL_SCANCODE_O, 'O', 0x18, false},
    {SDL_SCANCODE_P, 'P', 0x19, false}, {SDL_SCANCODE_Q, 'Q', 0x10, false}, {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_S, 'S', 0x1F, false}, {SDL_SCANCODE_T, 'T', 0x14, false}, {SDL_SCANCODE_U, 'U', 0x16, false},
    {SDL_SCANCODE_V, 'V', 0x2F, false}, {SDL_SCANCODE_W, 'W', 0x11, false}, {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_Y, 'Y', 0x15, false}, {SDL_SCANCODE_Z, 'Z', 0x2C, false},
    {SDL_SCANCODE_1, '1', 0x02, false}, {SDL_SCANCODE_2, '2', 0x03, false}, {SDL_SCANCODE_3, '3', 0x04, false},
    {SDL_SCANCODE_4, '4', 0x05, false}, {SDL_SCANCODE_5, '5', 0x06, false}, {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false}, {SDL_SCANCODE_8, '8', 0x09, false}, {SDL_SCANCODE_9, '9', 0x0A, false},
    {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false}, {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false}, {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false}, {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false}, {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B, false}, {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false}, {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false}, {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false}, {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_F1, VK_F1, 0x3B, false}, {SDL_SCANCODE_F2, VK_F2, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F3, 0x3D, false}, {SDL_SCANCODE_F4, VK_F4, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F5, 0x3F, false}, {SDL_SCANCODE_F6, VK_F6, 0x40, false},
    {SDL_SCANCODE_F7, VK_F7, 0x41, false}, {SDL_SCANCODE_F8, VK_F8, 0x42, false},
    {SDL_SCANCODE_F9, VK_F9, 0x43, false}, {SDL_SCANCODE_F10, VK_F10, 0x44, false},
    {SDL_SCANCODE_F11, VK_F11, 0x57, false}, {SDL_SCANCODE_F12, VK_F12, 0x58, false},
    {SDL_SCANCODE_PRINTSCREEN, 0x2C, 0x37, true}, {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false}, {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true}, {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true}, {SDL_SCANCODE_END, VK_END, 0x4F, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true}, {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true}, {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true}, {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true}, {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false}, {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, 0x4F, false}, {SDL_SCANCODE_KP_2, VK_NUMPAD2, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, 0x51, false}, {SDL_SCANCODE_KP_4, VK_NUMPAD4, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x4C, false}, {SDL_SCANCODE_KP_6, VK_NUMPAD6, 0x4D, false},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, 0x47, false}, {SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, 0x49, false}, {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53, false}, {SDL_SCANCODE_NONUSBACKSLASH, 0xE2, 0x56, false},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false}, {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false}, {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true}, {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, true}, {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true},
};

// The keypad's second meaning with Num Lock off.
int NavigationKey(int numpadVk) {
    switch (numpadVk) {
    case VK_NUMPAD0: return VK_INSERT;
    case VK_NUMPAD1: return VK_END;
    case VK_NUMPAD2: return VK_DOWN;
    case VK_NUMPAD3: return VK_NEXT;
    case VK_NUMPAD4: return VK_LEFT;
    case VK_NUMPAD5: return 0x0C;  // VK_CLEAR
    case VK_NUMPAD6: return VK_RIGHT;
    case VK_NUMPAD7: return VK_HOME;
    case VK_NUMPAD8: return VK_UP;
    case VK_NUMPAD9: return VK_PRIOR;
    case VK_DECIMAL: return VK_DELETE;
    default: return numpadVk;
    }
}

struct Click {
    int button = -1;
    HWND window = nullptr;
    Uint32 time = 0;
    POINT at{0, 0};
    bool wasDouble = false;
};
Click g_lastClick;
const Uint32 kDoubleClickMs = 500;

HWND KeyTarget(HWND hwnd) {
    HWND focus = GetFocus();
    return focus ? focus : hwnd;
}

WPARAM MouseKeys(Uint32 buttons, Uint16 mod) {
    WPARAM mk = 0;
    if (buttons & SDL_BUTTON_LMASK) mk |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) mk |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) mk |= MK_MBUTTON;
    if (mod & KMOD_SHIFT) mk |= MK_SHIFT;
    if (mod & KMOD_CTRL) mk |= MK_CONTROL;
    return mk;
}

// The window a mouse message at (x, y) of the top-level window's client area goes to, with
// the point turned into that window's client coordinates: the capture window, else the
// window under the point, else the top-level window itself.
HWND MouseTarget(HWND top, int x, int y, POINT* client) {
    POINT pt{x, y};
    ClientToScreen(top, &pt);
    HWND target = GetCapture();
    if (!target) target = WindowFromPoint(pt);
    if (!target) target = top;
    ScreenToClient(target, &pt);
    *client = pt;
    return target;
}

// The lock keys start as the host has them, also when a mouse message comes first (its
// modifier flags read them).
void TakeHostLockKeys() {
    if (LockKeyTogglesSet()) return;
    SDL_Keymod mod = SDL_GetModState();
    SetLockKeyToggles((mod & KMOD_CAPS) != 0, (mod & KMOD_NUM) != 0, (mod & KMOD_SCROLL) != 0);
}

bool TranslateKey(const SDL_KeyboardEvent& k, HWND hwnd) {
    bool down = k.type == SDL_KEYDOWN;
    Uint16 mod = k.keysym.mod;
    if (!LockKeyTogglesSet()) {
        // The lock keys start as the host has them; a lock key pressed now is counted by
        // its own message, so its state before this press is taken.
        bool caps = (mod & KMOD_CAPS) != 0, num = (mod & KMOD_NUM) != 0, scroll = (mod & KMOD_SCROLL) != 0;
        if (down && !k.repeat) {
            if (k.keysym.scancode == SDL_SCANCODE_CAPSLOCK) caps = !caps;
            if (k.keysym.scancode == SDL_SCANCODE_NUMLOCKCLEAR) num = !num;
            if (k.keysym.scancode == SDL_SCANCODE_SCROLLLOCK) scroll = !scroll;
        }
        SetLockKeyToggles(caps, num, scroll);
    }
    SdlKeyInfo key = SdlKeyOf(k.keysym.scancode, (mod & KMOD_NUM) != 0);
    if (!key.vk) return false;
    bool alt = (mod & KMOD_ALT) != 0;
    bool ctrl = (mod & KMOD_CTRL) != 0;
    // Alt combinations (Alt itself included) and F10 are system keys; Ctrl+Alt is not.
    bool system = (alt && !ctrl) || key.vk == VK_F10 || (!down && key.vk == VK_MENU && !ctrl);
    UINT msg = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD lp = 1u | (static_cast<DWORD>(key.scan & 0xFF) << 16);
    if (key.extended) lp |= 1u << 24;
    if (alt) lp |= 1u << 29;
    if (!down || k.repeat) lp |= 1u << 30;
    if (!down) lp |= 1u << 31;
    PostMessageA(KeyTarget(hwnd), msg, static_cast<WPARAM>(key.vk), static_cast<LPARAM>(lp));
    return true;
}

bool TranslateButton(const SDL_MouseButtonEvent& b, HWND hwnd) {
    UINT downMsg, upMsg, dblMsg;
    switch (b.button) {
    case SDL_BUTTON_LEFT: downMsg = WM_LBUTTONDOWN; upMsg = WM_LBUTTONUP; dblMsg = WM_LBUTTONDBLCLK; break;
    case SDL_BUTTON_RIGHT: downMsg = WM_RBUTTONDOWN; upMsg = WM_RBUTTONUP; dblMsg = WM_RBUTTONDBLCLK; break;
    case SDL_BUTTON_MIDDLE: downMsg = WM_MBUTTONDOWN; upMsg = WM_MBUTTONUP; dblMsg = WM_MBUTTONDBLCLK; break;
    default: return false;
    }
    POINT pt;
    HWND target = MouseTarget(hwnd, b.x, b.y, &pt);
    UINT msg = upMsg;
    if (b.type == SDL_MOUSEBUTTONDOWN) {
        // A second press of the same button on the same window, within the double-click time
        // and box, is a double click for windows whose class asks; a third is a press again.
        POINT screen = pt;
        ClientToScreen(target, &screen);
        const Click& last = g_lastClick;
        bool dbl = last.button == b.button && last.window == target && !last.wasDouble &&
                   b.timestamp - last.time <= kDoubleClickMs &&
                   std::abs(screen.x - last.at.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                   std::abs(screen.y - last.at.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2 &&
                   (headless::Inspect(target).classStyle & CS_DBLCLKS);
        g_lastClick = Click{b.button, target, b.timestamp, screen, dbl};
        msg = dbl ? dblMsg : downMsg;
    }
    PostMessageA(target, msg, MouseKeys(SDL_GetMouseState(nullptr, nullptr), SDL_GetModState()),
                 MAKELPARAM(pt.x, pt.y));
    return true;
}

bool TranslateMotion(const SDL_MouseMotionEvent& m, HWND hwnd) {
    POINT pt;
    HWND target = MouseTarget(hwnd, m.x, m.y, &pt);
    PostMessageA(target, WM_MOUSEMOVE, MouseKeys(m.state, SDL_GetModState()), MAKELPARAM(pt.x, pt.y));
    return true;
}

bool TranslateWheel(const SDL_MouseWheelEvent& w, HWND hwnd) {
    float notches = w.preciseY;
    if (w.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    long delta = std::lround(notches * WHEEL_DELTA);
    if (delta > 32767) delta = 32767;
    if (delta < -32768) delta = -32768;
    if (delta == 0) return true;
    POINT screen{w.mouseX, w.mouseY};
    ClientToScreen(hwnd, &screen);  // wheel positions are screen coordinates
    WPARAM wp = MAKEWPARAM(MouseKeys(SDL_GetMouseState(nullptr, nullptr), SDL_GetModState()), delta);
    PostMessageA(KeyTarget(hwnd), WM_MOUSEWHEEL, wp, MAKELPARAM(screen.x, screen.y));
    return true;
}

}  // namespace

SdlKeyInfo SdlKeyOf(int sdlScancode, bool numLock) {
    for (const KeyRow& row : kKeys) {
        if (row.sdl != sdlScancode) continue;
        SdlKeyInfo info{row.vk, row.scan, row.extended};
        if (!numLock) info.vk = NavigationKey(info.vk);
        return info;
    }
    return SdlKeyInfo{0, 0, false};
}

bool SdlTranslateInputEvent(const void* sdlEvent, HWND window) {
    if (!sdlEvent || !window) return false;
    const SDL_Event& e = *static_cast<const SDL_Event*>(sdlEvent);
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: return TranslateKey(e.key, window);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: TakeHostLockKeys(); return TranslateButton(e.button, window);
    case SDL_MOUSEMOTION: TakeHostLockKeys(); return TranslateMotion(e.motion, window);
    case SDL_MOUSEWHEEL: TakeHostLockKeys(); return TranslateWheel(e.wheel, window);
    default: return false;
    }
}

void InputMessageRemoved(const MSG* msg) { KeyboardMessageRemoved(msg); }

}  // namespace platform
