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

// ---------------------------------------------------------------- debugger output, figures, sleep

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/backend/backend_internal.h"

using platform::detail::Headless;
using platform::detail::IsHeadless;

namespace {

// The length of the well-formed UTF-8 sequence at p (no overlong form, surrogate or code
// point past U+10FFFF), 0 when the bytes there do not form one.
size_t Utf8Length(const unsigned char* p) {
    const unsigned char c = p[0];
    size_t len;
    unsigned char low = 0x80, high = 0xbf;  // the second byte's range
    if (c >= 0xc2 && c <= 0xdf) {
        len = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        len = 3;
        if (c == 0xe0) low = 0xa0;
        if (c == 0xed) high = 0x9f;
    } else if (c >= 0xf0 && c <= 0xf4) {
        len = 4;
        if (c == 0xf0) low = 0x90;
        if (c == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (p[1] < low || p[1] > high) return 0;
    for (size_t i = 2; i < len; ++i)
        if (p[i] < 0x80 || p[i] > 0xbf) return 0;
    return len;
}

}  // namespace

void platform::WriteStandardError(const char* text) {
    const unsigned char* from = reinterpret_cast<const unsigned char*>(text);
    for (const unsigned char* p = from; *p;) {
        const unsigned char c = *p;
        size_t len = 1;
        bool escape;
        if (c < 0x80) {
            escape = (c < 0x20 && c != '\t' && c != '\n') || c == 0x7f;
        } else if ((len = Utf8Length(p)) != 0) {
            escape = c == 0xc2 && p[1] <= 0x9f;  // U+0080 to U+009F, the C1 controls
        } else {
            len = 1;
            escape = c <= 0x9f;  // a stray byte a terminal of 8-bit controls would take as one
        }
        if (escape) {
            fwrite(from, 1, static_cast<size_t>(p - from), stderr);
            for (size_t i = 0; i < len; ++i) fprintf(stderr, "\\x%02x", p[i]);
            from = p + len;
        }
        p += len;
    }
    fwrite(from, 1, strlen(reinterpret_cast<const char*>(from)), stderr);
    fflush(stderr);
}

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    if (IsHeadless()) {
        Headless().debug.emplace_back(text);
        if (!Headless().echo) return;
    }
    platform::WriteStandardError(text);
}

void GetLocalTime(SYSTEMTIME* out) {
    if (!out) return;
    if (IsHeadless()) {
        *out = Headless().localTime;
        return;
    }
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local;
    localtime_r(&ts.tv_sec, &local);
    out->wYear = static_cast<WORD>(local.tm_year + 1900);
    out->wMonth = static_cast<WORD>(local.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    out->wDay = static_cast<WORD>(local.tm_mday);
    out->wHour = static_cast<WORD>(local.tm_hour);
    out->wMinute = static_cast<WORD>(local.tm_min);
    out->wSecond = static_cast<WORD>(local.tm_sec);
    out->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (!info) return FALSE;
    DWORD size = info->dwOSVersionInfoSize;
    memset(info, 0, sizeof(*info));
    info->dwOSVersionInfoSize = size;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    if (IsHeadless()) {
        info->dwMajorVersion = Headless().verMajor;
        info->dwMinorVersion = Headless().verMinor;
        info->dwBuildNumber = Headless().verBuild;
        return TRUE;
    }
    utsname u;
    if (uname(&u) == 0) {
        // "6.1.0-18-amd64": major, minor and patch level.
        unsigned long part[3] = {0, 0, 0};
        const char* p = u.release;
        for (int i = 0; i < 3 && *p; ++i) {
            char* end = nullptr;
            part[i] = strtoul(p, &end, 10);
            if (end == p) break;
            p = end;
            if (*p == '.') ++p;
            else break;
        }
        info->dwMajorVersion = static_cast<DWORD>(part[0]);
        info->dwMinorVersion = static_cast<DWORD>(part[1]);
        info->dwBuildNumber = static_cast<DWORD>(part[2]);
    }
    return TRUE;
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (!status) return;
    memset(status, 0, sizeof(*status));
    status->dwLength = sizeof(*status);
    if (IsHeadless()) {
        status->dwTotalPhys = Headless().memTotal;
        status->dwAvailPhys = Headless().memAvail;
    } else {
        struct sysinfo si;
        if (sysinfo(&si) == 0) {
            status->dwTotalPhys = static_cast<SIZE_T>(si.totalram) * si.mem_unit;
            status->dwAvailPhys = static_cast<SIZE_T>(si.freeram + si.bufferram) * si.mem_unit;
            status->dwTotalPageFile = static_cast<SIZE_T>(si.totalswap) * si.mem_unit;
            status->dwAvailPageFile = static_cast<SIZE_T>(si.freeswap) * si.mem_unit;
        }
    }
    if (status->dwTotalPhys)
        status->dwMemoryLoad =
            static_cast<DWORD>(100 - (status->dwAvailPhys * 100) / status->dwTotalPhys);
}

void Sleep(DWORD ms) {
    if (IsHeadless()) {
        Headless().clock += ms;
        Headless().sameReads = 0;
        if (Headless().sleepHook) Headless().sleepHook(ms);
        return;
    }
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
