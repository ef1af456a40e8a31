// Device set-up, mode search, failures at each step, loss and restore, window fitting.
#include <cmath>

#include "tests/engine/gfx_fixture.h"

using d3d9test::CallsNamed;
using d3d9test::CountCalls;
using d3d9test::Fault;

namespace {

bool Logged(const std::string& line) {
    for (const auto& l : platform::headless::DebugLines())
        if (l == line) return true;
    return false;
}

int restoreCalls = 0;
bool restoreResult = true;
bool RestoreFunc() {
    restoreCalls++;
    return restoreResult;
}

}  // namespace

using GfxDeviceTest = GfxTest;

TEST_F(GfxDeviceTest, WindowedStartFillsBothParameterSets) {
    ASSERT_TRUE(Start(GfxOptions{640, 480, true, true, false, 16, FPS_VSYNC}));
    EXPECT_EQ(e->d3dpp, &e->d3dppW);
    EXPECT_EQ(e->d3dppW.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(e->d3dppW.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(e->d3dppW.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
    EXPECT_EQ(e->d3dppW.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(e->d3dppW.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(e->d3dppW.hDeviceWindow, hwnd);
    EXPECT_EQ(e->d3dppFS.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(e->d3dppFS.Windowed, FALSE);
    EXPECT_EQ(e->d3dppFS.PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    // 16 bits asked on a 32-bit desktop: windowed goes on with the desktop's depth, but the
    // full-screen search found nothing.
    EXPECT_EQ(e->d3dppFS.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(e->screenBPP, 32);
    EXPECT_EQ(Error(), "Can't find appropriate full screen video mode");
    EXPECT_TRUE(Logged("Mode: 640 x 480 x UNKNOWN"));
    EXPECT_NE(e->screenDepth, nullptr);
    EXPECT_EQ(e->viewMatrix._11, 1.0f);
}

TEST_F(GfxDeviceTest, FullScreenModeSearchAndIntervals) {
    ASSERT_TRUE(Start(GfxOptions{640, 480, false, false, false, 32, 60}));
    EXPECT_EQ(e->d3dpp, &e->d3dppFS);
    EXPECT_EQ(e->d3dppFS.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(e->d3dppFS.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(e->d3dppFS.EnableAutoDepthStencil, FALSE);
    EXPECT_EQ(e->screenDepth, nullptr);
    EXPECT_TRUE(Logged("Mode: 640 x 480 x X8R8G8B8"));
}

TEST_F(GfxDeviceTest, FullScreenWithoutModeFails) {
    EXPECT_FALSE(Start(GfxOptions{640, 480, false, false, false, 16, 0}));
    EXPECT_EQ(Error(), "Can't find appropriate full screen video mode");
    EXPECT_EQ(e->d3dDevice, nullptr);
}

TEST_F(GfxDeviceTest, SixteenBitDesktops) {
    d3d9test::SetDesktopMode(1024, 768, D3DFMT_R5G6B5);
    ASSERT_TRUE(Start(GfxOptions{640, 480, true, false, false, 32, 0}));
    EXPECT_EQ(e->screenBPP, 16);
    EXPECT_TRUE(Logged("Mode: 640 x 480 x R5G6B5"));
    e->Gfx_Done();
    DestroyWindow(hwnd);
    hwnd = nullptr;

    // A desktop format outside the rank table counts as 16 bits (set before the device is
    // made; the device then refuses that format as a back buffer).
    d3d9test::SetDesktopMode(1024, 768, D3DFMT_A4R4G4B4);
    EXPECT_FALSE(Start(GfxOptions{640, 480, true, false, false, 32, 0}));
    EXPECT_EQ(e->screenBPP, 16);
    EXPECT_EQ(Error(), "Can't create D3D device");
}

TEST_F(GfxDeviceTest, FailuresAtEachStepReleaseWhatWasMade) {
    struct Case {
        Fault fault;
        bool windowed;
        const char* message;
    };
    const Case cases[] = {
        {Fault::Create, true, "Can't create D3D interface"},
        {Fault::DesktopMode, true, "Can't determine desktop video mode"},
        {Fault::CreateDevice, true, "Can't create D3D device"},
        {Fault::VertexBuffer, true, "Can't create D3D vertex buffer"},
        {Fault::IndexBuffer, true, "Can't create D3D index buffer"},
        {Fault::IndexBufferLock, true, "Can't lock D3D index buffer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        d3d9test::ResetControls();
        d3d9test::SetFault(c.fault);
        EXPECT_FALSE(Start(GfxOptions{640, 480, c.windowed, true, false, 32, 0}));
        EXPECT_EQ(Error(), c.message);
        e->Gfx_Done();
        EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
        e->Gfx_Done();  // a second one releases nothing
        EXPECT_EQ(e->d3d, nullptr);
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
}

TEST_F(GfxDeviceTest, FullScreenGoesOnWithUnknownDesktop) {
    d3d9test::SetFault(Fault::DesktopMode);
    // No desktop format: the mode search finds nothing and full screen then fails there.
    EXPECT_FALSE(Start(GfxOptions{640, 480, false, false, false, 32, 0}));
    EXPECT_EQ(Error(), "Can't find appropriate full screen video mode");
    EXPECT_TRUE(Logged("Can't determine desktop video mode"));
}

TEST_F(GfxDeviceTest, IndexPatternAndStartUpClear) {
    ASSERT_TRUE(Start());
    void* p = nullptr;
    ASSERT_EQ(e->indexBuffer->Lock(0, 0, &p, 0), D3D_OK);
    const WORD* idx = static_cast<const WORD*>(p);
    EXPECT_EQ(std::vector<WORD>(idx, idx + 6), (std::vector<WORD>{0, 1, 2, 2, 3, 0}));
    EXPECT_EQ(std::vector<WORD>(idx + 5994, idx + 6000), (std::vector<WORD>{3996, 3997, 3998, 3998, 3999, 3996}));
    e->indexBuffer->Unlock();

    // Start-up clears the screen to black outside any scene.
    EXPECT_EQ(CountCalls("Clear"), 1u);
    EXPECT_EQ(CountCalls("BeginScene"), 0u);
}

TEST_F(GfxDeviceTest, ProjectionMapsPixelEdges) {
    ASSERT_TRUE(Start(GfxOptions{640, 480, true, false, false, 32, 0}));
    const D3DMATRIX& m = e->projMatrix;
    auto clip = [&](float x, float y) {
        return std::make_pair(x * m._11 + y * m._21 + m._41, x * m._12 + y * m._22 + m._42);
    };
    auto a = clip(0.5f, 0.5f);
    EXPECT_NEAR(a.first, -1.0f, 1e-6);
    EXPECT_NEAR(a.second, 1.0f, 1e-6);
    auto b = clip(640.5f, 480.5f);
    EXPECT_NEAR(b.first, 1.0f, 1e-6);
    EXPECT_NEAR(b.second, -1.0f, 1e-6);
}

TEST_F(GfxDeviceTest, LostDeviceRefusesScenesThenRestores) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, true, false, 32, 0}));
    restoreCalls = 0;
    restoreResult = true;
    e->gfxRestoreFunc = RestoreFunc;

    TextureHandle managed = MakeTexture(8, 8, [](int x, int y) { return 0xFF000000u | (x * 16 + y); });
    TargetHandle target = engine->Target_Create(20, 20, true);
    TargetHandle plain = engine->Target_Create(16, 16, false);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(plain, nullptr);

    // The desktop changes to 16 bits while the device is lost.
    d3d9test::SetDesktopMode(1024, 768, D3DFMT_R5G6B5);
    d3d9test::LoseDevice(2);
    e->errorText[0] = 0;
    d3d9test::ClearJournal();
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_FALSE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(Error(), "");
    engine->Gfx_RenderRect(0, 0, 4, 4, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_EQ(CountCalls("DrawIndexedPrimitive"), 0u);
    EXPECT_EQ(CountCalls("Reset"), 0u);
    EXPECT_EQ(restoreCalls, 0);

    // Now it may be reset: the next scene restores everything and calls back.
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(CountCalls("Reset"), 1u);
    EXPECT_EQ(restoreCalls, 1);
    EXPECT_EQ(e->screenBPP, 16);
    EXPECT_EQ(e->d3dppW.BackBufferFormat, D3DFMT_R5G6B5);
    engine->Gfx_EndScene();

    for (TargetHandle t : {target, plain}) {
        TextureHandle tex = engine->Target_GetTexture(t);
        ASSERT_NE(tex, nullptr);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
        EXPECT_EQ(desc.Width, static_cast<UINT>(t->width));
    }
    EXPECT_NE(target->depth, nullptr);
    EXPECT_EQ(plain->depth, nullptr);
    // A 16-bit target texture cannot be locked: null, no message.
    e->errorText[0] = 0;
    EXPECT_EQ(engine->Texture_Lock(engine->Target_GetTexture(plain)), nullptr);
    EXPECT_EQ(Error(), "");

    // The managed texture is untouched.
    DWORD* px = engine->Texture_Lock(managed, true);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(px[3 * 8 + 2], 0xFF000000u | (2 * 16 + 3));
    engine->Texture_Unlock(managed);

    engine->Texture_Free(managed);
    engine->Target_Free(target);
    engine->Target_Free(plain);
    e->gfxRestoreFunc = nullptr;
}

TEST_F(GfxDeviceTest, RestoreCallbackFalseAndFailedReset) {
    ASSERT_TRUE(Start());
    restoreCalls = 0;
    restoreResult = false;
    e->gfxRestoreFunc = RestoreFunc;
    d3d9test::LoseDevice(0);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_EQ(restoreCalls, 1);

    // A refused reset leaves the device waiting; the next scene tries again.
    restoreResult = true;
    d3d9test::LoseDevice(0);
    d3d9test::SetFault(Fault::Reset, 1, 1);
    d3d9test::ClearJournal();
    engine->Gfx_BeginScene();
    engine->Gfx_EndScene();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_EQ(CountCalls("Reset"), 2u);
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFFFF0000);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(1, 1), 0xFFFF0000u);
    e->gfxRestoreFunc = nullptr;
}

TEST_F(GfxDeviceTest, RecoversFromBufferFailureDuringRestore) {
    ASSERT_TRUE(Start());
    d3d9test::LoseDevice(0);
    d3d9test::SetFault(Fault::VertexBuffer, 1, 1);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_EQ(Error(), "Can't create D3D vertex buffer");
    EXPECT_EQ(e->vertexBuffer, nullptr);
    // The device reports no loss now, yet the buffers are made again before the next scene.
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFF00FF00);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(1, 1), 0xFF00FF00u);
}

TEST_F(GfxDeviceTest, RecoversFromIndexLockFailureDuringRestore) {
    ASSERT_TRUE(Start());
    d3d9test::LoseDevice(0);
    d3d9test::SetFault(Fault::IndexBufferLock, 1, 1);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_EQ(Error(), "Can't lock D3D index buffer");
    // Both buffers are held, yet the quad pattern was never written: it is made again.
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFF00FF00);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(1, 1), 0xFF00FF00u);
}

TEST_F(GfxDeviceTest, UnreadableDesktopAtResetRefusesScene) {
    ASSERT_TRUE(Start());
    d3d9test::LoseDevice(0);
    d3d9test::SetFault(Fault::DesktopMode, 1, 1);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_EQ(Error(), "Can't determine desktop video mode");
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_EndScene();
}

TEST_F(GfxDeviceTest, RestoreDuringOpenSceneAndOnRenderTarget) {
    ASSERT_TRUE(Start());
    TargetHandle target = engine->Target_Create(32, 32, false);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_RenderRect(0, 0, 4, 4, 0xFFFFFFFF);
    // The scene is not ended; the device needs a reset meanwhile.
    d3d9test::LoseDevice(0);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    // After the reset the device draws into the back buffer, and so does the engine.
    EXPECT_EQ(e->curTarget, nullptr);
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFF0000FF);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(2, 2), 0xFF0000FFu);
    engine->Target_Free(target);
}

TEST_F(GfxDeviceTest, ResizeFollowsParentOnly) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, false, 32, 0}));
    d3d9test::ClearJournal();
    e->Gfx_Resize(100, 80);
    EXPECT_EQ(e->screenWidth, 64);
    EXPECT_EQ(CountCalls("Reset"), 0u);

    e->parentWindow = hwnd;  // any window stands for the parent here
    e->Gfx_Resize(100, 80);
    EXPECT_EQ(e->screenWidth, 100);
    EXPECT_EQ(e->screenHeight, 80);
    EXPECT_EQ(e->d3dppW.BackBufferWidth, 100u);
    EXPECT_EQ(CountCalls("Reset"), 1u);
    EXPECT_EQ(d3d9test::PresentParameters(e->d3dDevice).BackBufferHeight, 80u);
    e->parentWindow = nullptr;
}

TEST_F(GfxDeviceTest, ShutdownWithAnOpenSceneReleasesEverything) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, true, false, 32, 0}));
    TargetHandle target = engine->Target_Create(16, 16, true);
    TextureHandle tex = MakeTexture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    Quad q = MakeQuad(0, 0, 4, 4, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&q);
    engine->Texture_Free(tex);
    e->Gfx_Done();
    EXPECT_EQ(e->vertArray, nullptr);
    EXPECT_EQ(e->targets, nullptr);
    EXPECT_EQ(e->curTarget, nullptr);
    EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
    // Nothing is left to draw with.
    EXPECT_FALSE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(0, 0, 1, 1, 0);
    engine->Gfx_EndScene();
}

TEST_F(GfxDeviceTest, FullScreenFocusLossAndReturn) {
    ASSERT_TRUE(Start(GfxOptions{640, 480, false, false, false, 32, 0}));
    d3d9test::WindowActivated(hwnd, false);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    d3d9test::WindowActivated(hwnd, true);
    d3d9test::ClearJournal();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_EQ(CountCalls("Reset"), 1u);
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(e->d3dpp->BackBufferFormat, D3DFMT_X8R8G8B8);
}
