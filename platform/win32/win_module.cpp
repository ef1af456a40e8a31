#include "platform/win32/win_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <map>
#include <string>

namespace {

// The one virtual module. Its handle is a fixed non-null value that dlopen never returns.
struct VirtualModule {
    int refs = 0;
    std::map<std::string, FARPROC> exports;
};

VirtualModule& Kernel() {
    static VirtualModule k;
    return k;
}

HMODULE KernelHandle() { return reinterpret_cast<HMODULE>(&Kernel()); }

std::string Lower(const char* s) {
    std::string out;
    for (; *s; ++s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    std::string path(buf);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace

namespace platform {
void RegisterKernelExport(const char* name, FARPROC fn) { Kernel().exports[name] = fn; }
}  // namespace platform

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) return nullptr;
    std::string lower = Lower(name);
    // Only the base name counts: "C:\x\bass.dll" and "bass.dll" name the same library.
    size_t sep = lower.find_last_of("\\/");
    if (sep != std::string::npos) lower = lower.substr(sep + 1);
    if (lower == "kernel32.dll" || lower == "kernel32") {
        ++Kernel().refs;
        return KernelHandle();
    }
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0) lower.resize(lower.size() - 4);
    std::string file = ProgramFolder() + "lib" + lower + ".so";
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    return static_cast<HMODULE>(h);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name) return nullptr;
    if (module == KernelHandle()) {
        auto it = Kernel().exports.find(name);
        return it == Kernel().exports.end() ? nullptr : it->second;
    }
    return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) {
    if (!module) return FALSE;
    if (module == KernelHandle()) {
        if (Kernel().refs <= 0) return FALSE;
        --Kernel().refs;
        return TRUE;
    }
    return dlclose(module) == 0 ? TRUE : FALSE;
}
