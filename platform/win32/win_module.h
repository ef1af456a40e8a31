// Run-time loading of modules: "name.dll" maps to the shared object "libname.so" beside the
// program, else in the folder where the build put its own shared objects (an absolute one; never
// a folder relative to the working folder); "kernel32.dll" is a virtual module that resolves the
// layer's own functions.
#pragma once

#include "platform/win32/win_types.h"

HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

namespace platform {
// Registers a function that GetProcAddress on the virtual "kernel32.dll" returns.
void RegisterKernelExport(const char* name, FARPROC fn);

// Fault switches for tests: LoadLibraryA refuses a module by name (compared like LoadLibraryA
// compares, e.g. "bass.dll"); GetProcAddress finds no entry of the given name in any module.
void SetModuleRefused(const char* name, bool refused);
void SetProcMissing(const char* name, bool missing);
void ClearModuleFaults();
// Balance for tests: successful LoadLibraryA calls minus successful FreeLibrary calls.
int ModuleLoadBalance();
// For tests: the folder looked in after the program's, instead of the build's (nullptr restores
// it). Only an absolute folder is looked in.
void SetModuleFolder(const char* folder);
// Why the last LoadLibraryA of a shared object loaded none: for each file tried, "no <file>"
// or the loader's error, "; " between them. Empty after a call that loaded its module.
const char* LastModuleSearch();
}
