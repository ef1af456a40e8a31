// Pictures drawn through the engine compared with golden images in tests/golden.
#include "tests/engine/gfx_fixture.h"
#include "tests/support/golden.h"

namespace {

// 8 x 8: red across, green down, half the texels partly transparent.
DWORD Gradient(int x, int y) {
    DWORD a = ((x + y) % 2) ? 0xFF : 0x60;
    return (a << 24) | (DWORD(x * 32) << 16) | (DWORD(y * 32) << 8) | 0x80;
}

// 8 x 8 with transparent 2 x 2 holes.
DWORD Holes(int x, int y) { return ((x / 2 + y / 2) % 2) ? 0x00FFFFFF : 0xFFFFFFFF; }

// 4 x 4 checker of four colours.
DWORD Checker(int x, int y) {
    static const DWORD colors[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return colors[(x + 2 * y) % 4];
}

}  // namespace

class GfxGoldenTest : public GfxTest {
protected:
    void Background(int w, int h) {
        engine->Gfx_Clear(0xFF303030);
        engine->Gfx_RenderRect(0, 0, float(w), float(h) / 2, 0xFF203070);
        engine->Gfx_RenderRect(0, float(h) / 2, float(w), float(h) / 2, 0xFFA06020);
    }
};

TEST_F(GfxGoldenTest, PrimitivesInEveryBlendMode) {
    ASSERT_TRUE(Start(GfxOptions{128, 80, true, false, false, 32, 0}));
    TextureHandle tex = MakeTexture(8, 8, Gradient);
    ASSERT_NE(tex, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    Background(128, 80);
    for (int mode = 0; mode < 8; mode++) {
        float x = float(mode * 16);
        Quad q = MakeQuad(x + 1, 1, 14, 30, 0xC0FF8040, tex, mode);
        engine->Gfx_RenderQuad(&q);
        Triangle t = MakeTriangle(x + 1, 34, x + 15, 40, x + 4, 62, 0xA040C0FF, tex, mode);
        engine->Gfx_RenderTriangle(&t);
        engine->Gfx_RenderLine(x + 2, 66, x + 14, 78, 0xFFFFFF00);
        engine->Gfx_RenderLine(x + 14, 66, x + 2, 78, 0x80FFFFFF);
    }
    engine->Gfx_EndScene();
    EXPECT_TRUE(golden::Matches("blend_modes", BackBuffer()));
    engine->Texture_Free(tex);
}

TEST_F(GfxGoldenTest, AlphaTestKeepsDepthOutOfHoles) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, true, false, 32, 0}));
    TextureHandle tex = MakeTexture(8, 8, Holes);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    Quad front = MakeQuad(8, 8, 48, 48, 0xFF40FF40, tex, BLENDMODE_DEFAULT | BLENDMODE_ZWRITE, 0.2f);
    engine->Gfx_RenderQuad(&front);
    // Drawn later but farther: it shows only where the alpha test left the depth alone.
    Quad back = MakeQuad(0, 0, 64, 64, 0xFFFF2020, nullptr, BLENDMODE_DEFAULT | BLENDMODE_ZWRITE, 0.5f);
    engine->Gfx_RenderQuad(&back);
    engine->Gfx_EndScene();
    EXPECT_TRUE(golden::Matches("alpha_test", BackBuffer()));
    engine->Texture_Free(tex);
}

TEST_F(GfxGoldenTest, DepthBufferOrdersQuads) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, true, false, 32, 0}));
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF101010);
    const int zw = BLENDMODE_DEFAULT | BLENDMODE_ZWRITE;
    Quad nearQ = MakeQuad(4, 4, 32, 32, 0xFF20C020, nullptr, zw, 0.3f);
    Quad farQ = MakeQuad(20, 20, 40, 40, 0xFF2040FF, nullptr, zw, 0.6f);
    engine->Gfx_RenderQuad(&nearQ);
    engine->Gfx_RenderQuad(&farQ);
    // Without depth writes a near quad leaves the depth as it was, so a farther one drawn
    // afterwards covers it.
    Quad ghost = MakeQuad(4, 40, 20, 20, 0xFFFFFF00, nullptr, BLENDMODE_DEFAULT, 0.1f);
    Quad over = MakeQuad(10, 46, 20, 16, 0xFFFF00FF, nullptr, zw, 0.9f);
    engine->Gfx_RenderQuad(&ghost);
    engine->Gfx_RenderQuad(&over);
    engine->Gfx_EndScene();
    EXPECT_TRUE(golden::Matches("depth_buffer", BackBuffer()));
}

TEST_F(GfxGoldenTest, TextureFilteringOff) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, false, 32, 0}));
    TextureHandle tex = MakeTexture(4, 4, Checker);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    Quad q = MakeQuad(0, 0, 64, 64, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_EndScene();
    auto img = BackBuffer();
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(15, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(16, 0), 0xFF00FF00u);
    EXPECT_TRUE(golden::Matches("filter_point", img));
    engine->Texture_Free(tex);
}

TEST_F(GfxGoldenTest, TextureFilteringOn) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, true, 32, 0}));
    TextureHandle tex = MakeTexture(4, 4, Checker);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    Quad q = MakeQuad(0, 0, 64, 64, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_EndScene();
    auto img = BackBuffer();
    // Between two texel centres the colours mix.
    DWORD mid = img.At(16, 8);
    EXPECT_NE(mid, 0xFFFF0000u);
    EXPECT_NE(mid, 0xFF00FF00u);
    EXPECT_TRUE(golden::Matches("filter_linear", img));
    engine->Texture_Free(tex);
}

TEST_F(GfxGoldenTest, Clipping) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, false, 32, 0}));
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF404040);
    engine->Gfx_SetClipping(8, 12, 40, 30);
    engine->Gfx_RenderRect(0, 0, 64, 64, 0xFF2080FF);
    engine->Gfx_RenderLine(0, 0, 64, 64, 0xFFFFFFFF);
    Triangle t = MakeTriangle(30, 0, 64, 30, 20, 60, 0xFFFFC000);
    engine->Gfx_RenderTriangle(&t);
    engine->Gfx_SetClipping(-10, -10, 16, 16);  // becomes (0, 0, 6, 6)
    engine->Gfx_RenderRect(0, 0, 64, 64, 0xFFFF0000);
    engine->Gfx_SetClipping(60, 60, 20, 20);  // becomes (60, 60, 4, 4)
    engine->Gfx_RenderRect(0, 0, 64, 64, 0xFF00FF00);
    engine->Gfx_SetClipping();
    engine->Gfx_RenderLine(0, 63.5f, 64, 63.5f, 0xFFFF00FF);
    engine->Gfx_EndScene();
    auto img = BackBuffer();
    EXPECT_EQ(img.At(7, 20), 0xFF404040u);
    EXPECT_EQ(img.At(8, 12), 0xFF2080FFu);
    EXPECT_EQ(img.At(5, 5), 0xFFFF0000u);
    EXPECT_EQ(img.At(6, 6), 0xFF404040u);
    EXPECT_EQ(img.At(61, 61), 0xFF00FF00u);
    EXPECT_TRUE(golden::Matches("clipping", img));
}

TEST_F(GfxGoldenTest, RotatedAndScaledView) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, false, 32, 0}));
    TextureHandle tex = MakeTexture(4, 4, Checker);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    engine->Gfx_SetTransform(32, 32, 4, -2, 0.5f, 1.5f, 0.75f);
    Quad q = MakeQuad(16, 16, 32, 32, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_RenderLine(16, 32, 48, 32, 0xFFFFFF00);
    engine->Gfx_SetTransform();
    engine->Gfx_RenderRect(0, 0, 6, 6, 0xFFFF00FF);
    engine->Gfx_EndScene();
    auto img = BackBuffer();
    EXPECT_EQ(img.At(2, 2), 0xFFFF00FFu);
    EXPECT_TRUE(golden::Matches("view_transform", img));
    engine->Texture_Free(tex);
}

TEST_F(GfxGoldenTest, RenderTargetDrawnAtTwiceItsSize) {
    ASSERT_TRUE(Start(GfxOptions{64, 64, true, false, false, 32, 0}));
    TargetHandle target = engine->Target_Create(32, 32, false);
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->Gfx_Clear(0xFF102030);
    engine->Gfx_RenderRect(2, 2, 12, 8, 0xFFFF4040);
    Triangle t = MakeTriangle(16, 4, 30, 28, 4, 26, 0xFF40FF40);
    engine->Gfx_RenderTriangle(&t);
    engine->Gfx_RenderLine(0, 31.5f, 32, 31.5f, 0xFFFFFFFF);
    engine->Gfx_EndScene();

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    Quad q = MakeQuad(0, 0, 64, 64, 0xFFFFFFFF, engine->Target_GetTexture(target));
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_EndScene();
    auto img = BackBuffer();
    EXPECT_EQ(img.At(4, 4), 0xFFFF4040u);
    EXPECT_EQ(img.At(5, 5), 0xFFFF4040u);
    EXPECT_EQ(img.At(0, 63), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(0, 62), 0xFFFFFFFFu);
    EXPECT_TRUE(golden::Matches("target_2x", img));
    engine->Target_Free(target);
}
