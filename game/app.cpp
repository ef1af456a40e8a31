// Placeholder entry point until the game lands.
#include "engine/engine.h"
#include "platform/win32/win_entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Engine* engine = CreateEngine(ENGINE_VERSION);
    if (!engine) return 0;
    engine->System_Release();
    return 0;
}
