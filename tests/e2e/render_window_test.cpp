// The game in a real window on the SDL2 backend (SDL's offscreen video driver unless another
// is chosen): after its first 12 frames the window shows the golden title frame at twice its
// size.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "tests/support/game_data.h"
#include "tests/support/golden.h"
#include "tests/support/render_journey_seed.h"

namespace {

d3d9test::Image g_Window;
bool g_Captured = false;

// The window's own pixels, as the user sees them.
d3d9test::Image ReadWindow() {
    d3d9test::Image img;
    SDL_Window* win = static_cast<SDL_Window*>(platform::SdlWindowOf(g_Engine->System_GetStateHwnd(STATE_WINDOW)));
    if (!win) return img;
    SDL_Surface* surface = SDL_GetWindowSurface(win);
    if (!surface) return img;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    if (!argb) return img;
    img.width = UINT(argb->w);
    img.height = UINT(argb->h);
    for (int y = 0; y < argb->h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
        for (int x = 0; x < argb->w; ++x) img.pixels.push_back(row[x] | 0xFF000000u);
    }
    SDL_FreeSurface(argb);
    return img;
}

bool TitleFrames() {
    // The frame drawn after the 12th update is on the window now.
    if (g_FrameCounter == 12) {
        g_Window = ReadWindow();
        g_Captured = true;
        return true;
    }
    return GameFrame() || g_FrameCounter > 100;
}

TEST(RenderWindow, TheWindowShowsTheTitleFrameAtTwiceItsSize) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::SelectBackend(platform::Backend::Sdl);
    platform::headless::SetDebugEcho(false);

    g_Engine = CreateEngine(ENGINE_VERSION);
    g_Engine->System_SetState(STATE_FRAME_FUNC, TitleFrames);
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
    if (!g_Engine->System_Initiate()) {
        std::string why = g_Engine->System_GetErrorMessage();
        g_Engine->System_Release();
        g_Engine = nullptr;
        GTEST_SKIP() << "no window: " << why;
    }
    g_ResourceManager = new ResourceManager("data\\tamble.res");
    ASSERT_TRUE(g_ResourceManager->LoadGroup(0)) << g_Engine->System_GetErrorMessage();
    new Game();
    render_test::SeedOfFullJourney(g_Game);
    g_Engine->System_Start();
    delete g_Game;
    g_Game = nullptr;
    delete g_ResourceManager;
    g_ResourceManager = nullptr;
    g_Engine->System_Shutdown();
    g_Engine->System_Release();
    g_Engine = nullptr;

    ASSERT_TRUE(g_Captured);
    ASSERT_EQ(g_Window.width, 640u);
    ASSERT_EQ(g_Window.height, 480u);
    d3d9test::Image title;
    ASSERT_TRUE(golden::ReadPng(std::string(FW_TEST_DATA_DIR) + "/golden/game_title_bright.png", &title));
    ASSERT_EQ(title.width, 320u);
    size_t differ = 0;
    for (UINT y = 0; y < 480; ++y)
        for (UINT x = 0; x < 640; ++x) differ += g_Window.At(x, y) != (title.At(x / 2, y / 2) | 0xFF000000u);
    // A few edge pixels of the golden frame may differ (see the golden frame tests), each seen 4 times.
    EXPECT_LE(differ, 32u) << "the window differs from the golden title frame at twice its size";
}

}  // namespace
