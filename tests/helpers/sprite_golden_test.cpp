// Sprites drawn on the headless device, compared with golden pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/helpers/sprite.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

class SpriteGolden : public ::testing::Test {
protected:
    void SetUp() override {
        platform::headless::Reset();
        d3d9test::ResetControls();
        platform::headless::SetDebugEcho(false);
        engine = CreateEngine(ENGINE_VERSION);
    }
    void TearDown() override {
        if (tex) engine->Texture_Free(tex);
        if (started) engine->System_Shutdown();
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
    }

    // A 16 by 16 texture: red, green, blue and half-transparent white quadrants, with a
    // yellow pixel in the top-left corner and a black one in the bottom-right corner.
    bool Start(int w, int h) {
        std::string why;
        if (!helpers_test::StartGraphics(engine, w, h, &why)) {
            reason = why;
            return false;
        }
        started = true;
        tex = engine->Texture_Create(16, 16);
        if (!tex) {
            reason = "Texture_Create failed";
            return false;
        }
        DWORD* px = engine->Texture_Lock(tex, false);
        if (!px) {
            reason = "Texture_Lock failed";
            return false;
        }
        int tw = engine->Texture_GetWidth(tex);
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) {
                DWORD c = y < 8 ? (x < 8 ? 0xFFFF0000 : 0xFF00FF00) : (x < 8 ? 0xFF0000FF : 0x80FFFFFF);
                px[y * tw + x] = c;
            }
        px[0] = 0xFFFFFF00;
        px[15 * tw + 15] = 0xFF000000;
        engine->Texture_Unlock(tex);
        return engine->Gfx_BeginScene();
    }

    d3d9test::Image Finish() {
        engine->Gfx_EndScene();
        return helpers_test::Capture(engine);
    }

    Engine* engine = nullptr;
    TextureHandle tex = 0;
    bool started = false;
    std::string reason;
};

#define START_OR_SKIP(w, h) \
    if (!Start(w, h)) FAIL() << "graphics not available: " << reason

}  // namespace

TEST_F(SpriteGolden, HotSpotFlipsRotationAndScale) {
    START_OR_SKIP(160, 80);
    engine->Gfx_Clear(0xFF202020);
    Sprite s(tex, 0, 0, 16, 16);
    s.SetHotSpot(8, 8);
    s.Render(20, 20);
    s.SetFlip(true, false);
    s.Render(50, 20);
    s.SetFlip(false, true);
    s.Render(80, 20);
    s.SetFlip(true, true);
    s.Render(110, 20);

    // Hot spot mirrored with the picture: (0, 0) becomes the top-right corner.
    Sprite h(tex, 0, 0, 16, 16);
    h.SetFlip(true, false, false);
    h.SetFlip(true, false, true);  // hot spot (0, 0) -> (16, 0)
    h.Render(148, 12);
    engine->Gfx_RenderLine(147, 12, 150, 12, 0xFFFFFFFF);

    s.SetFlip(false, false);
    s.RenderTransformed(20, 60, static_cast<float>(M_PI / 4), 1, 0);
    s.RenderTransformed(55, 60, 0, 2, 1);
    s.RenderTransformed(95, 60, static_cast<float>(M_PI / 2), 1.5f, 0);
    s.RenderToCorners(120, 48, 150, 50, 156, 74, 116, 70);
    ASSERT_TRUE(helpers_test::MatchesGolden(Finish(), "helpers_sprite_transforms"));
}

TEST_F(SpriteGolden, ColoursPerCornerAndBlendModes) {
    START_OR_SKIP(160, 80);
    engine->Gfx_Clear(0xFF000000);
    for (int i = 0; i < 8; i++) engine->Gfx_RenderRect(64, static_cast<float>(i * 10), 96, 5, 0xFF808080);

    Sprite plain(0, 0, 0, 24, 24);  // no texture: vertex colours only
    plain.SetColor(0xFFFF0000, 0);
    plain.SetColor(0xFF00FF00, 1);
    plain.SetColor(0xFF0000FF, 2);
    plain.SetColor(0xFFFFFFFF, 3);
    plain.Render(4, 4);

    Sprite tinted(tex, 0, 0, 16, 16);
    tinted.SetColor(0xFF808080);
    tinted.RenderToRect(32, 4, 56, 28);

    Sprite s(tex, 0, 0, 16, 16);
    s.Render(70, 10);  // colour multiplied, alpha blended
    s.SetBlendMode(BLENDMODE_COLORADD | BLENDMODE_ALPHABLEND);
    s.SetColor(0xFF404040);
    s.Render(94, 10);
    s.SetBlendMode(BLENDMODE_COLORMUL | BLENDMODE_ALPHAADD);
    s.SetColor(0x80FFFFFF);
    s.Render(118, 10);
    s.SetBlendMode(BLENDMODE_ALPHABLEND);
    s.SetColor(0x80FFFFFF);
    s.Render(142, 10);

    // A texture rectangle inside the texture, stretched; and a per-corner alpha fade.
    Sprite part(tex, 4, 4, 8, 8);
    part.RenderToRect(4, 40, 44, 76);
    Sprite fade(tex, 0, 0, 16, 16);
    fade.SetColor(0x00FFFFFF, 0);
    fade.SetColor(0x00FFFFFF, 3);
    fade.RenderToRect(70, 40, 150, 76);
    ASSERT_TRUE(helpers_test::MatchesGolden(Finish(), "helpers_sprite_colors"));
}

TEST_F(SpriteGolden, SetTextureRescalesCoordinates) {
    START_OR_SKIP(32, 32);
    engine->Gfx_EndScene();
    TextureHandle wide = engine->Texture_Create(32, 16);
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(engine->Texture_GetWidth(wide), 32);
    Sprite s(tex, 4, 0, 8, 8);
    EXPECT_EQ(s.texWidth, 16.0f);
    EXPECT_FLOAT_EQ(s.quad.v[1].tx, 0.75f);
    TextureHandle same = engine->Texture_Create(16, 16);
    s.SetTexture(same);
    EXPECT_EQ(s.quad.tex, same);
    EXPECT_FLOAT_EQ(s.quad.v[1].tx, 0.75f);
    s.SetFlip(true, false);
    s.SetTexture(wide);
    EXPECT_EQ(s.texWidth, 32.0f);
    EXPECT_FLOAT_EQ(s.quad.v[0].tx, 0.375f);  // still mirrored, halved
    EXPECT_FLOAT_EQ(s.quad.v[1].tx, 0.125f);
    EXPECT_FLOAT_EQ(s.quad.v[3].tx, 0.375f);
    EXPECT_EQ(s.rectX, 4.0f);
    engine->Texture_Free(wide);
    engine->Texture_Free(same);
}
