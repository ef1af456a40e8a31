// The SDL2 backend: no window without a display unless a driver was asked for; with SDL's
// offscreen driver a real window of the client size and title, presentation, and SDL window
// events as window messages.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/win32/win32.h"

namespace {

namespace hl = platform::headless;

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

class SdlBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
        platform::SelectBackend(platform::Backend::Sdl);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "SDL_TEST";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        hl::Reset();
        platform::SelectBackend(platform::Backend::Headless);
    }
    HWND Make(const char* title, int w, int h) {
        return CreateWindowExA(0, "SDL_TEST", title, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 40, 30,
                               w + 2 * GetSystemMetrics(SM_CXFIXEDFRAME),
                               h + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION), nullptr,
                               nullptr, nullptr, nullptr);
    }
    static std::vector<MSG> Pump() {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            out.push_back(m);
            if (m.message != WM_QUIT) DispatchMessageA(&m);
        }
        return out;
    }
};

TEST(BackendSwitch, TestsStartHeadlessAndTheChoiceSticks) {
    EXPECT_EQ(platform::CurrentBackend(), platform::Backend::Headless);
    platform::SelectBackend(platform::Backend::Sdl);
    EXPECT_EQ(platform::CurrentBackend(), platform::Backend::Sdl);
    platform::SelectBackend(platform::Backend::Headless);
    hl::Reset();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "HEADLESS_ONLY";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "HEADLESS_ONLY", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(platform::SdlWindowOf(w), nullptr);
    uint32_t px[4] = {0, 0, 0, 0};
    EXPECT_TRUE(platform::PresentToWindow(w, px, 2, 2, 8));
    EXPECT_EQ(hl::PresentCount(w), 1);
    DestroyWindow(w);
    EXPECT_FALSE(platform::PresentToWindow(w, px, 2, 2, 8));
    hl::Reset();
}

// Runs first: once SDL video is up in this process, it stays up.
TEST_F(SdlBackendTest, NoDisplayAndNoDriverAskedForMeansNoWindow) {
    std::string saved = getenv("SDL_VIDEODRIVER") ? getenv("SDL_VIDEODRIVER") : "";
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(Make("nothing", 64, 48), nullptr);
    EXPECT_TRUE(hl::Windows().empty());
    if (!saved.empty()) setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
}

TEST_F(SdlBackendTest, OffscreenDriverGivesARealWindowOfTheClientSizeAndTitle) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    HWND hwnd = Make("Farewander", 640, 480);
    ASSERT_NE(hwnd, nullptr) << SDL_GetError();
    SDL_Window* win = static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd));
    ASSERT_NE(win, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_STREQ(SDL_GetWindowTitle(win), "Farewander");
    SetWindowTextA(hwnd, "Renamed");
    EXPECT_STREQ(SDL_GetWindowTitle(win), "Renamed");

    std::vector<uint32_t> pixels(320 * 240, 0xFF336699u);
    EXPECT_TRUE(platform::PresentToWindow(hwnd, pixels.data(), 320, 240, 320 * 4));  // stretched
    SDL_Surface* s = SDL_GetWindowSurface(win);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(SDL_LockSurface(s), 0);
    Uint8 r, g, b;
    SDL_GetRGB(static_cast<Uint32*>(s->pixels)[s->pitch / 4 * 100 + 100], s->format, &r, &g, &b);
    SDL_UnlockSurface(s);
    EXPECT_EQ(r, 0x33);
    EXPECT_EQ(g, 0x66);
    EXPECT_EQ(b, 0x99);

    // A top-most popup at the origin is the full-screen presentation; a caption style again
    // gives the window back its client size.
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 320, 240, SWP_FRAMECHANGED);
    EXPECT_TRUE(SDL_GetWindowFlags(win) & SDL_WINDOW_FULLSCREEN);
    EXPECT_TRUE(platform::PresentToWindow(hwnd, pixels.data(), 320, 240, 320 * 4));
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_CAPTION));
    SetWindowPos(hwnd, HWND_NOTOPMOST, 40, 30, 646, 505, SWP_FRAMECHANGED);
    EXPECT_FALSE(SDL_GetWindowFlags(win) & SDL_WINDOW_FULLSCREEN);
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    DestroyWindow(hwnd);
    EXPECT_EQ(platform::SdlWindowOf(hwnd), nullptr);
}

TEST_F(SdlBackendTest, WindowEventsBecomeWindowMessages) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    HWND hwnd = Make("events", 100, 80);
    ASSERT_NE(hwnd, nullptr);
    Pump();
    SDL_Window* win = static_cast<SDL_Window*>(platform::SdlWindowOf(hwnd));
    auto push = [&](Uint8 event) {
        SDL_Event ev{};
        ev.type = SDL_WINDOWEVENT;
        ev.window.event = event;
        ev.window.windowID = SDL_GetWindowID(win);
        SDL_PushEvent(&ev);
    };
    push(SDL_WINDOWEVENT_FOCUS_LOST);
    std::vector<MSG> got = Pump();
    bool deactivated = false;
    for (const MSG& m : got)
        if (m.message == WM_ACTIVATE && LOWORD(m.wParam) == WA_INACTIVE) deactivated = true;
    EXPECT_TRUE(deactivated);
    EXPECT_EQ(GetActiveWindow(), nullptr);

    push(SDL_WINDOWEVENT_FOCUS_GAINED);
    got = Pump();
    bool activated = false;
    for (const MSG& m : got)
        if (m.message == WM_ACTIVATE && LOWORD(m.wParam) == WA_ACTIVE && HIWORD(m.wParam) == 0) activated = true;
    EXPECT_TRUE(activated);
    EXPECT_EQ(GetActiveWindow(), hwnd);

    push(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);  // the last window's close also quits: the close is asked once
    got = Pump();
    int closes = 0;
    for (const MSG& m : got)
        if (m.message == WM_SYSCOMMAND && m.wParam == SC_CLOSE) ++closes;
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(IsWindow(hwnd));  // default processing destroyed it
}

}  // namespace
