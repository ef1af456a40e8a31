// A frame of the game on the headless device with the generated data: the whole world, the
// status display and the doubled target, with and without the game's update.
#include <benchmark/benchmark.h>

#include "bench/game_session.h"
#include "engine/engine.h"
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"

namespace {

struct GameBench : fwbench::GameSession {
    GameBench() {
        if (!ready) return;
        g_RandomSeed = 7;
        g_Game->NewJourney();
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
