#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine_impl.h"
#include "engine/helpers/sprite.h"

namespace {

void ExpectTex(const Sprite& s, int i, float u, float v) {
    EXPECT_FLOAT_EQ(s.quad.v[i].tx, u) << "vertex " << i;
    EXPECT_FLOAT_EQ(s.quad.v[i].ty, v) << "vertex " << i;
}

void ExpectPos(const Sprite& s, int i, float x, float y) {
    EXPECT_NEAR(s.quad.v[i].x, x, 1e-4f) << "vertex " << i;
    EXPECT_NEAR(s.quad.v[i].y, y, 1e-4f) << "vertex " << i;
}

}  // namespace

TEST(Sprite, ConstructionWithoutTexture) {
    Sprite s(0, 4, 8, 16, 16);
    ExpectTex(s, 0, 4, 8);
    ExpectTex(s, 1, 20, 8);
    ExpectTex(s, 2, 20, 24);
    ExpectTex(s, 3, 4, 24);
    EXPECT_EQ(s.texWidth, 1.0f);
    EXPECT_EQ(s.quad.blend, BLENDMODE_ALPHABLEND);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(s.GetColor(i), 0xFFFFFFFFu);
        EXPECT_EQ(s.quad.v[i].z, 0.5f);
    }
    EXPECT_EQ(s.GetWidth(), 16.0f);
}

TEST(Sprite, EngineReferenceFollowsEverySprite) {
    Engine* e = CreateEngine(ENGINE_VERSION);
    int base = nRef;
    {
        Sprite a(0, 0, 0, 1, 1);
        EXPECT_EQ(nRef, base + 1);
        Sprite b(a);
        EXPECT_EQ(nRef, base + 2);
        Sprite* c = new Sprite(b);
        EXPECT_EQ(nRef, base + 3);
        delete c;
        EXPECT_EQ(nRef, base + 2);
        b = a;  // assignment keeps the count
        EXPECT_EQ(nRef, base + 2);
    }
    EXPECT_EQ(nRef, base);
    e->System_Release();
}

TEST(Sprite, RenderPlacesTheHotSpot) {
    Sprite s(0, 0, 0, 16, 16);
    s.SetHotSpot(8, 8);
    s.Render(100, 50);
    ExpectPos(s, 0, 92, 42);
    ExpectPos(s, 1, 108, 42);
    ExpectPos(s, 2, 108, 58);
    ExpectPos(s, 3, 92, 58);
}

TEST(Sprite, RenderTransformed) {
    Sprite s(0, 0, 0, 16, 8);
    s.SetHotSpot(8, 8);
    s.RenderTransformed(100, 50, 0, 1, 0);
    ExpectPos(s, 0, 92, 42);
    ExpectPos(s, 2, 108, 50);

    s.RenderTransformed(100, 50, 0, 2, 0.5f);
    ExpectPos(s, 0, 84, 46);
    ExpectPos(s, 2, 116, 50);

    s.SetHotSpot(0, 0);
    s.RenderTransformed(10, 20, static_cast<float>(M_PI / 2), 1, 1);
    ExpectPos(s, 0, 10, 20);
    ExpectPos(s, 1, 10, 36);  // (x, y + width)
    ExpectPos(s, 3, 2, 20);
}

TEST(Sprite, StretchedAndCornerRendering) {
    Sprite s(0, 0, 0, 16, 16);
    s.SetHotSpot(5, 5);  // ignored by both
    s.RenderToRect(1, 2, 30, 40);
    ExpectPos(s, 0, 1, 2);
    ExpectPos(s, 1, 30, 2);
    ExpectPos(s, 2, 30, 40);
    ExpectPos(s, 3, 1, 40);
    s.RenderToCorners(1, 2, 3, 4, 5, 6, 7, 8);
    for (int i = 0; i < 4; i++) ExpectPos(s, i, 1.0f + 2 * i, 2.0f + 2 * i);
}

TEST(Sprite, TransformedBoundsTakeZeroVerticalScaleLiterally) {
    Sprite s(0, 0, 0, 16, 8);
    Rect r;
    s.GetTransformedBounds(10, 20, 0, 1, 0, &r);
    EXPECT_FALSE(r.clean);
    EXPECT_EQ(r.x1, 10.0f);
    EXPECT_EQ(r.x2, 26.0f);
    EXPECT_EQ(r.y1, 20.0f);
    EXPECT_EQ(r.y2, 20.0f);

    s.SetHotSpot(8, 4);
    Rect* back = s.GetTransformedBounds(0, 0, static_cast<float>(M_PI / 2), 1, 1, &r);
    EXPECT_EQ(back, &r);
    EXPECT_NEAR(r.x1, -4, 1e-4f);
    EXPECT_NEAR(r.x2, 4, 1e-4f);
    EXPECT_NEAR(r.y1, -8, 1e-4f);
    EXPECT_NEAR(r.y2, 8, 1e-4f);
}

TEST(Sprite, FlipSwapsTextureCoordinatesAndRestores) {
    Sprite s(0, 4, 8, 16, 16);
    s.SetFlip(true, false, false);
    ExpectTex(s, 0, 20, 8);
    ExpectTex(s, 1, 4, 8);
    ExpectTex(s, 2, 4, 24);
    ExpectTex(s, 3, 20, 24);
    s.SetFlip(true, true, false);
    ExpectTex(s, 0, 20, 24);
    ExpectTex(s, 2, 4, 8);
    s.SetFlip(false, false, false);
    ExpectTex(s, 0, 4, 8);
    ExpectTex(s, 1, 20, 8);
    ExpectTex(s, 2, 20, 24);
    ExpectTex(s, 3, 4, 24);
}

TEST(Sprite, HotSpotMovesOnlyWhenItsFlagChangesOnAMirroredAxis) {
    Sprite s(0, 0, 0, 16, 16);
    s.SetHotSpot(4, 0);
    s.SetFlip(true, false, true);  // unmirrored sprite: the flag turns on while no axis is mirrored
    EXPECT_EQ(s.hotX, 4.0f);
    s.SetFlip(false, false, true);
    EXPECT_EQ(s.hotX, 4.0f);  // toggling the mirror with the flag on leaves it

    Sprite t(0, 0, 0, 16, 16);
    t.SetHotSpot(4, 0);
    t.SetFlip(true, false, false);
    t.SetFlip(true, false, true);
    EXPECT_EQ(t.hotX, 12.0f);
    t.SetFlip(true, false, false);
    EXPECT_EQ(t.hotX, 4.0f);
    t.SetHotSpot(3, 3);  // never mirrored
    EXPECT_EQ(t.hotX, 3.0f);
}

TEST(Sprite, SetTextureRectKeepsTheMirror) {
    Sprite s(0, 0, 0, 16, 16);
    s.SetFlip(true, false, false);
    s.SetTextureRect(32, 0, 8, 8, false);
    EXPECT_EQ(s.width, 16.0f);  // drawn size stays
    EXPECT_EQ(s.rectX, 32.0f);
    ExpectTex(s, 0, 40, 0);
    ExpectTex(s, 1, 32, 0);
    ExpectTex(s, 2, 32, 8);
    EXPECT_TRUE(s.flipX);
    s.SetTextureRect(0, 0, 8, 4, true);
    EXPECT_EQ(s.width, 8.0f);
    EXPECT_EQ(s.height, 4.0f);
}

TEST(Sprite, ColourAndDepthPerVertex) {
    Sprite s(0, 0, 0, 1, 1);
    s.SetColor(0xFF102030, -1);
    for (int i = 0; i < 4; i++) EXPECT_EQ(s.GetColor(i), 0xFF102030u);
    s.SetColor(0x80FFFFFF, 2);
    EXPECT_EQ(s.GetColor(2), 0x80FFFFFFu);
    EXPECT_EQ(s.GetColor(1), 0xFF102030u);
    s.SetZ(0.25f, 3);
    EXPECT_EQ(s.quad.v[3].z, 0.25f);
    EXPECT_EQ(s.quad.v[0].z, 0.5f);
    // Indices outside 0..3 are ignored.
    s.SetColor(0, 4);
    s.SetColor(0, -2);
    s.SetZ(0, 99);
    EXPECT_EQ(s.GetColor(7), 0u);
    for (int i = 0; i < 4; i++) EXPECT_NE(s.GetColor(i), 0u);
    s.SetBlendMode(BLENDMODE_COLORADD | BLENDMODE_ZWRITE);
    EXPECT_EQ(s.quad.blend, 5);
}

TEST(Sprite, SetTextureToNoneOfTheSameSizeChangesOnlyTheHandle) {
    Sprite s(0, 4, 8, 16, 16);
    s.SetFlip(true, false, false);
    s.SetTexture(0);
    ExpectTex(s, 0, 20, 8);
    ExpectTex(s, 2, 4, 24);
    EXPECT_EQ(s.quad.tex, nullptr);
}
