// Presentation through the whole engine: vertical-blank pacing of Present and the loss of a
// full-screen device when its window loses the focus.
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"

namespace {

namespace hl = platform::headless;

Engine* g_engine = nullptr;
std::vector<DWORD> g_ticks;
int g_stopAfter = 0;
int g_deactivateAt = 0;
int g_restores = 0;
int g_sleeps = 0;
int g_sleepsWhileLost = 0;
HRESULT g_coopWhileInactive = D3D_OK;

bool Frame() {
    g_ticks.push_back(hl::Now());
    int n = int(g_ticks.size());
    if (n == g_deactivateAt) hl::Deactivate(g_engine->System_GetStateHwnd(STATE_WINDOW));
    return n >= g_stopAfter;
}

bool Render() {
    g_engine->Gfx_BeginScene();
    g_engine->Gfx_Clear(0xFF000000);
    g_engine->Gfx_RenderRect(2, 2, 10, 10, 0xFF40C080);
    g_engine->Gfx_EndScene();
    return false;
}

bool Restore() {
    ++g_restores;
    return true;
}

// While the loop sleeps suspended, looks at the device, then gives the focus back.
void SleepHook(DWORD) {
    if (!g_deactivateAt || int(g_ticks.size()) < g_deactivateAt) return;
    if (++g_sleeps == 1) g_coopWhileInactive = g_engine->Gfx_GetDevice()->TestCooperativeLevel();
    if (g_sleeps == 50) hl::Activate(g_engine->System_GetStateHwnd(STATE_WINDOW));
    if (g_sleeps < 50) ++g_sleepsWhileLost;
}

class PresentationTest : public ::testing::Test {
protected:
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
        hl::SetReadStep(0);
        d3d9test::ResetControls();
        g_ticks.clear();
        g_stopAfter = 10;
        g_deactivateAt = 0;
        g_restores = g_sleeps = g_sleepsWhileLost = 0;
        g_coopWhileInactive = D3D_OK;
    }
    void TearDown() override {
        hl::SetSleepHook(nullptr);
        if (g_engine) {
            g_engine->System_Shutdown();
            g_engine->System_Release();
            g_engine = nullptr;
        }
        EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
    }
    void Start(bool windowed, int fps) {
        g_engine = CreateEngine(ENGINE_VERSION);
        ASSERT_NE(g_engine, nullptr);
        g_engine->System_SetStateBool(STATE_WINDOWED, windowed);
        g_engine->System_SetStateBool(STATE_USE_SOUND, false);
        g_engine->System_SetStateInt(STATE_SCREEN_WIDTH, 640);
        g_engine->System_SetStateInt(STATE_SCREEN_HEIGHT, 480);
        g_engine->System_SetStateInt(STATE_FPS, fps);
        g_engine->System_SetStateFunc(STATE_FRAME_FUNC, Frame);
        g_engine->System_SetStateFunc(STATE_RENDER_FUNC, Render);
        g_engine->System_SetStateFunc(STATE_GFX_RESTORE_FUNC, Restore);
        ASSERT_TRUE(g_engine->System_Initiate()) << g_engine->System_GetErrorMessage();
    }
};

TEST_F(PresentationTest, VsyncWaitsPaceFramesToTheRefreshRateUnlessImmediate) {
    d3d9test::EnableVsyncWait(true);
    Start(true, FPS_UNLIMITED);  // windowed: interval DEFAULT, which waits
    g_stopAfter = 30;
    ASSERT_TRUE(g_engine->System_Start());
    ASSERT_EQ(g_ticks.size(), 30u);
    // After the first presentation every frame follows a blank of the 60 Hz grid: frames
    // 16 or 17 ms apart, none drifting off the grid.
    for (size_t i = 2; i < g_ticks.size(); ++i) {
        DWORD gap = g_ticks[i] - g_ticks[i - 1];
        EXPECT_TRUE(gap == 16 || gap == 17) << "frame " << i << " gap " << gap;
    }
    DWORD span = g_ticks.back() - g_ticks[1];
    EXPECT_NEAR(double(span), 28 * 1000.0 / 60.0, 1.0);
    g_engine->System_Shutdown();
    g_engine->System_Release();
    g_engine = nullptr;

    // Full screen without FPS_VSYNC presents IMMEDIATE: no wait.
    g_ticks.clear();
    Start(false, FPS_UNLIMITED);
    ASSERT_EQ(d3d9test::PresentParameters(g_engine->Gfx_GetDevice()).PresentationInterval,
              D3DPRESENT_INTERVAL_IMMEDIATE);
    ASSERT_TRUE(g_engine->System_Start());
    for (size_t i = 1; i < g_ticks.size(); ++i) EXPECT_EQ(g_ticks[i] - g_ticks[i - 1], 1u);
    g_engine->System_Shutdown();
    g_engine->System_Release();
    g_engine = nullptr;

    // Full screen with FPS_VSYNC presents on interval ONE at the mode's rate.
    g_ticks.clear();
    Start(false, FPS_VSYNC);
    ASSERT_EQ(d3d9test::PresentParameters(g_engine->Gfx_GetDevice()).PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    ASSERT_TRUE(g_engine->System_Start());
    for (size_t i = 2; i < g_ticks.size(); ++i) {
        DWORD gap = g_ticks[i] - g_ticks[i - 1];
        EXPECT_TRUE(gap == 16 || gap == 17) << "frame " << i << " gap " << gap;
    }
}

TEST_F(PresentationTest, HeadlessPresentsDoNotWaitByDefault) {
    Start(true, FPS_UNLIMITED);
    ASSERT_TRUE(g_engine->System_Start());
    for (size_t i = 1; i < g_ticks.size(); ++i) EXPECT_EQ(g_ticks[i] - g_ticks[i - 1], 1u);
}

TEST_F(PresentationTest, FullScreenDeviceIsLostWithTheFocusAndRestoredOnItsReturn) {
    Start(false, 60);
    g_deactivateAt = 3;
    g_stopAfter = 6;
    hl::SetSleepHook(SleepHook);
    ASSERT_TRUE(g_engine->System_Start());
    ASSERT_EQ(g_ticks.size(), 6u);
    EXPECT_EQ(g_coopWhileInactive, D3DERR_DEVICELOST);
    EXPECT_GE(g_sleepsWhileLost, 40);
    EXPECT_EQ(g_restores, 1);
    d3d9test::Image shown = d3d9test::ReadPresented(g_engine->Gfx_GetDevice());
    ASSERT_EQ(shown.width, 640u);
    EXPECT_EQ(shown.At(5, 5), 0xFF40C080u);
    EXPECT_EQ(g_engine->Gfx_GetDevice()->TestCooperativeLevel(), D3D_OK);
}

TEST_F(PresentationTest, WindowedDeviceSurvivesFocusLossAndMinimising) {
    Start(true, 60);
    HWND w = g_engine->System_GetStateHwnd(STATE_WINDOW);
    hl::Deactivate(w);
    EXPECT_EQ(g_engine->Gfx_GetDevice()->TestCooperativeLevel(), D3D_OK);
    hl::Minimize(w);
    EXPECT_EQ(g_engine->Gfx_GetDevice()->TestCooperativeLevel(), D3D_OK);
    hl::Restore(w);
    Render();
    EXPECT_EQ(g_restores, 0);
}

}  // namespace
