#include <cstring>

#include "engine/engine_impl.h"

namespace {

const char* const kKeyNames[256] = {
    "?", "Left Mouse Button", "Right Mouse Button", "?", "Middle Mouse Button", "?", "?", "?",
    "Backspace", "Tab", "?", "?", "?", "Enter", "?", "?",
    "Shift", "Ctrl", "Alt", "Pause", "Caps Lock", "?", "?", "?",
    "?", "?", "?", "Escape", "?", "?", "?", "?",
    "Space", "Page Up", "Page Down", "End", "Home", "Left Arrow", "Up Arrow", "Right Arrow",
    "Down Arrow", "?", "?", "?", "?", "Insert", "Delete", "?",
    "0", "1", "2", "3", "4", "5", "6", "7",
    "8", "9", "?", "?", "?", "?", "?", "?",
    "?", "A", "B", "C", "D", "E", "F", "G",
    "H", "I", "J", "K", "L", "M", "N", "O",
    "P", "Q", "R", "S", "T", "U", "V", "W",
    "X", "Y", "Z", "Left Win", "Right Win", "Application", "?", "?",
    "NumPad 0", "NumPad 1", "NumPad 2", "NumPad 3", "NumPad 4", "NumPad 5", "NumPad 6", "NumPad 7",
    "NumPad 8", "NumPad 9", "Multiply", "Add", "?", "Subtract", "Decimal", "Divide",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8",
    "F9", "F10", "F11", "F12", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "Num Lock", "Scroll Lock", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "Semicolon", "Equals", "Comma", "Minus", "Period", "Slash",
    "Grave", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "Left bracket", "Backslash", "Right bracket", "Apostrophe", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
    "?", "?", "?", "?", "?", "?", "?", "?",
};

// Key codes outside 0 to 255 have no key bits, no state and no name.
bool ValidKey(int key) { return key >= 0 && key <= 255; }

}  // namespace

void EngineImpl::Input_GetMousePos(float* x, float* y) {
    if (x) *x = mouseX;
    if (y) *y = mouseY;
}

void EngineImpl::Input_SetMousePos(float x, float y) {
    POINT pt{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(window, &pt);
    SetCursorPos(pt.x, pt.y);
}

int EngineImpl::Input_GetMouseWheel() { return wheel; }

bool EngineImpl::Input_IsMouseOver() { return mouseOver; }

bool EngineImpl::Input_KeyDown(int key) { return ValidKey(key) && (keyz[key] & 1) != 0; }

bool EngineImpl::Input_KeyUp(int key) { return ValidKey(key) && (keyz[key] & 2) != 0; }

bool EngineImpl::Input_GetKeyState(int key) { return ValidKey(key) && (GetKeyState(key) & 0x8000) != 0; }

const char* EngineImpl::Input_GetKeyName(int key) { return ValidKey(key) ? kKeyNames[key] : "?"; }

int EngineImpl::Input_GetKey() { return lastKey; }

int EngineImpl::Input_GetChar() { return lastChar; }

bool EngineImpl::Input_GetEvent(InputEvent* event) {
    if (!queue) return false;
    InputEventNode* node = queue;
    if (event) *event = node->event;
    queue = node->next;
    if (!queue) queueTail = nullptr;
    node->next = spareEvents;
    spareEvents = node;
    return true;
}

void EngineImpl::Input_Init() {
    POINT pt{0, 0};
    GetCursorPos(&pt);
    ScreenToClient(window, &pt);
    mouseX = static_cast<float>(pt.x);
    mouseY = static_cast<float>(pt.y);
    memset(keyz, 0, sizeof(keyz));
}

void EngineImpl::Input_UpdateMouse() {
    POINT pt{0, 0};
    RECT rc{0, 0, 0, 0};
    GetCursorPos(&pt);
    GetClientRect(window, &rc);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    mouseOver = captured || (PtInRect(&rc, pt) && WindowFromPoint(pt) == window);
}

void EngineImpl::Input_BuildEvent(int type, int key, int scan, int flags, int x, int y) {
    InputEventNode* node = spareEvents;
    if (node)
        spareEvents = node->next;
    else
        node = new InputEventNode;
    InputEvent& ev = node->event;
    memset(&ev, 0, sizeof(ev));
    ev.type = type;
    ev.chr = 0;
    node->next = nullptr;

    BYTE kbstate[256];
    GetKeyboardState(kbstate);

    bool valid = ValidKey(key);
    if (type == INPUT_KEYDOWN || type == INPUT_KEYUP) {
        if (valid) {
            if (type == INPUT_KEYUP)
                keyz[key] |= 2;
            else if (!(flags & INPUT_FLAG_REPEAT))
                keyz[key] |= 1;
            WORD chars = 0;
            ToAscii(static_cast<UINT>(key), static_cast<UINT>(scan), kbstate, &chars, 0);
            ev.chr = chars;
        }
    }

    if (type == INPUT_MOUSEWHEEL) {
        ev.key = 0;
        ev.wheel = key;
        POINT pt{x, y};
        ScreenToClient(window, &pt);
        x = pt.x;
        y = pt.y;
    } else {
        ev.key = key;
        ev.wheel = 0;
    }

    if (type == INPUT_MBUTTONDOWN) {
        if (valid) keyz[key] |= 1;
        SetCapture(window);
        captured = true;
    }
    if (type == INPUT_MBUTTONUP) {
        if (valid) keyz[key] |= 2;
        ReleaseCapture();
        Input_SetMousePos(mouseX, mouseY);
        x = static_cast<int>(mouseX);
        y = static_cast<int>(mouseY);
        captured = false;
    }

    ev.flags = flags;
    if (kbstate[VK_SHIFT] & 0x80) ev.flags |= INPUT_FLAG_SHIFT;
    if (kbstate[VK_CONTROL] & 0x80) ev.flags |= INPUT_FLAG_CTRL;
    if (kbstate[VK_MENU] & 0x80) ev.flags |= INPUT_FLAG_ALT;
    if (kbstate[VK_CAPITAL] & 0x1) ev.flags |= INPUT_FLAG_CAPSLOCK;
    if (kbstate[VK_SCROLL] & 0x1) ev.flags |= INPUT_FLAG_SCROLLLOCK;
    if (kbstate[VK_NUMLOCK] & 0x1) ev.flags |= INPUT_FLAG_NUMLOCK;

    if (x == -1) {
        ev.x = mouseX;
        ev.y = mouseY;
    } else {
        if (x < 0) x = 0;
        if (y < 0) y = 0;
        if (x >= screenWidth) x = screenWidth - 1;
        if (y >= screenHeight) y = screenHeight - 1;
        ev.x = static_cast<float>(x);
        ev.y = static_cast<float>(y);
    }

    // Appended at the tail, kept so that a long queue costs nothing to grow (an empty head
    // means an empty queue, whatever the tail says).
    if (queue && queueTail)
        queueTail->next = node;
    else
        queue = node;
    queueTail = node;

    if (type == INPUT_KEYDOWN || type == INPUT_MBUTTONDOWN) {
        lastKey = ev.key;
        lastChar = ev.chr;
    } else if (type == INPUT_MOUSEMOVE) {
        mouseX = ev.x;
        mouseY = ev.y;
    } else if (type == INPUT_MOUSEWHEEL) {
        wheel += ev.wheel;
    }
}

void EngineImpl::Input_ClearQueue() {
    memset(keyz, 0, sizeof(keyz));
    // The dropped nodes are kept for the next events, so steady input allocates nothing.
    if (queue) {
        InputEventNode* last = queue;
        while (last->next) last = last->next;
        last->next = spareEvents;
        spareEvents = queue;
    }
    queue = nullptr;
    queueTail = nullptr;
    lastKey = 0;
    lastChar = 0;
    wheel = 0;
}

void EngineImpl::Input_FreeSpareEvents() {
    while (spareEvents) {
        InputEventNode* next = spareEvents->next;
        delete spareEvents;
        spareEvents = next;
    }
}
