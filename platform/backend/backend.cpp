#include <cstring>

#include "platform/backend/backend_internal.h"

namespace platform {

namespace {
Backend g_backend = Backend::Sdl;
}

void SelectBackend(Backend backend) { g_backend = backend; }
Backend CurrentBackend() { return g_backend; }

namespace detail {

namespace {
void SetDefaults(HeadlessState& s) {
    s = HeadlessState();
    s.metrics[SM_CXSCREEN] = 1024;
    s.metrics[SM_CYSCREEN] = 768;
    s.metrics[SM_CYCAPTION] = 19;
    s.metrics[SM_CXFIXEDFRAME] = 3;
    s.metrics[SM_CYFIXEDFRAME] = 3;
    s.metrics[SM_CXDOUBLECLK] = 4;
    s.metrics[SM_CYDOUBLECLK] = 4;
    s.memTotal = SIZE_T(2097152) * 1024;
    s.memAvail = SIZE_T(1048576) * 1024;
    s.localTime.wYear = 2024;
    s.localTime.wMonth = 6;
    s.localTime.wDay = 15;
    s.localTime.wDayOfWeek = 6;
    s.localTime.wHour = 12;
    s.localTime.wMinute = 34;
    s.localTime.wSecond = 56;
}
}  // namespace

HeadlessState& Headless() {
    static HeadlessState* state = [] {
        auto* s = new HeadlessState();
        SetDefaults(*s);
        return s;
    }();
    return *state;
}

bool IsHeadless() { return g_backend == Backend::Headless; }

}  // namespace detail

namespace headless {

using detail::Headless;

void Reset() {
    detail::ResetWindowSystem();
    detail::HeadlessState& s = Headless();
    bool echo = s.echo;
    detail::SetDefaults(s);
    s.echo = echo;
}

void SetTime(DWORD ms) {
    Headless().clock = ms;
    Headless().sameReads = 0;
}
void AdvanceTime(DWORD ms) {
    Headless().clock += ms;
    Headless().sameReads = 0;
}
DWORD Now() { return Headless().clock; }
void SetReadStep(DWORD ms) { Headless().readStep = ms; }
void SetSleepHook(void (*hook)(DWORD ms)) { Headless().sleepHook = hook; }
int TimerPeriodBalance() { return Headless().periodBalance; }

void SetDesktopSize(int width, int height) {
    Headless().metrics[SM_CXSCREEN] = width;
    Headless().metrics[SM_CYSCREEN] = height;
}
void SetSystemMetric(int index, int value) {
    if (index >= 0 && index < int(sizeof(Headless().metrics) / sizeof(int))) Headless().metrics[index] = value;
}

void SetMemoryStatus(SIZE_T totalBytes, SIZE_T availBytes) {
    Headless().memTotal = totalBytes;
    Headless().memAvail = availBytes;
}
void SetVersion(DWORD major, DWORD minor, DWORD build) {
    Headless().verMajor = major;
    Headless().verMinor = minor;
    Headless().verBuild = build;
}
void SetLocalTime(const SYSTEMTIME& time) { Headless().localTime = time; }

const std::vector<std::string>& DebugOutput() { return Headless().debug; }
std::string DebugText() {
    std::string all;
    for (const std::string& s : Headless().debug) all += s;
    return all;
}
std::vector<std::string> DebugLines() {
    std::vector<std::string> lines;
    std::string all = DebugText();
    size_t start = 0;
    while (start < all.size()) {
        size_t nl = all.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(all.substr(start));
            break;
        }
        lines.push_back(all.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}
void ClearDebugOutput() { Headless().debug.clear(); }
void SetDebugEcho(bool echo) { Headless().echo = echo; }

const std::vector<MessageBoxCall>& MessageBoxes() { return Headless().boxes; }
const std::vector<ShellCall>& ShellCalls() { return Headless().shell; }
void SetShellResult(int result) { Headless().shellResult = result; }

void SetCursorPosition(POINT screen) { Headless().cursor = screen; }
const std::vector<POINT>& CursorWarps() { return Headless().warps; }
void OverrideWindowFromPoint(bool enabled, HWND result) {
    Headless().wfpOverride = enabled;
    Headless().wfpResult = result;
}
void SetActivateOnCreate(bool activate) { Headless().activateOnCreate = activate; }

int PresentCount(HWND hwnd) {
    auto it = Headless().presents.find(hwnd);
    return it == Headless().presents.end() ? 0 : it->second;
}

void FailRegisterClass(bool fail) { Headless().failRegister = fail; }
void FailCreateWindow(bool fail) { Headless().failCreate = fail; }

void EnableMessageTrace(bool on) { Headless().traceOn = on; }
const std::vector<TraceEntry>& MessageTrace() { return Headless().trace; }
void ClearMessageTrace() { Headless().trace.clear(); }

}  // namespace headless
}  // namespace platform
