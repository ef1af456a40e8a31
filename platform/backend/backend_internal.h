// Shared state of the backends, used only inside the platform layer.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"

namespace platform::detail {

struct HeadlessState {
    DWORD clock = 0;
    DWORD readStep = 1;
    int sameReads = 0;
    int periodBalance = 0;
    void (*sleepHook)(DWORD) = nullptr;
    int metrics[100] = {};
    SIZE_T memTotal = 0;
    SIZE_T memAvail = 0;
    DWORD verMajor = 5, verMinor = 1, verBuild = 2600;
    SYSTEMTIME localTime{};
    std::vector<std::string> debug;
    bool echo = true;
    std::vector<headless::MessageBoxCall> boxes;
    std::vector<headless::ShellCall> shell;
    int shellResult = 42;
    std::vector<POINT> warps;
    POINT cursor{0, 0};
    bool wfpOverride = false;
    HWND wfpResult = nullptr;
    bool activateOnCreate = true;
    bool failRegister = false;
    bool failCreate = false;
    bool traceOn = false;
    std::vector<headless::TraceEntry> trace;
    std::map<HWND, int> presents;
};

HeadlessState& Headless();
bool IsHeadless();
// The clock's current value without moving it (message time stamps).
DWORD ClockPeek();

// Window system (win_user.cpp).
void ResetWindowSystem();
HWND WindowOfSdl(void* sdlWindow);
void* SdlOfWindow(HWND hwnd);
std::vector<HWND> TopLevelWindows();
void NoteSdlMoved(HWND hwnd, int clientX, int clientY);
void NoteSdlActivation(HWND hwnd, bool gained);
void NoteSdlMinimized(HWND hwnd, bool minimized);
bool WindowClientInTopLevel(HWND hwnd, HWND* top, RECT* client);  // client rect relative to top's client

}  // namespace platform::detail

// SDL side (sdl_backend.cpp). Every function is safe to call when SDL video is not up.
namespace platform::sdl {
bool EnsureVideo();
void* CreateSdlWindow(const char* title, int x, int y, int w, int h, bool bordered, bool visible);
void DestroySdlWindow(void* window);
void SetTitle(void* window, const char* title);
// fullScreen: the window takes the display at the w x h mode (or the closest one).
void SetGeometry(void* window, int x, int y, int w, int h, bool bordered, bool fullScreen);
void Show(void* window, bool show);
void ShowCursor(bool show);
void CaptureMouse(bool capture);
void WarpMouse(int x, int y);
bool GlobalMouse(int* x, int* y);
void* MouseFocus();
bool DesktopSize(int* w, int* h);
bool ShowMessageBox(const char* caption, const char* text, unsigned type, void* parent);
bool Present(void* window, int dx, int dy, int dw, int dh, const uint32_t* pixels, int w, int h, int pitch);
void PumpEvents();
}  // namespace platform::sdl
