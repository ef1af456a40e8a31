// Start-up to the first frame, as the program does it: engine states, System_Initiate (window,
// device, sound), the resource script with every resource loaded, the game object, then one
// frame and its drawing. Shut-down is not timed. Target: under 300 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "game/utils.h"
#include "platform/backend/headless.h"

namespace {

bool DataPresent() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return !ec && std::filesystem::exists(exe.parent_path() / "data" / "tamble.res");
}

bool StartUp() {
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
    if (!g_Engine->System_Initiate()) return false;
    g_ResourceManager = new ResourceManager("data\\tamble.res");
    if (!g_ResourceManager->LoadGroup(0)) return false;
    new Game();
    GameFrame();
    GameRender();
    return true;
}

void ShutDown() {
    delete g_Game;
    delete g_ResourceManager;
    g_ResourceManager = nullptr;
    if (g_Engine) {
        g_Engine->System_Shutdown();
        g_Engine->System_Release();
        g_Engine = nullptr;
    }
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
    if (!DataPresent()) {
        state.SkipWithError("no game data beside the program");
        return;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::headless::SetDebugEcho(false);
    for (auto _ : state) {
        bool ok = StartUp();
        state.PauseTiming();
        ShutDown();
        platform::headless::Reset();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("start-up failed");
            break;
        }
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
