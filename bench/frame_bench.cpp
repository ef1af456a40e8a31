// A full frame of the game in CPU time: the frame callback (input, physics step, state
// machine, wagon) and the render callback (the world into the 320 x 240 target, the target
// doubled onto the screen, present), on the headless device with the generated data, while
// the wagon is driven west with Left held. Target: under 1 ms.
#include <benchmark/benchmark.h>

#include "bench/game_session.h"
#include "engine/engine.h"
#include "game/app.h"
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"
#include "platform/win32/win32.h"

namespace {

struct FrameBench : fwbench::GameSession {
    // Left goes down and stays held, as the window procedure sees it.
    static void HoldLeft() {
        HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
        PostMessageA(hwnd, WM_KEYDOWN, VK_LEFT, LPARAM(1 | (0x4B << 16)));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    // A fresh journey, started, with the wagon on its way.
    static void NewRunningJourney() {
        g_RandomSeed = 7;
        g_Game->NewJourney();
        g_Game->state = GAMESTATE_JOURNEY;
        g_Game->started = true;
    }
};

FrameBench& Shared() {
    static FrameBench b;
    return b;
}

void BM_GameFrame(benchmark::State& state) {
    if (!Shared().ready) {
        state.SkipWithError("no game data or graphics");
        return;
    }
    FrameBench::HoldLeft();
    FrameBench::NewRunningJourney();
    int frames = 0;
    for (auto _ : state) {
        if (g_Game->state != GAMESTATE_JOURNEY || ++frames == 3000) {
            state.PauseTiming();
            FrameBench::NewRunningJourney();
            frames = 0;
            state.ResumeTiming();
        }
        GameFrame();
        GameRender();
    }
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMicrosecond);

void BM_GameFrameTitle(benchmark::State& state) {
    if (!Shared().ready) {
        state.SkipWithError("no game data or graphics");
        return;
    }
    g_Game->NewJourney();
    g_Game->state = GAMESTATE_TITLE;
    for (auto _ : state) {
        g_Game->Update();
        GameRender();
    }
}
BENCHMARK(BM_GameFrameTitle)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
