// Drawing through the engine interface after System_Initiate: the frame loop's render
// callback draws into a render target and then, at twice its size, onto the screen.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"

namespace {

Engine* g_engine = nullptr;
TargetHandle g_target = nullptr;
int g_frames = 0;
int g_restores = 0;

bool Frame() { return ++g_frames >= 3; }

bool Render() {
    g_engine->Gfx_BeginScene(g_target);
    g_engine->Gfx_Clear(0xFF204060);
    g_engine->Gfx_RenderRect(4, 4, 8, 8, 0xFFFFC020);
    g_engine->Gfx_EndScene();

    g_engine->Gfx_BeginScene();
    g_engine->Gfx_Clear(0xFF000000);
    Quad q = {};
    const float xs[4] = {0, 64, 64, 0}, ys[4] = {0, 0, 64, 64}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; i++) {
        q.v[i].x = xs[i];
        q.v[i].y = ys[i];
        q.v[i].col = 0xFFFFFFFF;
        q.v[i].tx = us[i];
        q.v[i].ty = vs[i];
    }
    q.tex = g_engine->Target_GetTexture(g_target);
    q.blend = BLENDMODE_DEFAULT;
    g_engine->Gfx_RenderQuad(&q);
    g_engine->Gfx_EndScene();
    return false;
}

bool Restore() {
    g_restores++;
    return true;
}

}  // namespace

TEST(GfxSystem, HostDrawsThroughTheInterface) {
    platform::headless::Reset();
    platform::headless::SetDebugEcho(false);
    d3d9test::ResetControls();
    d3d9test::EnableJournal(true);
    g_engine = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(g_engine, nullptr);
    g_engine->System_SetStateBool(STATE_WINDOWED, true);
    g_engine->System_SetStateBool(STATE_USE_SOUND, false);
    g_engine->System_SetStateBool(STATE_TEXTURE_FILTER, false);
    g_engine->System_SetStateBool(STATE_DONT_SUSPEND, true);
    g_engine->System_SetStateInt(STATE_SCREEN_WIDTH, 64);
    g_engine->System_SetStateInt(STATE_SCREEN_HEIGHT, 64);
    g_engine->System_SetStateInt(STATE_FPS, 0);
    g_engine->System_SetStateFunc(STATE_FRAME_FUNC, Frame);
    g_engine->System_SetStateFunc(STATE_RENDER_FUNC, Render);
    g_engine->System_SetStateFunc(STATE_GFX_RESTORE_FUNC, Restore);
    ASSERT_TRUE(g_engine->System_Initiate()) << g_engine->System_GetErrorMessage();
    EXPECT_EQ(g_engine->System_GetStateInt(STATE_SCREEN_BPP), 32);

    g_target = g_engine->Target_Create(32, 32, false);
    ASSERT_NE(g_target, nullptr);
    g_frames = 0;
    g_engine->System_Start();
    EXPECT_EQ(g_frames, 3);

    d3d9test::Image shown = d3d9test::ReadPresented(g_engine->Gfx_GetDevice());
    ASSERT_EQ(shown.width, 64u);
    EXPECT_EQ(shown.At(10, 10), 0xFFFFC020u);
    EXPECT_EQ(shown.At(30, 30), 0xFF204060u);

    // The device is lost and comes back: the host's callback runs and the picture returns.
    d3d9test::LoseDevice(1);
    g_restores = 0;
    Render();  // refused while lost
    Render();  // restored
    EXPECT_EQ(g_restores, 1);
    shown = d3d9test::ReadPresented(g_engine->Gfx_GetDevice());
    EXPECT_EQ(shown.At(10, 10), 0xFFFFC020u);

    // Switching the texture filter flushes and sets the sampler.
    g_engine->System_SetStateBool(STATE_TEXTURE_FILTER, true);
    EXPECT_EQ(d3d9test::CallsNamed("SetSamplerState").back().args[2], D3DTEXF_LINEAR);

    g_engine->Target_Free(g_target);
    g_engine->System_Shutdown();
    g_engine->System_Release();
    EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
}
