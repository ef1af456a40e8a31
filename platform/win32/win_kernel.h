// Kernel calls: module handle and file name, debugger output, local time, version and
// memory figures, sleeping.
#pragma once

#include "platform/win32/win_types.h"

typedef size_t SIZE_T;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};

struct MEMORYSTATUS {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    SIZE_T dwTotalPhys;
    SIZE_T dwAvailPhys;
    SIZE_T dwTotalPageFile;
    SIZE_T dwAvailPageFile;
    SIZE_T dwTotalVirtual;
    SIZE_T dwAvailVirtual;
};

#define VER_PLATFORM_WIN32_NT 2

HMODULE GetModuleHandleA(LPCSTR name);
// The program's full path with backslashes, e.g. "\home\u\fw\farewander".
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// Debugger output: written to standard error (no line break added), control bytes other than
// tab and line break shown as escapes ("\x1b") so that data cannot drive the terminal, the C1
// controls too: U+0080 to U+009F byte by byte ("\xc2\x9b") and any byte 0x80 to 0x9F outside
// a well-formed UTF-8 sequence. Other text, ill-formed or not, passes as it is. The headless
// backend also records every call's text as it is.
void OutputDebugStringA(LPCSTR text);

namespace platform {
// Writes text to standard error as OutputDebugStringA does, escapes included.
void WriteStandardError(const char* text);
}  // namespace platform

void GetLocalTime(SYSTEMTIME* time);
// Fills the record whatever its size field says (the kernel's release numbers on Linux).
BOOL GetVersionExA(OSVERSIONINFOA* info);
// Physical memory in bytes (not clamped to 4 GB).
void GlobalMemoryStatus(MEMORYSTATUS* status);
// Headless: advances the test clock by ms instead of waiting.
void Sleep(DWORD ms);
