// Run-time loading of modules: "name.dll" maps to the shared object "libname.so" in the
// program's own folder (never one relative to the working folder, nor one of the machine that
// built it); "kernel32.dll" is a virtual module that resolves the layer's own functions.
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
// For tests and hosts: a folder looked in after the program's, which is the only one by
// default (nullptr restores that). Only an absolute folder is looked in.
void SetModuleFolder(const char* folder);
// Why the last LoadLibraryA of a shared object loaded none: for each file tried, "no <file>"
// or the loader's error, "; " between them. Empty after a call that loaded its module.
const char* LastModuleSearch();
}
