// Start-up to the first frame inside the process, as the program's entry point does it: engine
// states, System_Initiate (window, device, sound library loaded and opened), the resource script
// with every resource loaded, the game object, then one frame and its drawing, on the headless
// backend; wall time. The process's own start (exec, loading the shared libraries, static
// initialisation) comes before this and is not in it; shut-down is not timed. The files are in
// the page cache after the first of the ten start-ups. Target (from exec): under 20 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/game_session.h"
#include "engine/engine.h"
#include "game/app.h"
#include "game/game.h"
#include "game/utils.h"
#include "platform/backend/headless.h"

namespace {

bool StartUp() {
    CreateGameEngine();
    if (!StartGame()) return false;
    GameFrame();
    GameRender();
    return true;
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
    if (!fwbench::GameDataPresent()) {
        state.SkipWithError("no game data beside the program");
        return;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::headless::SetDebugEcho(false);
    for (auto _ : state) {
        bool ok = StartUp();
        state.PauseTiming();
        EndGame();
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
