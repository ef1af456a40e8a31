// main() of the program: picks the SDL2 backend, then runs WinMain with the program's module
// and an empty command line.
#include "platform/backend/backend.h"
#include "platform/win32/win32.h"
#include "platform/win32/win_entry.h"

int main(int, char**) {
    platform::SelectBackend(platform::Backend::Sdl);
    char cmdLine[1] = {0};
    return WinMain(GetModuleHandleA(nullptr), nullptr, cmdLine, SW_SHOW);
}
