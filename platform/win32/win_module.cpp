#include "platform/win32/win_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <set>
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

struct ModuleFaults {
    std::set<std::string> refused;  // normalised module names
    std::set<std::string> missingProcs;
    int balance = 0;
};

ModuleFaults& Faults() {
    static ModuleFaults f;
    return f;
}

HMODULE KernelHandle() { return reinterpret_cast<HMODULE>(&Kernel()); }

std::string Lower(const char* s) {
    std::string out;
    for (; *s; ++s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

// "C:\\x\\Bass.DLL" -> "bass.dll": the base name in lower case.
std::string Normalise(const char* name) {
    std::string lower = Lower(name);
    size_t sep = lower.find_last_of("\\/");
    if (sep != std::string::npos) lower = lower.substr(sep + 1);
    return lower;
}

std::string g_lastSearch;

// A folder looked in after the program's, set by a test or host only: a built program loads
// modules from its own folder alone.
std::string g_extraFolder;

// The running program's folder, "" when unknown: never one relative to the working folder.
std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0 || buf[0] != '/') return "";
    buf[n] = 0;
    std::string path(buf);
    return path.substr(0, path.rfind('/') + 1);
}

// The extra folder when it is absolute, resolved when it exists, else as given.
std::string ExtraFolder() {
    if (g_extraFolder.empty() || g_extraFolder[0] != '/') return "";
    std::string folder = g_extraFolder;
    if (char* real = realpath(folder.c_str(), nullptr)) {
        folder = real;
        free(real);
    }
    if (folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

namespace platform {
void RegisterKernelExport(const char* name, FARPROC fn) { Kernel().exports[name] = fn; }

void SetModuleRefused(const char* name, bool refused) {
    if (!name) return;
    if (refused)
        Faults().refused.insert(Normalise(name));
    else
        Faults().refused.erase(Normalise(name));
}

void SetProcMissing(const char* name, bool missing) {
    if (!name) return;
    if (missing)
        Faults().missingProcs.insert(name);
    else
        Faults().missingProcs.erase(name);
}

void ClearModuleFaults() {
    Faults().refused.clear();
    Faults().missingProcs.clear();
}

int ModuleLoadBalance() { return Faults().balance; }

void SetModuleFolder(const char* folder) { g_extraFolder = folder ? folder : ""; }

const char* LastModuleSearch() { return g_lastSearch.c_str(); }
}  // namespace platform

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) return nullptr;
    // Only the base name counts: "C:\x\bass.dll" and "bass.dll" name the same library.
    std::string lower = Normalise(name);
    if (Faults().refused.count(lower)) return nullptr;
    if (lower == "kernel32.dll" || lower == "kernel32") {
        ++Kernel().refs;
        ++Faults().balance;
        return KernelHandle();
    }
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0) lower.resize(lower.size() - 4);
    const std::string beside = ProgramFolder();
    // The extra folder, unless it is the program's own.
    std::string extra = ExtraFolder();
    if (extra == beside) extra.clear();
    const std::string folders[2] = {beside, extra};
    g_lastSearch.clear();
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        const std::string file = folder + "lib" + lower + ".so";
        if (void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            g_lastSearch.clear();
            ++Faults().balance;
            return static_cast<HMODULE>(h);
        }
        const char* why = dlerror();
        if (!g_lastSearch.empty()) g_lastSearch += "; ";
        if (access(file.c_str(), F_OK) != 0)
            g_lastSearch += "no " + file;
        else
            g_lastSearch += why ? why : file + ": not loaded";
    }
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name) return nullptr;
    if (Faults().missingProcs.count(name)) return nullptr;
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
        --Faults().balance;
        return TRUE;
    }
    if (dlclose(module) != 0) return FALSE;
    --Faults().balance;
    return TRUE;
}
