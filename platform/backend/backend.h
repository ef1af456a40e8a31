// The process-wide backend under the window system: SDL2 (a real window, keyboard, mouse,
// presentation) or headless (tests: no display, a test clock, scripted messages).
#pragma once

#include <cstdint>

#include "platform/win32/win_types.h"

namespace platform {

enum class Backend { Headless, Sdl };

// Chooses the backend; call it before the first window is made. SDL2 is the default: a program
// gets a real window and sound. Tests, benchmarks and fuzz targets link
// platform/entry/headless_default.cpp, which chooses headless before main().
void SelectBackend(Backend backend);
Backend CurrentBackend();

// The SDL_Window* of a window (a child window shares its top-level ancestor's), null when
// headless, for a stale handle, or when the window has no SDL window.
void* SdlWindowOf(HWND hwnd);

// Presentation hook of the Direct3D device: copies a width x height image of 32-bit
// 0xAARRGGBB pixels (rows pitchBytes apart) into the client area of hwnd, stretched when the
// sizes differ. Headless: only counted (headless::PresentCount). False for a stale handle.
bool PresentToWindow(HWND hwnd, const uint32_t* pixels, int width, int height, int pitchBytes);

// Called whenever a top-level window becomes active or inactive (minimising and destruction
// included), so the Direct3D device can lose and regain a full-screen device with its focus.
// Null: none.
using ActivationObserver = void (*)(HWND window, bool active);
void SetActivationObserver(ActivationObserver observer);

}  // namespace platform
