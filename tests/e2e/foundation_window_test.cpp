// The engine on the SDL2 backend: a real window of the set client size and title that runs
// frames at the set rate and closes on the close command. Needs a display or an explicitly
// chosen SDL video driver (SDL_VIDEODRIVER); skipped without either.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/win32/win32.h"

namespace {

Engine* g_engine = nullptr;
int g_frames = 0;
int g_renders = 0;
int g_exitAsked = 0;
int g_clientW = 0, g_clientH = 0;
std::string g_title;
float g_minDelta = 1.0f;

bool Frame() {
    ++g_frames;
    if (g_frames > 1 && g_engine->Timer_GetDelta() < g_minDelta) g_minDelta = g_engine->Timer_GetDelta();
    HWND hwnd = g_engine->System_GetStateHwnd(STATE_WINDOW);
    if (g_frames == 2) {
        SDL_Window* win = static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd));
        if (win) {
            SDL_GetWindowSize(win, &g_clientW, &g_clientH);
            g_title = SDL_GetWindowTitle(win);  // copied: the window goes with the close
        }
    }
    if (g_frames == 12) {
        // The window manager's close box: SDL reports it as a window close event.
        SDL_Event ev{};
        ev.type = SDL_WINDOWEVENT;
        ev.window.event = SDL_WINDOWEVENT_CLOSE;
        ev.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd)));
        SDL_PushEvent(&ev);
    }
    return g_frames >= 1000;  // ended by the close, not here
}

bool Render() {
    if (g_engine->Gfx_BeginScene()) {
        g_engine->Gfx_Clear(0xFF204060);
        g_engine->Gfx_EndScene();
    }
    ++g_renders;
    return false;
}

bool Exit() {
    ++g_exitAsked;
    return true;
}

TEST(FoundationWindow, RealWindowRunsFramesAndClosesOnTheCloseCommand) {
    const char* driver = getenv("SDL_VIDEODRIVER");
    if ((!driver || !*driver) && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "no display and no SDL video driver asked for";
    platform::headless::Reset();
    platform::SelectBackend(platform::Backend::Sdl);
    g_engine = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(g_engine, nullptr);
    g_engine->System_SetState(STATE_WINDOWED, true);
    g_engine->System_SetState(STATE_SCREEN_WIDTH, 320);
    g_engine->System_SetState(STATE_SCREEN_HEIGHT, 240);
    g_engine->System_SetState(STATE_TITLE, "Farewander host");
    g_engine->System_SetState(STATE_FPS, 30);
    g_engine->System_SetState(STATE_USE_SOUND, false);
    g_engine->System_SetState(STATE_DONT_SUSPEND, true);  // a window manager may not give focus
    g_engine->System_SetState(STATE_FRAME_FUNC, Frame);
    g_engine->System_SetState(STATE_RENDER_FUNC, Render);
    g_engine->System_SetState(STATE_EXIT_FUNC, Exit);
    ASSERT_TRUE(g_engine->System_Initiate()) << g_engine->System_GetErrorMessage();
    EXPECT_TRUE(g_engine->System_Start());
    EXPECT_EQ(g_frames, 12);
    EXPECT_GE(g_renders, 12);  // one per frame, and on paint messages
    EXPECT_EQ(g_exitAsked, 1);
    EXPECT_EQ(g_clientW, 320);
    EXPECT_EQ(g_clientH, 240);
    EXPECT_EQ(g_title, "Farewander host");
    EXPECT_GE(g_minDelta, 0.033f);  // 30 frames a second: at least 33 ms apart
    EXPECT_FALSE(IsWindow(g_engine->System_GetStateHwnd(STATE_WINDOW)));
    g_engine->System_Shutdown();
    g_engine->System_Release();
    platform::SelectBackend(platform::Backend::Headless);
}

}  // namespace
