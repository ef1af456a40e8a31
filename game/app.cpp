// The program's entry point and the engine callbacks.
#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "game/resource_names.h"
#include "platform/win32/win32.h"
#include "platform/win32/win_entry.h"

namespace {

constexpr int KEY_LBUTTON = 1;
constexpr int KEY_ESCAPE = 27;

void CenterMouse() { g_Engine->Input_SetMousePos(WINDOW_WIDTH / 2.0f, WINDOW_HEIGHT / 2.0f); }

void ShowStartupError(const char* text) { MessageBoxA(nullptr, text, "Error", MB_ICONERROR); }

}  // namespace

bool GameFrame() {
    if (g_Engine->Input_KeyDown(KEY_LBUTTON) && !g_MouseCaptured) {
        g_MouseCaptured = true;
        g_Engine->System_SetState(STATE_HIDE_MOUSE, true);
        CenterMouse();
    }
    if (g_Engine->Input_KeyDown(KEY_ESCAPE)) {
        if (!g_MouseCaptured) return true;
        if (!g_Engine->System_GetState(STATE_WINDOWED)) return true;
        g_MouseCaptured = false;
        g_Engine->System_SetState(STATE_HIDE_MOUSE, false);
    }
    if (g_MouseCaptured) CenterMouse();
    if (g_Game) g_Game->Update();
    return false;
}

bool GameRender() {
    if (g_Game) g_Game->Render();
    return false;
}

bool GameRestoreGfx() {
    if (g_Game) g_Game->RestoreGfx();
    return true;
}

void CreateGameEngine() {
    g_Engine = CreateEngine(ENGINE_VERSION);

    g_Engine->System_SetState(STATE_FRAME_FUNC, GameFrame);
    g_Engine->System_SetState(STATE_RENDER_FUNC, GameRender);
    g_Engine->System_SetState(STATE_GFX_RESTORE_FUNC, GameRestoreGfx);
    g_Engine->System_SetState(STATE_TITLE, "Farewander");
    g_Engine->System_SetState(STATE_WINDOWED, true);
    g_Engine->System_SetState(STATE_USE_SOUND, true);
    g_Engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
    g_Engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
    g_Engine->System_SetState(STATE_TEXTURE_FILTER, false);
    g_Engine->System_SetState(STATE_FPS, 60);
    g_Engine->System_SetState(STATE_ZBUFFER, false);
    g_Engine->System_SetState(STATE_HIDE_MOUSE, g_MouseCaptured);
}

bool StartGame() {
    if (!g_Engine->System_Initiate()) {
        ShowStartupError(g_Engine->System_GetErrorMessage());
        g_Engine->System_Release();
        g_Engine = nullptr;
        return false;
    }

    g_ResourceManager = new ResourceManager(RESOURCE_SCRIPT);
    char text[256];
    const char* kind = nullptr;
    const char* name = nullptr;
    // What the game would draw or play nothing in place of stops it here.
    bool ready = g_ResourceManager->LoadGroup(0);
    if (!ready) {
        snprintf(text, sizeof(text), "%s", g_Engine->System_GetErrorMessage());
    } else if (FindUndeclaredResource(g_ResourceManager, &kind, &name)) {
        snprintf(text, sizeof(text), "Can't find %s '%s' in %s", kind, name, RESOURCE_SCRIPT);
        ready = false;
    } else if (FindUnusableResource(g_ResourceManager, text, sizeof(text))) {
        ready = false;
    } else {
        new Game();
        // The game loads its music itself; the error is that of the last tune that failed.
        const StreamHandle tunes[] = {g_Game->winMusic, g_Game->lossMusic, g_Game->tribeMusic, g_Game->startMusic,
                                      g_Game->spareMusic};
        for (StreamHandle tune : tunes)
            if (!tune) {
                snprintf(text, sizeof(text), "%s", g_Engine->System_GetErrorMessage());
                ready = false;
            }
        if (!ready) {
            delete g_Game;
            g_Game = nullptr;
        }
    }
    if (!ready) {
        // The engine has logged its own errors; a cause found by the game is logged here.
        if (std::strcmp(text, g_Engine->System_GetErrorMessage()) != 0) g_Engine->System_Log("%s", text);
        ShowStartupError(text);
        // The manager holds engine references of its own; without it the release below is the
        // last one and shuts the engine down.
        delete g_ResourceManager;
        g_ResourceManager = nullptr;
        g_Engine->System_Release();
        g_Engine = nullptr;
        return false;
    }
    return true;
}

void EndGame() {
    delete g_Game;
    g_Game = nullptr;
    delete g_ResourceManager;
    g_ResourceManager = nullptr;
    if (!g_Engine) return;
    g_Engine->System_Shutdown();
    g_Engine->System_Release();
    g_Engine = nullptr;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CreateGameEngine();
    if (!StartGame()) return 0;
    g_Engine->System_Start();
    EndGame();
    return 0;
}
