// Keys and mouse from the SDL backend through the engine: SDL events pushed into SDL's queue
// reach the engine as input in the next frame.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/engine_impl.h"
#include "platform/backend/backend.h"
#include "platform/backend/headless.h"

namespace {

Engine* g_engine = nullptr;
std::vector<std::function<void()>> g_steps;
size_t g_step = 0;

bool Frame() {
    if (g_step < g_steps.size()) g_steps[g_step++]();
    return g_step >= g_steps.size();
}

Uint32 WindowId() {
    HWND hwnd = g_engine->System_GetStateHwnd(STATE_WINDOW);
    return SDL_GetWindowID(static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd)));
}

void PushKey(bool down, SDL_Scancode sc, Uint16 mod) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

TEST(InputSdl, KeysAndWheelReachTheEngine) {
    const char* driver = getenv("SDL_VIDEODRIVER");
    if ((!driver || !*driver) && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "no display and no SDL video driver asked for";
    platform::headless::Reset();
    platform::ResetKeyboardState();
    platform::SelectBackend(platform::Backend::Sdl);
    g_engine = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(g_engine, nullptr);
    g_engine->System_SetState(STATE_WINDOWED, true);
    g_engine->System_SetState(STATE_SCREEN_WIDTH, 320);
    g_engine->System_SetState(STATE_SCREEN_HEIGHT, 240);
    g_engine->System_SetState(STATE_USE_SOUND, false);
    g_engine->System_SetState(STATE_DONT_SUSPEND, true);
    g_engine->System_SetState(STATE_FPS, 60);
    g_engine->System_SetState(STATE_FRAME_FUNC, Frame);
    ASSERT_TRUE(g_engine->System_Initiate()) << g_engine->System_GetErrorMessage();

    std::vector<InputEvent> events;
    auto drain = [&] {
        events.clear();
        InputEvent ev;
        while (g_engine->Input_GetEvent(&ev)) events.push_back(ev);
    };
    g_steps = {
        [&] {
            PushKey(true, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT | KMOD_NUM);
            PushKey(true, SDL_SCANCODE_R, KMOD_LSHIFT | KMOD_NUM);
        },
        [&] {
            EXPECT_TRUE(g_engine->Input_KeyDown('R'));
            EXPECT_TRUE(g_engine->Input_KeyDown(VK_SHIFT));
            EXPECT_TRUE(g_engine->Input_GetKeyState(VK_SHIFT));
            EXPECT_EQ(g_engine->Input_GetChar(), 'R');
            drain();
            ASSERT_EQ(events.size(), 2u);
            EXPECT_EQ(events[1].flags & (INPUT_FLAG_SHIFT | INPUT_FLAG_NUMLOCK), INPUT_FLAG_SHIFT | INPUT_FLAG_NUMLOCK);
            PushKey(false, SDL_SCANCODE_R, KMOD_LSHIFT | KMOD_NUM);
            PushKey(false, SDL_SCANCODE_LSHIFT, KMOD_NUM);
            PushKey(true, SDL_SCANCODE_LALT, KMOD_LALT | KMOD_NUM);
            PushKey(true, SDL_SCANCODE_LEFT, KMOD_LALT | KMOD_NUM);
            SDL_Event w{};
            w.type = SDL_MOUSEWHEEL;
            w.wheel.windowID = WindowId();
            w.wheel.y = -1;
            w.wheel.preciseY = -1.0f;
            w.wheel.mouseX = 10;
            w.wheel.mouseY = 20;
            SDL_PushEvent(&w);
        },
        [&] {
            EXPECT_TRUE(g_engine->Input_KeyUp('R'));
            EXPECT_FALSE(g_engine->Input_GetKeyState(VK_SHIFT));
            EXPECT_TRUE(g_engine->Input_KeyDown(VK_LEFT));  // an Alt combination is a key like any other
            EXPECT_EQ(g_engine->Input_GetMouseWheel(), -1);
            drain();
            bool sawWheel = false;
            for (const InputEvent& ev : events) {
                if (ev.type == INPUT_KEYDOWN && ev.key == VK_LEFT) {
                    EXPECT_TRUE(ev.flags & INPUT_FLAG_ALT);
                }
                if (ev.type == INPUT_MOUSEWHEEL) {
                    sawWheel = true;
                    EXPECT_EQ(ev.x, 10.0f);
                    EXPECT_EQ(ev.y, 20.0f);
                }
            }
            EXPECT_TRUE(sawWheel);
            PushKey(false, SDL_SCANCODE_LEFT, KMOD_LALT | KMOD_NUM);
            PushKey(false, SDL_SCANCODE_LALT, KMOD_NUM);
        },
        [&] { EXPECT_TRUE(g_engine->Input_KeyUp(VK_MENU)); },
    };
    g_step = 0;
    EXPECT_TRUE(g_engine->System_Start());
    EXPECT_EQ(g_step, g_steps.size());
    g_engine->System_Shutdown();
    g_engine->System_Release();
    platform::ResetKeyboardState();
    platform::SelectBackend(platform::Backend::Headless);
    platform::headless::Reset();
}

}  // namespace
