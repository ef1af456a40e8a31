// Scenes, primitives and batching, observed through the device's call journal.
#include "tests/engine/gfx_fixture.h"

using d3d9test::CallsNamed;
using d3d9test::CountCalls;

namespace {

size_t Draws() { return CountCalls("DrawPrimitive") + CountCalls("DrawIndexedPrimitive"); }

}  // namespace

class GfxSceneTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        ASSERT_TRUE(Start());
        d3d9test::ClearJournal();
    }
};

TEST_F(GfxSceneTest, BatchLimitsStartNewDrawCalls) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad q = MakeQuad(0, 0, 4, 4, 0xFFFFFFFF);
    for (int i = 0; i < 1001; i++) engine->Gfx_RenderQuad(&q);
    engine->Gfx_EndScene();
    auto quads = CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].args, (std::vector<int64_t>{D3DPT_TRIANGLELIST, 0, 0, 4000, 0, 2000}));
    EXPECT_EQ(quads[1].args, (std::vector<int64_t>{D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2}));

    d3d9test::ClearJournal();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    for (int i = 0; i < 2000; i++) engine->Gfx_RenderLine(0, 0, 5, 5);
    engine->Gfx_FlushBatch();
    auto lines = CallsNamed("DrawPrimitive");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].args, (std::vector<int64_t>{D3DPT_LINELIST, 0, 2000}));
    for (int i = 0; i < 2001; i++) engine->Gfx_RenderLine(0, 0, 5, 5);
    engine->Gfx_FlushBatch();
    EXPECT_EQ(CountCalls("DrawPrimitive"), 3u);

    d3d9test::ClearJournal();
    Triangle t = MakeTriangle(0, 0, 5, 0, 0, 5, 0xFFFFFFFF);
    for (int i = 0; i < 1334; i++) engine->Gfx_RenderTriangle(&t);
    engine->Gfx_EndScene();
    auto tris = CallsNamed("DrawPrimitive");
    ASSERT_EQ(tris.size(), 2u);
    EXPECT_EQ(tris[0].args, (std::vector<int64_t>{D3DPT_TRIANGLELIST, 0, 1333}));
    EXPECT_EQ(tris[1].args, (std::vector<int64_t>{D3DPT_TRIANGLELIST, 0, 1}));
}

TEST_F(GfxSceneTest, TextureBlendAndKindChangesFlush) {
    TextureHandle tex = MakeTexture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_NE(tex, nullptr);
    d3d9test::ClearJournal();

    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad textured = MakeQuad(0, 0, 8, 8, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&textured);
    engine->Gfx_RenderLine(0, 0, 10, 10);
    engine->Gfx_RenderQuad(&textured);
    engine->Gfx_FlushBatch();
    EXPECT_EQ(Draws(), 3u);
    // Texture set for the quad, cleared for the line, set again: only on change.
    auto textures = CallsNamed("SetTexture");
    ASSERT_EQ(textures.size(), 3u);
    EXPECT_EQ(textures[1].args[1], 0);

    // Same texture, different blend: one more draw; only the alpha bit (DESTBLEND) is sent.
    d3d9test::ClearJournal();
    Quad a = MakeQuad(0, 0, 8, 8, 0xFFFFFFFF, tex, BLENDMODE_DEFAULT);
    Quad b = MakeQuad(0, 0, 8, 8, 0xFFFFFFFF, tex, BLENDMODE_ALPHAADD);
    engine->Gfx_RenderQuad(&a);
    engine->Gfx_RenderQuad(&a);
    engine->Gfx_RenderQuad(&b);
    engine->Gfx_FlushBatch();
    EXPECT_EQ(Draws(), 2u);
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_DESTBLEND, D3DBLEND_ONE), 1u);
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(CountCalls("SetTextureStageState"), 0u);
    EXPECT_EQ(CountCalls("SetTexture"), 0u);

    // All three bits at once.
    d3d9test::ClearJournal();
    Quad c = MakeQuad(0, 0, 8, 8, 0xFFFFFFFF, tex, BLENDMODE_COLORADD | BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE);
    engine->Gfx_RenderQuad(&c);
    engine->Gfx_EndScene();
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), 1u);
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_ZWRITEENABLE, TRUE), 1u);
    EXPECT_EQ(CountCalls("SetTextureStageState", 0, D3DTSS_COLOROP), 1u);
    engine->Texture_Free(tex);
}

TEST_F(GfxSceneTest, PrimitivesOutsideSceneDoNothing) {
    Quad q = MakeQuad(0, 0, 4, 4, 0xFFFFFFFF);
    Triangle t = MakeTriangle(0, 0, 5, 0, 0, 5, 0xFFFFFFFF);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_RenderTriangle(&t);
    engine->Gfx_RenderLine(0, 0, 1, 1);
    engine->Gfx_RenderRect(0, 0, 5, 5, 0xFF00FF00);
    engine->Gfx_FlushBatch();
    int maxPrim = -7;
    EXPECT_EQ(engine->Gfx_BeginBatch(PRIM_QUADS, nullptr, BLENDMODE_DEFAULT, &maxPrim), nullptr);
    EXPECT_EQ(maxPrim, -7);
    engine->Gfx_EndBatch(10);
    engine->Gfx_EndScene();
    EXPECT_EQ(Draws(), 0u);
    EXPECT_EQ(e->nPrim, 0);
    // Null primitives inside a scene are ignored too.
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_RenderQuad(nullptr);
    engine->Gfx_RenderTriangle(nullptr);
    engine->Gfx_EndScene();
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(GfxSceneTest, DirectBatches) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    int maxPrim = 0;
    Vertex* v = engine->Gfx_BeginBatch(PRIM_TRIANGLES, nullptr, BLENDMODE_DEFAULT, &maxPrim);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(maxPrim, 1333);
    EXPECT_EQ(engine->Gfx_BeginBatch(PRIM_LINES, nullptr, BLENDMODE_DEFAULT, &maxPrim), v);
    EXPECT_EQ(maxPrim, 2000);
    v = engine->Gfx_BeginBatch(PRIM_QUADS, nullptr, BLENDMODE_DEFAULT, &maxPrim);
    EXPECT_EQ(maxPrim, 1000);
    // Only the three kinds exist; another type is refused rather than dividing by zero.
    EXPECT_EQ(engine->Gfx_BeginBatch(0, nullptr, BLENDMODE_DEFAULT, &maxPrim), nullptr);
    EXPECT_EQ(engine->Gfx_BeginBatch(5, nullptr, BLENDMODE_DEFAULT, &maxPrim), nullptr);

    memset(v, 0, sizeof(Vertex) * 8);
    engine->Gfx_EndBatch(2);
    engine->Gfx_FlushBatch();
    auto calls = CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[5], 4);

    // A count past the buffer is held to the batch limit.
    engine->Gfx_BeginBatch(PRIM_QUADS, nullptr, BLENDMODE_DEFAULT, &maxPrim);
    engine->Gfx_EndBatch(5000);
    engine->Gfx_EndScene();
    calls = CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].args[5], 2000);
}

TEST_F(GfxSceneTest, RenderRectCorners) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(10, 20, 30, 40, 0x80112233);
    Vertex* v = e->vertArray;
    EXPECT_EQ(e->curPrimType, PRIM_QUADS);
    EXPECT_EQ(e->curBlendMode, BLENDMODE_DEFAULT);
    const float want[4][2] = {{10, 20}, {40, 20}, {40, 60}, {10, 60}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(v[i].x, want[i][0]);
        EXPECT_EQ(v[i].y, want[i][1]);
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].col, 0x80112233u);
    }
    engine->Gfx_EndScene();
}

TEST_F(GfxSceneTest, SecondBeginSceneFailsAndOpenSceneGoesOn) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_FALSE(engine->Gfx_BeginScene());
    EXPECT_EQ(Error(), "Gfx_BeginScene: Scene is already being rendered");
    engine->Gfx_RenderRect(0, 0, 4, 4, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(CountCalls("Present"), 1u);
}

TEST_F(GfxSceneTest, ClippingRectangles) {
    engine->Gfx_SetClipping(-10, -10, 50, 50);
    engine->Gfx_SetClipping(0, 0, 0, 0);
    engine->Gfx_SetClipping(30, 40, 100, 100);
    auto vps = CallsNamed("SetViewport");
    ASSERT_EQ(vps.size(), 3u);
    EXPECT_EQ(vps[0].args, (std::vector<int64_t>{0, 0, 40, 40}));
    EXPECT_EQ(vps[1].args, (std::vector<int64_t>{0, 0, 64, 64}));
    EXPECT_EQ(vps[2].args, (std::vector<int64_t>{30, 40, 34, 24}));

    // A rectangle wholly outside the target sets no viewport; nothing is drawn until the
    // next clip rectangle.
    d3d9test::ClearJournal();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_SetClipping(100, 100, 10, 10);
    EXPECT_EQ(CountCalls("SetViewport"), 0u);
    engine->Gfx_RenderRect(0, 0, 64, 64, 0xFFFFFFFF);
    engine->Gfx_Clear(0xFF00FF00);
    engine->Gfx_FlushBatch();
    EXPECT_EQ(Draws(), 0u);
    EXPECT_EQ(CountCalls("Clear"), 0u);
    engine->Gfx_SetClipping();
    engine->Gfx_RenderRect(0, 0, 64, 64, 0xFFFFFFFF);
    engine->Gfx_EndScene();
    EXPECT_EQ(Draws(), 1u);
}

TEST_F(GfxSceneTest, SameTargetKeepsClipAndViewOtherTargetResets) {
    TargetHandle target = engine->Target_Create(32, 32, false);
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_SetClipping(5, 5, 10, 10);
    engine->Gfx_SetTransform(0, 0, 7, 0, 0, 1, 1);
    engine->Gfx_EndScene();
    D3DMATRIX view = e->viewMatrix;
    D3DMATRIX proj = e->projMatrix;
    EXPECT_EQ(view._41, 7.0f);

    d3d9test::ClearJournal();
    ASSERT_TRUE(engine->Gfx_BeginScene());
    EXPECT_EQ(CountCalls("SetRenderTarget"), 0u);
    EXPECT_EQ(memcmp(&view, &e->viewMatrix, sizeof(view)), 0);
    EXPECT_EQ(memcmp(&proj, &e->projMatrix, sizeof(proj)), 0);
    engine->Gfx_EndScene();

    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(CountCalls("SetRenderTarget"), 1u);
    EXPECT_EQ(e->viewMatrix._41, 0.0f);
    EXPECT_EQ(e->viewMatrix._11, 1.0f);
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_ZENABLE, FALSE), 1u);
    engine->Gfx_EndScene();
    // Nothing is presented after a scene on a render target.
    EXPECT_EQ(CountCalls("Present"), 1u);
    engine->Target_Free(target);
}

TEST_F(GfxSceneTest, TransformZeroVscaleIsReset) {
    engine->Gfx_SetTransform(10, 10, 5, 5, 1.0f, 2.0f, 0.0f);
    EXPECT_EQ(e->viewMatrix._11, 1.0f);
    EXPECT_EQ(e->viewMatrix._41, 0.0f);
    EXPECT_EQ(e->viewMatrix._12, 0.0f);
    // hscale 0 collapses x: every point lands on x = x0 + dx.
    engine->Gfx_SetTransform(10, 0, 3, 0, 0, 0, 1);
    const D3DMATRIX& m = e->viewMatrix;
    float x = 50 * m._11 + 20 * m._21 + m._41;
    EXPECT_FLOAT_EQ(x, 13.0f);
    auto views = CallsNamed("SetTransform");
    ASSERT_EQ(views.size(), 2u);
    EXPECT_EQ(views[0].args[0], D3DTS_VIEW);
}

TEST_F(GfxSceneTest, ClearGoesFirstAndBatchDrawsOverIt) {
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFFFF0000);
    engine->Gfx_Clear(0xFF0000FF);
    engine->Gfx_EndScene();
    const auto& j = d3d9test::Journal();
    size_t clearAt = 0, drawAt = 0;
    for (size_t i = 0; i < j.size(); i++) {
        if (j[i].name == "Clear") clearAt = i;
        if (j[i].name == "DrawIndexedPrimitive") drawAt = i;
    }
    ASSERT_GT(clearAt, 0u);
    EXPECT_LT(clearAt, drawAt);
    auto clears = CallsNamed("Clear");
    EXPECT_EQ(clears[0].args[1], (int64_t)D3DCLEAR_TARGET);
    auto img = BackBuffer();
    EXPECT_EQ(img.At(2, 2), 0xFFFF0000u);
    EXPECT_EQ(img.At(20, 20), 0xFF0000FFu);
}

TEST_F(GfxSceneTest, EndSceneAfterRefusedBeginScene) {
    d3d9test::LoseDevice(5);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    engine->Gfx_RenderRect(0, 0, 8, 8, 0xFFFF0000);
    engine->Gfx_EndScene();
    EXPECT_EQ(Draws(), 0u);
    EXPECT_EQ(CountCalls("EndScene"), 1u);
    EXPECT_EQ(CountCalls("Present"), 1u);
}

TEST_F(GfxSceneTest, FreedOrUnknownTargetIsRefused) {
    TargetHandle target = engine->Target_Create(16, 16, false);
    ASSERT_NE(target, nullptr);
    engine->Target_Free(target);
    EXPECT_FALSE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(Error(), "Gfx_BeginScene: Can't set render target");
    EXPECT_EQ(e->curTarget, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_EndScene();
}

TEST_F(GfxSceneTest, SetRenderTargetRefused) {
    TargetHandle target = engine->Target_Create(16, 16, false);
    d3d9test::SetFault(d3d9test::Fault::SetRenderTarget, 1, 1);
    EXPECT_FALSE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(Error(), "Gfx_BeginScene: Can't set render target");
    EXPECT_EQ(e->curTarget, nullptr);
    EXPECT_EQ(e->vertArray, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    EXPECT_EQ(e->curTarget, target);
    engine->Gfx_EndScene();
    engine->Target_Free(target);
    // Freeing the current target puts the scenes back on the screen.
    EXPECT_EQ(e->curTarget, nullptr);
}
