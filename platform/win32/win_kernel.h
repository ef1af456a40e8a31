// Kernel calls: module handle and file name, debugger output, time, version and memory.
#pragma once

#include "platform/win32/win_types.h"

HMODULE GetModuleHandleA(LPCSTR name);
// The program's full path with backslashes, e.g. "\home\u\fw\farewander".
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
