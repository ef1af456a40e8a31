// A long run of the whole game on the headless backend: 20,000 frames of scripted play through
// the engine's own frame loop, journeys ending in each way the game knows (the city found,
// everyone starved, everyone dead, the wagon out of the world, a journey abandoned with 'R'),
// endings left with Space or by running out, and in the middle of it device loss, a failed
// present, focus loss, minimising and sound switched off and on again.
//
// Under the sanitizers (CI's sanitizer build, a Debug build about twenty times slower) the same
// script runs compressed into 2,400 frames: shorter drives, every ending left with Space.
// The memcheck run of the full 20,000 frames is manual:
//   valgrind --leak-check=full --show-leak-kinds=definite,indirect
//            --errors-for-leak-kinds=definite,indirect --error-exitcode=1
//            build/bin/test_e2e_long_run_test   (one line)
// FW_LONG_RUN_FRAMES overrides the number of frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "game/globals.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/win32/win32.h"
#include "tests/support/game_data.h"

namespace hl = platform::headless;

#if defined(__SANITIZE_ADDRESS__)
#define FW_LONG_RUN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_LONG_RUN_SANITIZED 1
#endif
#endif

namespace {

#ifdef FW_LONG_RUN_SANITIZED
constexpr int kDefaultFrames = 2400;
#else
constexpr int kDefaultFrames = 20000;
#endif

enum Ending { END_CITY, END_STARVED, END_DEAD, END_LEFT_WORLD, END_ABANDONED, END_COUNT };
const char* const kEndingNames[END_COUNT] = {"city", "starved", "dead", "left world", "abandoned"};

struct LongRun {
    int frames = kDefaultFrames;
    int drive = 700;          // frames of real driving before a journey is steered to its end
    bool alwaysSpace = false;  // leave every ending with Space, not every other one
    int frame = 0;
    int journeys = 0;
    int target = END_CITY;     // the ending the current journey is steered to
    int journeyFrames = 0;     // frames of the current journey
    int endedFrames = 0;       // frames of the current ending
    bool leaveWithSpace = false;
    int seen[END_COUNT] = {};
    int restores = 0;
    int sleepsInactive = 0;
    bool inactive = false;
    bool minimised = false;
    int soundToggles = 0;
    GameState last = GAMESTATE_TITLE;
};
LongRun g_Run;

LPARAM KeyLParam(int scan, bool repeat) { return LPARAM(1 | (scan << 16) | (repeat ? (1 << 30) : 0)); }
LPARAM KeyUpLParam(int scan) { return LPARAM(1 | (scan << 16) | (1 << 30) | (1u << 31)); }

void Key(int vk, int scan, bool repeat = false) {
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    PostMessageA(hwnd, WM_KEYDOWN, WPARAM(vk), KeyLParam(scan, repeat));
}
void KeyUp(int vk, int scan) {
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    PostMessageA(hwnd, WM_KEYUP, WPARAM(vk), KeyUpLParam(scan));
}

void PlaceWagon(float x, float y) {
    g_Game->wagon->body->SetXForm(b2Vec2(x, y), 0.0f);
    g_Game->wagon->body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    g_Game->wagon->body->SetAngularVelocity(0.0f);
}

// Steers the journey towards the ending it is meant to have, after a stretch of real driving.
void Steer(Game* g, LongRun& r) {
    const int kDrive = r.drive;
    if (r.journeyFrames % 30 == 0) Key(VK_LEFT, 0x4B, true);  // Left stays held
    if (r.journeyFrames % 400 == 200) Key(VK_RIGHT, 0x4D);    // a push the other way now and then
    if (r.journeyFrames % 400 == 215) KeyUp(VK_RIGHT, 0x4D);
    if (r.journeyFrames < kDrive) return;
    switch (r.target) {
    case END_CITY:
        for (const Feature& f : g->features)
            if (f.type == FEATURE_EL_MORVANE && r.journeyFrames % 60 == 0)
                PlaceWagon(f.position.x + f.size.x * 0.5f, f.position.y - 2.0f);
        break;
    case END_STARVED:
        if (r.journeyFrames == kDrive) {
            g->started = true;
            g->food = 1;
        }
        break;
    case END_DEAD:
        if (r.journeyFrames == kDrive)
            for (PartyMember& m : g->party) m.health = 0;
        break;
    case END_LEFT_WORLD:
        if (r.journeyFrames == kDrive) PlaceWagon(g->wagon->body->GetPosition().x, WORLD_HEIGHT + 20.0f);
        break;
    case END_ABANDONED:
        if (r.journeyFrames == kDrive) Key('R', 0x13);
        break;
    }
}

// Which way the journey that has just ended went.
int EndingOf(const Game* g) {
    if (g->won) return END_CITY;
    if (g->food == 0) return END_STARVED;
    if (g->wagon->body->GetPosition().y > GROUND_LINE + 1.0f) return END_LEFT_WORLD;
    return END_DEAD;
}

// Disturbances in the middle of the run, twice, at fixed points of each half (in ten-thousandths).
void Disturb(LongRun& r) {
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    const int half = r.frames / 2 > 0 ? r.frames / 2 : 1;
    const int pos = r.frame % half;
    auto at = [&](int point) { return pos == int(int64_t(point) * half / 10000); };
    if (at(1500)) d3d9test::LoseDevice(2);
    if (at(2600)) d3d9test::SetFault(d3d9test::Fault::Present, 1, 1);
    if (at(3700)) {
        r.inactive = true;
        hl::Deactivate(hwnd);
    }
    if (at(4800) || at(5200) || at(8100) || at(8110)) {
        g_Engine->System_SetState(STATE_USE_SOUND, !g_Engine->System_GetState(STATE_USE_SOUND));
        ++r.soundToggles;
    }
    if (at(6300)) {
        r.inactive = true;
        r.minimised = true;
        hl::Minimize(hwnd);
    }
    if (at(7400)) {
        d3d9test::LoseDevice(0);
        g_Engine->System_SetState(STATE_USE_SOUND, false);
        ++r.soundToggles;
    }
    if (at(7405)) {
        g_Engine->System_SetState(STATE_USE_SOUND, true);
        ++r.soundToggles;
    }
}

// While the window is inactive the loop only sleeps: the window comes back after 50 sleeps.
void SleepHook(DWORD) {
    LongRun& r = g_Run;
    if (!r.inactive || !g_Engine) return;
    if (++r.sleepsInactive % 50 != 0) return;
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    if (r.minimised) hl::Restore(hwnd);
    else hl::Activate(hwnd);
    r.inactive = r.minimised = false;
}

bool LongRunFrame() {
    LongRun& r = g_Run;
    ++r.frame;
    Disturb(r);
    if (GameFrame()) return true;
    Game* g = g_Game;

    if (g->state == GAMESTATE_TITLE) {
        if (r.last != GAMESTATE_TITLE) {
            if (r.last == GAMESTATE_JOURNEY) ++r.seen[END_ABANDONED];  // 'R' went straight back
            r.target = (r.target + 1) % END_COUNT;
        }
        if (r.frame % 20 == 0) Key(VK_LEFT, 0x4B);  // Left starts the journey
        r.journeyFrames = 0;
    } else if (g->state == GAMESTATE_JOURNEY) {
        if (r.last != GAMESTATE_JOURNEY) ++r.journeys;
        ++r.journeyFrames;
        Steer(g, r);
    } else {
        if (r.last != GAMESTATE_ENDED) {
            ++r.seen[EndingOf(g)];
            r.endedFrames = 0;
            r.leaveWithSpace = r.alwaysSpace || !r.leaveWithSpace;
        }
        ++r.endedFrames;
        if (r.leaveWithSpace && r.endedFrames == 150) Key(VK_SPACE, 0x39);
        if (r.target == END_ABANDONED && r.endedFrames == 30) Key('R', 0x13);
    }
    r.last = g->state;
    return r.frame >= r.frames;
}

bool CountedRestore() {
    ++g_Run.restores;
    return GameRestoreGfx();
}

}  // namespace

TEST(LongRunE2E, TwentyThousandFramesOfPlayWithEveryEndingAndDisturbances) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    hl::Reset();
    d3d9test::ResetControls();
    hl::SetDebugEcho(false);
    g_MouseCaptured = false;
    g_Run = LongRun();
    if (const char* n = std::getenv("FW_LONG_RUN_FRAMES")) g_Run.frames = std::atoi(n);
    if (g_Run.frames < 20000) {
        g_Run.drive = 120;
        g_Run.alwaysSpace = true;
    }
    hl::SetSleepHook(SleepHook);

    CreateGameEngine();
    g_Engine->System_SetState(STATE_FRAME_FUNC, LongRunFrame);
    g_Engine->System_SetState(STATE_GFX_RESTORE_FUNC, CountedRestore);
    ASSERT_TRUE(StartGame()) << (hl::MessageBoxes().empty() ? "" : hl::MessageBoxes().back().text);
    g_Engine->System_Start();
    EndGame();
    hl::SetSleepHook(nullptr);

    const LongRun& r = g_Run;
    EXPECT_EQ(r.frame, r.frames);
    for (const auto& box : hl::MessageBoxes()) ADD_FAILURE() << "message box: " << box.text;
    if (r.frames >= 2400) {
        for (int e = 0; e < END_COUNT; ++e) EXPECT_GE(r.seen[e], 1) << "no journey ended as: " << kEndingNames[e];
        EXPECT_GE(r.journeys, END_COUNT);
        EXPECT_GE(r.restores, 2);  // both device losses were recovered
        EXPECT_GE(r.soundToggles, 10);
    }
    for (int e = 0; e < END_COUNT; ++e) RecordProperty(kEndingNames[e], r.seen[e]);
    RecordProperty("journeys", r.journeys);
    hl::Reset();
    d3d9test::ResetControls();
}
