// main() of the program: runs WinMain with the program's module and an empty command line.
#include "platform/win32/win32.h"
#include "platform/win32/win_entry.h"

int main(int, char**) {
    char cmdLine[1] = {0};
    return WinMain(GetModuleHandleA(nullptr), nullptr, cmdLine, 5 /* SW_SHOW */);
}
