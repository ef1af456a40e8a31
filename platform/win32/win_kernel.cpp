#include "platform/win32/win_kernel.h"

#include <unistd.h>

#include <cstring>

HMODULE GetModuleHandleA(LPCSTR name) {
    if (name) return nullptr;
    static int programModule;
    return reinterpret_cast<HMODULE>(&programModule);
}

DWORD GetModuleFileNameA(HMODULE /*module*/, LPSTR buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) {
        buffer[0] = 0;
        return 0;
    }
    path[n] = 0;
    DWORD len = static_cast<DWORD>(n) < size - 1 ? static_cast<DWORD>(n) : size - 1;
    for (DWORD i = 0; i < len; ++i) buffer[i] = path[i] == '/' ? '\\' : path[i];
    buffer[len] = 0;
    return len;
}
