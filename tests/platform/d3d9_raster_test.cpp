// Rasterizer rules of the software device: coverage, texel mapping, sampling, stage 0,
// blending, alpha and depth tests, viewports, lines and render targets.
#include <limits>

#include "tests/platform/d3d9_fixture.h"

namespace {

using Raster = DeviceTest;

// Additive counting: each coverage adds 1 to the blue channel.
void Counting(IDirect3DDevice9* dev) {
    dev->SetTexture(0, nullptr);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

TEST_F(Raster, AdjacentTrianglesCoverEveryPixelOnce) {
    Make(32, 32);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Counting(dev);
    // A fan of triangles around a centre off the pixel grid, and a quad with fractional corners.
    const float cx = 15.3f, cy = 14.7f;
    const float ring[][2] = {{2.2f, 1.6f}, {29.9f, 3.1f}, {30.4f, 28.8f}, {12.5f, 30.5f}, {1.0f, 20.0f}};
    FwVertex tri[15];
    for (int i = 0; i < 5; ++i) {
        const float* a = ring[i];
        const float* b = ring[(i + 1) % 5];
        tri[i * 3 + 0] = {cx, cy, 0, 0xFF000001, 0, 0};
        tri[i * 3 + 1] = {a[0], a[1], 0, 0xFF000001, 0, 0};
        tri[i * 3 + 2] = {b[0], b[1], 0, 0xFF000001, 0, 0};
    }
    Triangles(tri, 5);
    d3d9test::Image img = Back();
    int covered = 0;
    for (UINT y = 0; y < 32; ++y)
        for (UINT x = 0; x < 32; ++x) {
            uint32_t b = img.At(x, y) & 0xFF;
            ASSERT_LE(b, 1u) << "pixel " << x << "," << y << " covered twice";
            covered += int(b);
        }
    // The pentagon's area (shoelace) in pixels; coverage by centres matches it closely.
    double area = 0;
    for (int i = 0; i < 5; ++i) area += ring[i][0] * ring[(i + 1) % 5][1] - ring[(i + 1) % 5][0] * ring[i][1];
    area = std::abs(area) / 2;
    EXPECT_NEAR(covered, area, 30.0);
}

// Edges through pixel centres (half-pixel coordinates under the engine's projection): a
// centre on a shared edge belongs to one triangle only, the one whose top or left edge it is.
TEST_F(Raster, CentresOnSharedEdgesAreDrawnOnce) {
    Make(32, 32);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Counting(dev);
    const DWORD c = 0xFF000001;
    FwVertex tri[12] = {
        // Sharing the horizontal edge y = 8.5 (screen row 8): it is the upper one's bottom edge.
        {2.5f, 2.5f, 0, c, 0, 0}, {20.5f, 8.5f, 0, c, 0, 0}, {2.5f, 8.5f, 0, c, 0, 0},
        {2.5f, 8.5f, 0, c, 0, 0}, {20.5f, 8.5f, 0, c, 0, 0}, {2.5f, 14.5f, 0, c, 0, 0},
        // Sharing the vertical edge x = 26.5 (screen column 26): it is the right one's left edge.
        {22.5f, 18.5f, 0, c, 0, 0}, {26.5f, 18.5f, 0, c, 0, 0}, {26.5f, 28.5f, 0, c, 0, 0},
        {26.5f, 18.5f, 0, c, 0, 0}, {30.5f, 22.5f, 0, c, 0, 0}, {26.5f, 28.5f, 0, c, 0, 0},
    };
    Triangles(tri, 4);
    d3d9test::Image img = Back();
    for (UINT y = 0; y < 32; ++y)
        for (UINT x = 0; x < 32; ++x) ASSERT_LE(img.At(x, y) & 0xFF, 1u) << "pixel " << x << "," << y;
    EXPECT_EQ(img.At(2, 8) & 0xFF, 1u);   // the lower triangle's top-left corner
    EXPECT_EQ(img.At(10, 8) & 0xFF, 1u);  // on the shared edge
    EXPECT_EQ(img.At(2, 14) & 0xFF, 0u);  // the lower triangle's bottom corner lies on no top edge
    EXPECT_EQ(img.At(26, 20) & 0xFF, 1u);
    // A single triangle with its bottom edge on row 5: row 5 stays empty.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    FwVertex one[3] = {{4.5f, 0.5f, 0, c, 0, 0}, {12.5f, 5.5f, 0, c, 0, 0}, {4.5f, 5.5f, 0, c, 0, 0}};
    Triangles(one, 1);
    img = Back();
    for (UINT x = 0; x < 32; ++x) EXPECT_EQ(img.At(x, 5) & 0xFF, 0u) << x;
    EXPECT_EQ(img.At(5, 4) & 0xFF, 1u);
}

TEST_F(Raster, QuadOnWholePixelsCoversExactlyItsPixels) {
    Make(16, 16);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Counting(dev);
    Rect(2, 3, 7, 9, 0xFF000001);   // pixels x 2..6, y 3..8
    Rect(7, 3, 10, 9, 0xFF000001);  // shares the edge x = 7
    d3d9test::Image img = Back();
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x) {
            bool inside = x >= 2 && x < 10 && y >= 3 && y < 9;
            EXPECT_EQ(img.At(x, y) & 0xFF, inside ? 1u : 0u) << x << "," << y;
        }
}

TEST_F(Raster, TextureAtItsOwnSizeMapsTexelToPixel) {
    Make(64, 48);
    auto texel = [](UINT x, UINT y) { return 0xFF000000u | (x << 16) | (y << 8) | ((x * 7 + y) & 0xFF); };
    IDirect3DTexture9* t = Texture(32, 16, texel);
    dev->SetTexture(0, t);
    Rect(5, 7, 37, 23, 0xFFFFFFFF);
    // A sub-rectangle of the texture: texels 8..19 x 4..11 drawn at (40, 30).
    Rect(40, 30, 52, 38, 0xFFFFFFFF, 0, 8.0f / 32, 4.0f / 16, 20.0f / 32, 12.0f / 16);
    d3d9test::Image img = Back();
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 32; ++x) ASSERT_EQ(img.At(5 + x, 7 + y), texel(x, y)) << x << "," << y;
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 12; ++x) ASSERT_EQ(img.At(40 + x, 30 + y), texel(8 + x, 4 + y)) << x << "," << y;
    EXPECT_EQ(img.At(4, 7), 0xFF000000u);
    EXPECT_EQ(img.At(37, 7), 0xFF000000u);
    t->Release();
}

TEST_F(Raster, PointSamplingDoublesEachTexelLinearBlends) {
    Make(16, 8);
    auto texel = [](UINT x, UINT) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; };
    IDirect3DTexture9* t = Texture(4, 2, texel);
    dev->SetTexture(0, t);
    Rect(0, 0, 8, 4, 0xFFFFFFFF);
    d3d9test::Image img = Back();
    for (UINT x = 0; x < 8; ++x) EXPECT_EQ(img.At(x, 1), texel(x / 2, 0)) << x;

    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    Rect(8, 4, 16, 8, 0xFFFFFFFF);
    img = Back();
    // Pixel 9 samples u = 0.75 texels: between black texel 0 and white texel 1.
    uint32_t mid = img.At(9, 5) & 0xFF;
    EXPECT_GT(mid, 40u);
    EXPECT_LT(mid, 215u);
    // Linear filtering at 1:1 still gives the texel itself.
    Rect(0, 4, 4, 6, 0xFFFFFFFF);
    img = Back();
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(img.At(x, 4), texel(x, 0)) << x;
    t->Release();
}

TEST_F(Raster, UntexturedPrimitivesShowTheirVertexColour) {
    Make(8, 8);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev->SetTexture(0, nullptr);
    Rect(0, 0, 4, 4, 0xFF123456);
    Rect(4, 0, 8, 4, 0x80FF8000);  // half transparent over black
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(1, 1), 0xFF123456u);
    EXPECT_EQ(img.At(5, 1), 0xFF804000u);
}

TEST_F(Raster, BlendModesUseTheirFactors) {
    Make(8, 4, D3DFMT_A8R8G8B8);
    IDirect3DTexture9* t = Texture(1, 1, [](UINT, UINT) { return 0x80402010u; });
    dev->SetTexture(0, t);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    // Colour multiplied, alpha blended: tex * diffuse, then src * a + dst * (1 - a).
    Rect(0, 0, 2, 4, 0xFFFFFFFF);
    // Alpha added (DESTBLEND ONE).
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Rect(2, 0, 4, 4, 0xFFFFFFFF);
    // Colour added: tex + diffuse, saturated; alpha still multiplied.
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    Rect(4, 0, 6, 4, 0xFFC0C0C0);
    // Colour multiplied by a grey diffuse, alpha of the texture times the diffuse's.
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    Rect(6, 0, 8, 4, 0x80808080);
    d3d9test::Image img = Back();
    auto blend = [](uint32_t s, uint32_t d, uint32_t a) { return (s * a + d * (255 - a) + 127) / 255; };
    auto chan = [](uint32_t c, int i) { return (c >> (8 * i)) & 0xFF; };
    // 0x80402010 over 0xFF204060 with a = 0x80.
    EXPECT_NEAR(int(chan(img.At(0, 0), 2)), int(blend(0x40, 0x20, 0x80)), 1);
    EXPECT_NEAR(int(chan(img.At(0, 0), 1)), int(blend(0x20, 0x40, 0x80)), 1);
    EXPECT_NEAR(int(chan(img.At(0, 0), 0)), int(blend(0x10, 0x60, 0x80)), 1);
    // Additive: dst + src * a.
    EXPECT_NEAR(int(chan(img.At(2, 0), 2)), 0x20 + 0x40 * 0x80 / 255, 1);
    EXPECT_NEAR(int(chan(img.At(2, 0), 0)), 0x60 + 0x10 * 0x80 / 255, 1);
    // Colour add saturates red: 0x40 + 0xC0 = 0x100 -> 0xFF.
    EXPECT_NEAR(int(chan(img.At(4, 0), 2)), int(blend(0xFF, 0x20, 0x80)), 1);
    EXPECT_NEAR(int(chan(img.At(4, 0), 0)), int(blend(0xD0, 0x60, 0x80)), 1);
    // Alpha 0x80 * 0x80 / 255 = 0x40; red 0x40 * 0x80 / 255 = 0x20.
    EXPECT_NEAR(int(chan(img.At(6, 0), 2)), int(blend(0x20, 0x20, 0x40)), 1);
    t->Release();
}

TEST_F(Raster, AlphaTestDropsTransparentTexels) {
    Make(8, 4, D3DFMT_A8R8G8B8);
    IDirect3DTexture9* t = Texture(2, 1, [](UINT x, UINT) { return x ? 0x00FFFFFFu : 0xFFFFFFFFu; });
    dev->SetTexture(0, t);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x11223344, 1.0f, 0);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);  // without blending only the test protects
    Rect(0, 0, 2, 1, 0xFFFFFFFF);
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(1, 0), 0x11223344u);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    Rect(0, 1, 2, 2, 0xFFFFFFFF);
    img = Back();
    EXPECT_EQ(img.At(1, 1), 0x00FFFFFFu);
    t->Release();
}

TEST_F(Raster, FormatsWithoutAlphaReadOpaque) {
    Make(4, 4);
    IDirect3DTexture9* t = Texture(
        2, 2, [](UINT, UINT) { return 0x00336699u; }, D3DFMT_X8R8G8B8);
    dev->SetTexture(0, t);
    Rect(0, 0, 2, 2, 0xFFFFFFFF);
    EXPECT_EQ(Back().At(0, 0), 0xFF336699u);
    t->Release();
    // The 16-bit formats without alpha too: drawn opaque through the alpha test and blending.
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(D3DXCreateTexture(dev, 2, 2, 1, 0, f, D3DPOOL_MANAGED, &t), D3D_OK);
        IDirect3DSurface9* s = nullptr;
        ASSERT_EQ(t->GetSurfaceLevel(0, &s), D3D_OK);
        d3d9test::Image img;
        img.width = img.height = 2;
        img.pixels.assign(4, 0x00FFFFFFu);
        ASSERT_TRUE(d3d9test::WriteSurface(s, img));
        s->Release();
        dev->SetTexture(0, t);
        Rect(0, 0, 2, 2, 0xFFFFFFFF);
        EXPECT_EQ(Back().At(1, 1), 0xFFFFFFFFu) << f;
        dev->SetTexture(0, nullptr);
        t->Release();
    }
}

TEST_F(Raster, DepthTestAndWrite) {
    Make(8, 8, D3DFMT_X8R8G8B8, true);
    dev->SetTexture(0, nullptr);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Rect(0, 0, 8, 8, 0xFF0000FF, 0.5f);
    Rect(0, 0, 4, 8, 0xFF00FF00, 0.7f);  // behind: hidden
    Rect(4, 0, 8, 8, 0xFFFF0000, 0.3f);  // in front
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(1, 1), 0xFF0000FFu);
    EXPECT_EQ(img.At(5, 1), 0xFFFF0000u);
    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(dev->GetDepthStencilSurface(&ds), D3D_OK);
    float z = 0;
    ASSERT_TRUE(d3d9test::ReadDepth(ds, 5, 1, &z));
    EXPECT_NEAR(z, 0.3f, 1e-5);
    // Without depth writes the test still applies but the buffer keeps its values.
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    Rect(0, 0, 8, 8, 0xFFFFFFFF, 0.4f);
    img = Back();
    EXPECT_EQ(img.At(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(5, 1), 0xFFFF0000u);
    ASSERT_TRUE(d3d9test::ReadDepth(ds, 1, 1, &z));
    EXPECT_NEAR(z, 0.5f, 1e-5);
    // Depth 1.0 is the largest 24-bit value, the same when cleared, drawn or freshly made:
    // a primitive at z 1.0 passes LESSEQUAL on a new depth surface.
    dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_TRUE(d3d9test::ReadDepth(ds, 1, 1, &z));
    EXPECT_EQ(z, 1.0f);
    IDirect3DSurface9* fresh = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &fresh, nullptr),
              D3D_OK);
    dev->SetDepthStencilSurface(fresh);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    Rect(0, 0, 8, 8, 0xFF00FF00, 1.0f);
    EXPECT_EQ(Back().At(1, 1), 0xFF00FF00u);
    ASSERT_TRUE(d3d9test::ReadDepth(fresh, 1, 1, &z));
    EXPECT_EQ(z, 1.0f);
    dev->SetDepthStencilSurface(ds);
    fresh->Release();
    ds->Release();
}

TEST_F(Raster, ClearAndDrawingStayInsideTheViewport) {
    Make(16, 16);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    D3DVIEWPORT9 vp{4, 2, 6, 5, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    d3d9test::Image img = Back();
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            EXPECT_EQ(img.At(x, y), (x >= 4 && x < 10 && y >= 2 && y < 7) ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
    // An invalid viewport is refused and changes nothing.
    D3DVIEWPORT9 bad{10, 10, 10, 10, 0.0f, 1.0f};
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 now{};
    dev->GetViewport(&now);
    EXPECT_EQ(now.X, 4u);
}

TEST_F(Raster, LinesLightHalfOpenRuns) {
    Make(64, 64);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev->SetTexture(0, nullptr);
    Line(10, 20, 50, 20, 0xFFFFFFFF);
    Line(5, 30, 5, 40, 0xFF00FF00);
    d3d9test::Image img = Back();
    for (UINT x = 0; x < 64; ++x) EXPECT_EQ(img.At(x, 20), (x >= 10 && x < 50) ? 0xFFFFFFFFu : 0xFF000000u) << x;
    EXPECT_EQ(img.At(30, 19), 0xFF000000u);
    for (UINT y = 25; y < 45; ++y) EXPECT_EQ(img.At(5, y), (y >= 30 && y < 40) ? 0xFF00FF00u : 0xFF000000u) << y;
}

TEST_F(Raster, GeometryFarOutsideIsClippedSafely) {
    Make(16, 16);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev->SetTexture(0, nullptr);
    FwVertex tri[6] = {{-1e9f, -1e9f, 0, 0xFFFFFFFF, 0, 0}, {1e9f, -5, 0, 0xFFFFFFFF, 0, 0},
                       {8, 1e9f, 0, 0xFFFFFFFF, 0, 0},      {0, 0, 2.0f, 0xFF00FF00, 0, 0},
                       {16, 0, 2.0f, 0xFF00FF00, 0, 0},     {0, 16, 2.0f, 0xFF00FF00, 0, 0}};  // beyond far
    Triangles(tri, 2);
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(8, 8), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(1, 1), 0xFFFFFFFFu);
    Line(-1e9f, 3, 1e9f, 3, 0xFFFF0000);
    EXPECT_EQ(Back().At(15, 3), 0xFFFF0000u);
}

// Columns one pixel wide, from beyond the left edge to beyond the right one, each drawn as two
// triangles: those on the target light their column in every row, the others nothing.
TEST_F(Raster, TrianglesAtTheTargetsSidesDrawTheirColumnsAndNoMore) {
    Make(16, 8);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Counting(dev);
    for (int c = -40; c < 56; ++c) {
        const float x0 = float(c), x1 = float(c + 1);
        FwVertex tri[6] = {{x0, 0, 0, 0xFF000001, 0, 0}, {x1, 0, 0, 0xFF000001, 0, 0}, {x1, 8, 0, 0xFF000001, 0, 0},
                           {x0, 0, 0, 0xFF000001, 0, 0}, {x1, 8, 0, 0xFF000001, 0, 0}, {x0, 8, 0, 0xFF000001, 0, 0}};
        Triangles(tri, 2);
    }
    // Far beyond each side (past the clipping band), and over both sides at once.
    FwVertex far[9] = {{-9000, 0, 0, 0xFF000001, 0, 0}, {-8000, 0, 0, 0xFF000001, 0, 0}, {-8000, 8, 0, 0xFF000001, 0, 0},
                       {9000, 0, 0, 0xFF000001, 0, 0},  {9500, 8, 0, 0xFF000001, 0, 0},  {8000, 8, 0, 0xFF000001, 0, 0},
                       {-9000, 2.2f, 0, 0xFF000001, 0, 0}, {9000, 2.2f, 0, 0xFF000001, 0, 0}, {0, 3.4f, 0, 0xFF000001, 0, 0}};
    Triangles(far, 3);
    const d3d9test::Image img = Back();
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 16; ++x) EXPECT_EQ(img.At(x, y) & 0xFF, y == 2 ? 2u : 1u) << x << "," << y;
}

TEST_F(Raster, RenderTargetTextureIsDrawnThenSampled) {
    Make(32, 32);
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev, 10, 6, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(rt->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* level = nullptr;
    dev->GetRenderTarget(0, &back);
    rt->GetSurfaceLevel(0, &level);
    ASSERT_EQ(dev->SetRenderTarget(0, level), D3D_OK);
    D3DVIEWPORT9 vp{};
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 16u);  // a new target resets the viewport
    level->Release();
    Projection(16, 8);
    dev->SetTexture(0, nullptr);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Rect(1, 1, 3, 2, 0x00FF0000);  // alpha 0 is dropped by the alpha test
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    Rect(2, 2, 4, 4, 0x2000FF00);  // alpha 0x20 is not stored in an X8 target
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(rt->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // default pool: not lockable

    dev->SetRenderTarget(0, back);
    back->Release();
    Projection(32, 32);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    dev->SetTexture(0, rt);
    Rect(0, 0, 32, 16, 0xFFFFFFFF);  // twice the target's size
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(4, 4), 0xFF00FF00u);
    EXPECT_EQ(img.At(7, 7), 0xFF00FF00u);
    EXPECT_EQ(img.At(2, 2), 0xFF000000u);
    EXPECT_EQ(img.At(0, 20), 0xFF0000FFu);
    rt->Release();  // still bound on stage 0: released by the fixture's unbinding
}

TEST_F(Raster, SixteenBitTargetsQuantize) {
    Make(4, 4, D3DFMT_R5G6B5);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
    uint32_t c = Back().At(0, 0);
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_EQ((c >> 16) & 0xF8, 0x10u);
    EXPECT_EQ((c >> 8) & 0xFC, 0x34u);
}

}  // namespace

namespace {

// The fast span path (taken without a depth test) must give exactly what the general pixel
// path gives (forced by a depth test that always passes).
class FastPath : public DeviceTest {};

TEST_F(FastPath, MatchesTheGeneralPathForEveryBlendSetting) {
    Make(64, 32, D3DFMT_A8R8G8B8, true);
    uint32_t seed = 12345;
    auto rnd = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    IDirect3DTexture9* t = Texture(16, 8, [&](UINT, UINT) { return rnd(); });
    std::vector<uint32_t> background(64 * 32);
    for (uint32_t& p : background) p = rnd();
    IDirect3DSurface9* back = nullptr;
    dev->GetRenderTarget(0, &back);
    dev->SetTexture(0, t);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    const DWORD blends[][2] = {{TRUE, D3DBLEND_INVSRCALPHA}, {TRUE, D3DBLEND_ONE}, {FALSE, D3DBLEND_ZERO}};
    const DWORD colours[] = {0xFFFFFFFF, 0xC08040FF, 0x20FFFFFF};
    int cases = 0;
    for (IDirect3DTexture9* tx : {t, static_cast<IDirect3DTexture9*>(nullptr)})
        for (const auto& b : blends)
            for (DWORD op : {D3DTOP_MODULATE, D3DTOP_ADD})
                for (DWORD col : colours)
                    for (DWORD alphaTest : {TRUE, FALSE})
                        for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
                            dev->SetTexture(0, tx);
                            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
                            dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
                            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, b[0]);
                            dev->SetRenderState(D3DRS_DESTBLEND, b[1]);
                            dev->SetTextureStageState(0, D3DTSS_COLOROP, op);
                            dev->SetRenderState(D3DRS_ALPHATESTENABLE, alphaTest);
                            d3d9test::Image result[2];
                            for (int general = 0; general < 2; ++general) {
                                d3d9test::Image bg;
                                bg.width = 64, bg.height = 32, bg.pixels = background;
                                ASSERT_TRUE(d3d9test::WriteSurface(back, bg));
                                dev->SetRenderState(D3DRS_ZENABLE, general ? TRUE : FALSE);
                                Rect(1.25f, 2.5f, 38.25f, 9.5f, col, 0, 0, 0, 37.0f / 16, 7.0f / 8);  // 1:1, wrapping
                                Rect(3, 12, 35, 28, col, 0, 0.25f, 0, 1.25f, 1);                      // doubled
                                Rect(40, 3, 60, 30, col, 0, 0, 0, 1, 1);                              // sheared scale
                                // Colours interpolated across a quad and a triangle.
                                FwVertex g[4] = {{44.5f, 20.25f, 0, col, 0, 0},
                                                 {63.0f, 18.0f, 0, 0x80FF0000, 1, 0},
                                                 {62.0f, 31.0f, 0, 0xFF00FF00 & col, 1, 1},
                                                 {41.0f, 30.0f, 0, 0x400000FF, 0, 1}};
                                DrawQuads(g, 1);
                                result[general] = Back();
                            }
                            size_t diff = 0;
                            while (diff < result[0].pixels.size() && result[0].pixels[diff] == result[1].pixels[diff])
                                ++diff;
                            EXPECT_EQ(diff, result[0].pixels.size())
                                << "blend " << b[1] << " op " << op << " colour " << std::hex << col << " test "
                                << alphaTest << " filter " << filter << " at " << std::dec << diff % 64 << ","
                                << diff / 64 << ": " << std::hex << result[0].pixels[diff % result[0].pixels.size()]
                                << " vs " << result[1].pixels[diff % result[0].pixels.size()];
                            ++cases;
                        }
    EXPECT_EQ(cases, 144);
    back->Release();
    t->Release();
}

}  // namespace

namespace {

// Quads of the index buffer are filled as whole rectangles when they are upright; the result
// must equal the two triangles drawn one by one.
TEST_F(FastPath, UprightQuadsEqualTheirTwoTriangles) {
    Make(48, 40, D3DFMT_A8R8G8B8);
    uint32_t seed = 99;
    auto rnd = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    IDirect3DTexture9* t = Texture(8, 8, [&](UINT, UINT) { return rnd() | 0x80000000u; });
    dev->SetTexture(0, t);
    IDirect3DSurface9* back = nullptr;
    dev->GetRenderTarget(0, &back);
    for (int round = 0; round < 20; ++round) {
        // Corners off the pixel grid and texel steps of 1 or 1/2, so that no pixel centre samples
        // exactly on a texel edge (where the two paths may round apart).
        float x1 = float(rnd() % 28) + 0.3f, y1 = float(rnd() % 20) + 0.7f;
        float x2 = x1 + float(8 << (rnd() % 2)), y2 = y1 + float(8 << (rnd() % 2));
        float u0 = float(rnd() % 16) / 8, v0 = float(rnd() % 16) / 8;
        DWORD c0 = 0xFF808080, c1 = 0xFFA09070, c2 = 0xFFC0A060, c3 = 0xFFA09070;  // linear across the quad
        if (round % 2) c0 = c1 = c2 = c3 = 0xC0FFFFFF;
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, round % 3 ? D3DTEXF_POINT : D3DTEXF_LINEAR);
        FwVertex q[4] = {{x1, y1, 0, c0, u0, v0},
                         {x2, y1, 0, c1, u0 + 1, v0},
                         {x2, y2, 0, c2, u0 + 1, v0 + 1},
                         {x1, y2, 0, c3, u0, v0 + 1}};
        FwVertex tri[6] = {q[0], q[1], q[2], q[2], q[3], q[0]};
        d3d9test::Image img[2];
        for (int k = 0; k < 2; ++k) {
            d3d9test::Image bg;
            bg.width = 48, bg.height = 40, bg.pixels.assign(48 * 40, 0xFF203040);
            ASSERT_TRUE(d3d9test::WriteSurface(back, bg));
            if (k == 0)
                DrawQuads(q, 1);
            else
                Triangles(tri, 2);
            img[k] = Back();
        }
        // Interpolated colours and filter weights may round apart by one step; the rest matches.
        int tolerance = (round % 2 && round % 3) ? 0 : 1, worst = 0;
        for (size_t i = 0; i < img[0].pixels.size(); ++i)
            for (int sh = 0; sh < 32; sh += 8)
                worst = std::max(worst,
                                 std::abs(int((img[0].pixels[i] >> sh) & 0xFF) - int((img[1].pixels[i] >> sh) & 0xFF)));
        EXPECT_LE(worst, tolerance) << "round " << round;
    }
    back->Release();
    t->Release();
}

}  // namespace

namespace {

TEST_F(Raster, NonFiniteAndHugeValuesDrawNothingHarmful) {
    Make(16, 16);
    IDirect3DTexture9* t = Texture(4, 4, [](UINT, UINT) { return 0xFFFFFFFFu; });
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (IDirect3DTexture9* tx : {t, static_cast<IDirect3DTexture9*>(nullptr)}) {
        dev->SetTexture(0, tx);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, tx ? D3DTEXF_LINEAR : D3DTEXF_POINT);
        Rect(0, 0, 8, 8, 0xFFFFFFFF, 0, nan, 0, inf, 1e30f);
        Rect(2, 2, 9, 9, 0xFFFFFFFF, nan);
        FwVertex tri[6] = {{nan, 0, 0, 0xFFFFFFFF, 0, 0}, {10, 0, 0, 0xFFFFFFFF, 0, 0},
                           {0, 10, 0, 0xFFFFFFFF, 0, 0},  {1, 1, 0, 0xFFFFFFFF, -1e30f, 1e30f},
                           {inf, 1, 0, 0xFFFFFFFF, 0, 0}, {1, 9, 0, 0xFFFFFFFF, 0, 0}};
        Triangles(tri, 2);
        Line(nan, 3, 10, 3, 0xFFFFFFFF);
        Line(1, 3, inf, 3, 0xFFFFFFFF);
    }
    dev->SetTexture(0, nullptr);
    t->Release();
    SUCCEED();
}

}  // namespace

namespace {

// A pixel centre exactly on a texel edge samples the texel after the edge, the same in both
// triangles of a quad and in every row.
TEST_F(Raster, TexelEdgeTiesResolveTheSameEverywhere) {
    Make(32, 40);
    IDirect3DTexture9* t = Texture(8, 8, [](UINT x, UINT) { return 0xFF000000u | (x << 16); });
    dev->SetTexture(0, t);
    FwVertex quad[4] = {{1, 1, 0, 0xFFFFFFFF, 0, 0},
                        {15, 1, 0, 0xFFFFFFFF, 1, 0},
                        {15, 31, 0, 0xFFFFFFFF, 1, 1},
                        {1, 31, 0, 0xFFFFFFFF, 0, 1}};
    DrawQuads(quad, 1);
    // The same shape slightly turned, so it is drawn as two triangles.
    FwVertex tri[6] = {{17, 1, 0, 0xFFFFFFFF, 0, 0},       {31, 1, 0, 0xFFFFFFFF, 1, 0},
                       {31, 31.001f, 0, 0xFFFFFFFF, 1, 1}, {31, 31.001f, 0, 0xFFFFFFFF, 1, 1},
                       {17, 31, 0, 0xFFFFFFFF, 0, 1},      {17, 1, 0, 0xFFFFFFFF, 0, 0}};
    Triangles(tri, 2);
    d3d9test::Image img = Back();
    for (UINT y = 1; y < 31; ++y)
        for (UINT x = 1; x < 15; ++x) {
            ASSERT_EQ(img.At(x, y), img.At(x, 1)) << x << "," << y;
            ASSERT_EQ(img.At(16 + x, y), img.At(x, 1)) << x << "," << y;
        }
    EXPECT_EQ((img.At(4, 10) >> 16) & 0xFF, 2u);  // u = 3.5 / 14 * 8 = 2 exactly
    dev->SetTexture(0, nullptr);
    t->Release();
}

}  // namespace

namespace {

TEST_F(Raster, MinificationPicksTheNearestMipLevel) {
    Make(16, 16);
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev, 8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    ASSERT_EQ(t->GetLevelCount(), 4u);
    for (UINT level = 0; level < 4; ++level) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(t->LockRect(level, &lr, nullptr, 0), D3D_OK);
        UINT n = (8 >> level) * (8 >> level);
        for (UINT i = 0; i < n; ++i) static_cast<uint32_t*>(lr.pBits)[i] = 0xFF000000u | (0x40u << level);
        t->UnlockRect(level);
    }
    dev->SetTexture(0, t);
    Rect(0, 0, 4, 4, 0xFFFFFFFF);  // half size: level 1 (MIPFILTER POINT, as the engine sets it)
    Rect(4, 0, 6, 2, 0xFFFFFFFF);  // quarter size: level 2
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    Rect(8, 0, 12, 4, 0xFFFFFFFF);  // without mip filtering level 0 only
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(1, 1), 0xFF000080u);
    EXPECT_EQ(img.At(5, 1), 0xFF000100u);
    EXPECT_EQ(img.At(9, 1), 0xFF000040u);
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Raster, DepthSurfaceSmallerThanTheTargetTestsOnlyWhereItReaches) {
    Make(16, 16);
    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &ds, nullptr), D3D_OK);
    dev->SetDepthStencilSurface(ds);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetTexture(0, nullptr);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
    Rect(0, 0, 16, 16, 0xFFFFFFFF, 0.7f);  // behind the cleared depth where there is one
    d3d9test::Image img = Back();
    EXPECT_EQ(img.At(3, 3), 0xFF000000u);
    EXPECT_EQ(img.At(12, 3), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(3, 12), 0xFFFFFFFFu);
    // Clearing with rectangles clears only them.
    D3DRECT r{2, 2, 4, 4};
    dev->Clear(1, &r, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    img = Back();
    EXPECT_EQ(img.At(2, 2), 0xFF00FF00u);
    EXPECT_EQ(img.At(4, 4), 0xFF000000u);
    dev->SetDepthStencilSurface(nullptr);
    ds->Release();
}

}  // namespace
