// A frame of the game on the headless device with the generated data: the whole world, the
// status display and the doubled target, with and without the game's update.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"

namespace {

struct GameBench {
    bool ready = false;

    GameBench() {
        std::error_code ec;
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec || !std::filesystem::exists(exe.parent_path() / "data" / "tamble.res")) return;
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::headless::SetDebugEcho(false);
        g_Engine = CreateEngine(ENGINE_VERSION);
        g_Engine->System_SetState(STATE_WINDOWED, true);
        g_Engine->System_SetState(STATE_USE_SOUND, true);
        g_Engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
        g_Engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
        g_Engine->System_SetState(STATE_TEXTURE_FILTER, false);
        if (!g_Engine->System_Initiate()) return;
        g_ResourceManager = new ResourceManager("data\\tamble.res");
        if (!g_ResourceManager->LoadGroup(0)) return;
        new Game();
        g_RandomSeed = 7;
        g_Game->NewJourney();
        ready = true;
    }
    ~GameBench() {
        delete g_Game;
        delete g_ResourceManager;
        if (g_Engine) {
            g_Engine->System_Shutdown();
            g_Engine->System_Release();
        }
    }
};

GameBench& Shared() {
    static GameBench b;
    return b;
}

void BM_GameRenderJourney(benchmark::State& state) {
    if (!Shared().ready) {
        state.SkipWithError("no game data or graphics");
        return;
    }
    g_Game->state = GAMESTATE_JOURNEY;
    g_Game->ShowMessage(1000000, "You trade with the store\nfor %d pounds of food.", 300);
    for (auto _ : state) g_Game->Render();
}
BENCHMARK(BM_GameRenderJourney)->Unit(benchmark::kMicrosecond);

void BM_GameRenderTitle(benchmark::State& state) {
    if (!Shared().ready) {
        state.SkipWithError("no game data or graphics");
        return;
    }
    g_Game->state = GAMESTATE_TITLE;
    for (auto _ : state) g_Game->Render();
}
BENCHMARK(BM_GameRenderTitle)->Unit(benchmark::kMicrosecond);

void BM_GameUpdateAndRender(benchmark::State& state) {
    if (!Shared().ready) {
        state.SkipWithError("no game data or graphics");
        return;
    }
    g_Game->state = GAMESTATE_TITLE;
    for (auto _ : state) {
        g_Game->Update();
        g_Game->Render();
    }
}
BENCHMARK(BM_GameUpdateAndRender)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
