// A full frame of the game in CPU time: the frame callback (input, physics step, state
// machine, wagon) and the render callback (the world into the 320 x 240 target, the target
// drawn onto the screen, present), on the headless device with the generated data, while the
// wagon is driven west with Left held. The screen is the game's 640 x 480 (the target at twice
// its size) or 1920 x 1080 (the target stretched to fill it).
// Targets: under 0.3 ms at 640 x 480, under 1 ms at 1920 x 1080.
#include <benchmark/benchmark.h>

#include <memory>

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
    using GameSession::GameSession;

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

// One game at a time in the process: the one of the asked screen size.
FrameBench& Session(int width, int height) {
    static std::unique_ptr<FrameBench> session;
    if (!session || session->screenWidth != width || session->screenHeight != height) {
        session.reset();
        session = std::make_unique<FrameBench>(width, height);
    }
    return *session;
}

void BM_GameFrame(benchmark::State& state) {
    if (!Session(int(state.range(0)), int(state.range(1))).ready) {
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
BENCHMARK(BM_GameFrame)->ArgNames({"w", "h"})->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

void BM_GameFrameTitle(benchmark::State& state) {
    if (!Session(WINDOW_WIDTH, WINDOW_HEIGHT).ready) {
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
