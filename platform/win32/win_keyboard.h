// Keyboard state and character translation (a US layout).
//
// The state table holds one byte per virtual-key code: bit 0x80 while the key is down, bit
// 0x01 toggled by every press (Caps Lock, Num Lock and Scroll Lock read it). The layer keeps
// it current as key and mouse-button messages are taken from the queue, before the window
// procedure sees them. Shift, Ctrl and Alt set both the generic code and their side's code
// (left or right).
#pragma once

#include "platform/win32/win_types.h"

struct MSG;

BOOL GetKeyboardState(BYTE* state);
SHORT GetKeyState(int virtualKey);
// The character of a key for a keyboard state: letters take their case from Shift and Caps
// Lock, digits and symbols follow Shift, Ctrl with a letter gives 1 to 26; keys without a
// character give 0. Writes the character into the low byte of *chars (16 bits) and returns
// the count (0 or 1). `scanCode` and `flags` are not needed by the US layout.
int ToAscii(UINT virtualKey, UINT scanCode, const BYTE* keyState, WORD* chars, UINT flags);

namespace platform {
// Updates the state table for a message removed from the queue (keys and mouse buttons).
void KeyboardMessageRemoved(const MSG* msg);
// Sets the toggle bits of the three lock keys (the host's state when input starts).
void SetLockKeyToggles(bool capsLock, bool numLock, bool scrollLock);
// Whether SetLockKeyToggles was called since the state was last reset.
bool LockKeyTogglesSet();
// Every key up and untoggled, the lock keys' host state unknown again (tests).
void ResetKeyboardState();
}  // namespace platform
