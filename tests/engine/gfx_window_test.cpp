// The SDL2 backend: what the engine presents appears in the program's real window.
// Under a display (for instance Xvfb) the window is a real X window; without one SDL's
// offscreen driver is asked for.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/engine.h"
#include "platform/backend/backend.h"
#include "platform/d3d9/d3d9_test.h"

// The system's video libraries that SDL loads (and unloads) keep allocations of their own
// past exit; they would drown the leak check of this program, which exercises only them
// beyond what the headless tests cover.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace {

Engine* g_engine = nullptr;
int g_frames = 0;

bool Frame() { return ++g_frames >= 2; }

bool Render() {
    g_engine->Gfx_BeginScene();
    g_engine->Gfx_Clear(0xFF102040);
    g_engine->Gfx_RenderRect(10, 10, 20, 20, 0xFFF0A000);
    g_engine->Gfx_RenderLine(0, 50.5f, 80, 50.5f, 0xFF00FF00);
    g_engine->Gfx_EndScene();
    return false;
}

uint32_t WindowPixel(SDL_Surface* s, int x, int y) {
    uint32_t raw = 0;
    memcpy(&raw, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
           s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

}  // namespace

TEST(GfxWindow, DrawingShowsInTheWindow) {
    if (!getenv("DISPLAY") || !*getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::SelectBackend(platform::Backend::Sdl);

    g_engine = CreateEngine(ENGINE_VERSION);
    g_engine->System_SetStateBool(STATE_WINDOWED, true);
    g_engine->System_SetStateBool(STATE_USE_SOUND, false);
    g_engine->System_SetStateBool(STATE_DONT_SUSPEND, true);
    g_engine->System_SetStateBool(STATE_HIDE_MOUSE, false);
    g_engine->System_SetStateInt(STATE_SCREEN_WIDTH, 80);
    g_engine->System_SetStateInt(STATE_SCREEN_HEIGHT, 60);
    g_engine->System_SetStateInt(STATE_FPS, 30);
    g_engine->System_SetStateFunc(STATE_FRAME_FUNC, Frame);
    g_engine->System_SetStateFunc(STATE_RENDER_FUNC, Render);
    if (!g_engine->System_Initiate()) {
        std::string why = g_engine->System_GetErrorMessage();
        g_engine->System_Release();
        GTEST_SKIP() << "no SDL window: " << why;
    }
    g_engine->System_Start();

    HWND hwnd = g_engine->System_GetStateHwnd(STATE_WINDOW);
    SDL_Window* win = static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd));
    ASSERT_NE(win, nullptr);
    SDL_Surface* s = SDL_GetWindowSurface(win);
    ASSERT_NE(s, nullptr);
    ASSERT_GE(s->w, 80);
    ASSERT_GE(s->h, 60);
    // The client area sits where the window system puts it inside the SDL window: find the
    // picture by its background and compare pixels relative to the client origin.
    d3d9test::Image presented = d3d9test::ReadPresented(g_engine->Gfx_GetDevice());
    ASSERT_EQ(presented.width, 80u);
    EXPECT_EQ(presented.At(15, 15), 0xFFF0A000u);
    int ox = s->w - 80, oy = s->h - 60;  // a caption and frame, if any, lie above and around
    bool found = false;
    for (int y0 = 0; y0 <= oy && !found; y0++)
        for (int x0 = 0; x0 <= ox && !found; x0++)
            found = WindowPixel(s, x0 + 15, y0 + 15) == 0xFFF0A000u && WindowPixel(s, x0 + 5, y0 + 5) == 0xFF102040u &&
                    WindowPixel(s, x0 + 40, y0 + 50) == 0xFF00FF00u && WindowPixel(s, x0 + 35, y0 + 35) == 0xFF102040u;
    EXPECT_TRUE(found) << "the window does not show the presented picture";

    g_engine->System_Shutdown();
    g_engine->System_Release();
    SDL_Quit();
}
