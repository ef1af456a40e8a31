// Keyboard and mouse translation of the SDL backend.
#pragma once

#include "platform/win32/win_user.h"

namespace platform {

// Called by the SDL event pump (inside PeekMessageA) for every SDL event it does not handle
// itself (window events and quit are its own): keys, text, mouse. `sdlEvent` points to an
// SDL_Event; `window` is the top-level window of the event's SDL window (null when the event
// names none). Posts the window messages the event stands for; returns true when it used
// the event.
bool SdlTranslateInputEvent(const void* sdlEvent, HWND window);

// Called by PeekMessageA for every message it removes from the queue, before the caller
// dispatches it (both backends): the place to keep the keyboard state table current.
void InputMessageRemoved(const MSG* msg);

}  // namespace platform
