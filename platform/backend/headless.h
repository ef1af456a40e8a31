// Test controls of the headless backend: clock, desktop and system metrics, memory, version
// and local time figures, captured debugger output, message boxes and shell calls, window
// inspection, activation, and fault switches. All of them work whatever backend is selected,
// but only the headless backend reads the figures they set.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace platform::headless {

// Puts the whole window system back to its start: destroys every window (without sending
// messages), unregisters every class, empties the queue and the quit flag, clears every
// capture list, fault switch and override, and restores the default figures below.
void Reset();

// ---- Clock (timeGetTime). Starts at 0; every read returns the time and then moves it on by
// the read step (1 ms by default). With a read step of 0 the time moves only on Sleep,
// SetTime and AdvanceTime, except that 1000 reads in a row without a change move it on by
// 1 ms, so a busy-waiting caller never hangs. Sleep(ms) always adds ms.
void SetTime(DWORD ms);
void AdvanceTime(DWORD ms);
DWORD Now();  // the current time, without moving it
void SetReadStep(DWORD ms);
// Called on every Sleep after the clock has moved (null: none), so a test can act while a
// loop waits, e.g. post a message after so many sleeps.
void SetSleepHook(void (*hook)(DWORD ms));
// Balance of timeBeginPeriod minus timeEndPeriod calls since the last Reset.
int TimerPeriodBalance();

// ---- Desktop and system metrics. Defaults: desktop 1024 x 768, fixed frames 3 x 3,
// caption 19, double-click box 4 x 4. SetDesktopSize sets SM_CXSCREEN and SM_CYSCREEN.
void SetDesktopSize(int width, int height);
void SetSystemMetric(int index, int value);

// ---- Figures. Defaults: 2097152 K total and 1048576 K free memory; version 5.1.2600;
// local time 15.06.2024 12:34:56.
void SetMemoryStatus(SIZE_T totalBytes, SIZE_T availBytes);
void SetVersion(DWORD major, DWORD minor, DWORD build);
void SetLocalTime(const SYSTEMTIME& time);

// ---- Debugger output: every OutputDebugStringA call, in order.
const std::vector<std::string>& DebugOutput();
// All calls joined, and that text split at each "\n" (a trailing empty piece dropped).
std::string DebugText();
std::vector<std::string> DebugLines();
void ClearDebugOutput();
// Whether OutputDebugStringA also writes to standard error (default true).
void SetDebugEcho(bool echo);

// ---- Message boxes and shell calls.
struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<MessageBoxCall>& MessageBoxes();

struct ShellCall {
    HWND owner;
    bool hasVerb;  // false when the verb was null
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    int showCmd;
};
const std::vector<ShellCall>& ShellCalls();
// The result that the following ShellExecuteA calls give (default 42).
void SetShellResult(int result);

// ---- Windows.
struct WindowInfo {
    bool alive = false;
    std::string className;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    RECT windowRect{};  // outer rectangle in screen coordinates
    RECT clientRect{};  // client rectangle in screen coordinates
    bool paintPending = false;
    HICON classIcon = nullptr;
    HCURSOR classCursor = nullptr;
    HBRUSH classBackground = nullptr;
    UINT classStyle = 0;
};
WindowInfo Inspect(HWND hwnd);
// Every live window, oldest first.
std::vector<HWND> Windows();
// Classes registered now.
bool ClassRegistered(const char* className);

// Every call of a window procedure (sent or dispatched), in order, with its result, recorded
// while a test has switched the trace on (Reset switches it off).
struct TraceEntry {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};
void EnableMessageTrace(bool on);
const std::vector<TraceEntry>& MessageTrace();
void ClearMessageTrace();
// Messages now waiting in the queue (posted ones and a pending WM_QUIT; not paint).
size_t QueuedMessageCount();
// Drops every queued message and the quit flag.
void DrainQueue();

// ---- Cursor, capture, focus, activation.
HCURSOR CurrentCursor();  // as last given to SetCursor
int ShowCursorCount();    // the ShowCursor display counter (0 at start)
bool CursorShown();       // a cursor is set and the display counter is not negative
// Simulated cursor position in screen coordinates; no message is posted.
void SetCursorPosition(POINT screen);
// Every SetCursorPos target, in order.
const std::vector<POINT>& CursorWarps();
// Makes WindowFromPoint return `result` whatever the point (until Reset or disabled).
void OverrideWindowFromPoint(bool enabled, HWND result = nullptr);
// Whether CreateWindowExA activates a visible top-level window (default true), as the window
// system does when the program starts in front.
void SetActivateOnCreate(bool activate);
// Activation as the window system does it, sent before returning: Activate sends
// WM_NCACTIVATE and WM_ACTIVATE (WA_ACTIVE) and gives the window the focus; Deactivate sends
// WM_NCACTIVATE and WM_ACTIVATE (WA_INACTIVE) and takes the focus away; Minimize sends
// WM_ACTIVATE (WA_INACTIVE, minimised) and WM_SIZE (SIZE_MINIMIZED); Restore sends WM_SIZE
// (SIZE_RESTORED) and WM_ACTIVATE (WA_ACTIVE).
void Activate(HWND hwnd);
void Deactivate(HWND hwnd);
void Minimize(HWND hwnd);
void Restore(HWND hwnd);

// ---- Presentation: PresentToWindow calls for a window since the last Reset.
int PresentCount(HWND hwnd);

// ---- Fault switches (until Reset or switched off).
void FailRegisterClass(bool fail);
void FailCreateWindow(bool fail);

}  // namespace platform::headless
