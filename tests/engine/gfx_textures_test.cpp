// Textures from image files, created and locked textures, render targets, bad handles.
#include <png.h>
#include <jpeglib.h>

#include <unistd.h>

#include <cstdio>

#include "tests/engine/gfx_fixture.h"
#include "tests/support/jpeg_files.h"

#if defined(__SANITIZE_ADDRESS__)
#define FW_TEXTURES_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_TEXTURES_SANITIZED 1
#endif
#endif
#ifdef FW_TEXTURES_SANITIZED
#include <sanitizer/lsan_interface.h>
#endif

using d3d9test::CallsNamed;
using d3d9test::CountCalls;
using d3d9test::Fault;

namespace {

std::vector<BYTE> EncodePng(int w, int h, DWORD (*px)(int, int)) {
    std::vector<uint32_t> pixels(size_t(w) * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) pixels[size_t(y) * w + x] = px(x, y);
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<BYTE> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
    out.resize(size);
    return out;
}

std::vector<BYTE> EncodeJpeg(int w, int h, BYTE r, BYTE g, BYTE b) {
    return jpegtest::MakeJpeg(unsigned(w), unsigned(h), r, g, b);
}

// 24-bit bottom-up BMP.
std::vector<BYTE> EncodeBmp(int w, int h, DWORD (*px)(int, int)) {
    int rowBytes = (w * 3 + 3) & ~3;
    DWORD dataSize = DWORD(rowBytes) * h;
    std::vector<BYTE> out(54 + dataSize, 0);
    auto put32 = [&](size_t at, DWORD v) {
        for (int i = 0; i < 4; i++) out[at + i] = BYTE(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, DWORD(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, DWORD(w));
    put32(22, DWORD(h));
    out[26] = 1;
    out[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < h; y++) {
        BYTE* row = &out[54 + size_t(h - 1 - y) * rowBytes];
        for (int x = 0; x < w; x++) {
            DWORD c = px(x, y);
            row[x * 3] = BYTE(c);
            row[x * 3 + 1] = BYTE(c >> 8);
            row[x * 3 + 2] = BYTE(c >> 16);
        }
    }
    return out;
}

DWORD AlphaRamp(int x, int y) { return (DWORD(x * 2) << 24) | 0x00FF0000 | DWORD(y); }
DWORD Opaque(int x, int y) { return 0xFF000000 | (DWORD(x) << 8) | DWORD(y); }

}  // namespace

class GfxTextureTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        ASSERT_TRUE(Start());
    }
};

TEST_F(GfxTextureTest, PngWithAlphaKeepsImageSize) {
    auto png = EncodePng(100, 50, AlphaRamp);
    std::vector<BYTE> copy = png;
    TextureHandle tex = engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size()));
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(png, copy);  // the caller's bytes are neither freed nor changed
    EXPECT_EQ(engine->Texture_GetWidth(tex, true), 100);
    EXPECT_EQ(engine->Texture_GetHeight(tex, true), 50);
    EXPECT_EQ(engine->Texture_GetWidth(tex), 128);
    EXPECT_EQ(engine->Texture_GetHeight(tex), 64);
    ASSERT_NE(e->textures, nullptr);
    EXPECT_EQ(e->textures->texture, tex);

    DWORD* p = engine->Texture_Lock(tex);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[10 * 128 + 40], AlphaRamp(40, 10));
    EXPECT_EQ(p[10 * 128 + 110], 0u);  // outside the image
    engine->Texture_Unlock(tex);

    // A lock of a rectangle points at its first pixel; READONLY only when asked.
    d3d9test::ClearJournal();
    DWORD* r = engine->Texture_Lock(tex, false, 3, 5, 4, 2);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(*r, AlphaRamp(3, 5));
    engine->Texture_Unlock(tex);
    engine->Texture_Lock(tex, true, 0, 0, 0, 7);
    engine->Texture_Unlock(tex);
    auto locks = CallsNamed("LockRect");
    ASSERT_EQ(locks.size(), 2u);
    EXPECT_EQ(locks[0].args[2], 0);
    EXPECT_EQ(locks[1].args[2], (int64_t)D3DLOCK_READONLY);

    engine->Texture_Free(tex);
    EXPECT_EQ(e->textures, nullptr);
}

TEST_F(GfxTextureTest, JpegAndBmp) {
    auto jpg = EncodeJpeg(20, 10, 200, 40, 10);
    TextureHandle a = engine->Texture_Load(reinterpret_cast<const char*>(jpg.data()), DWORD(jpg.size()));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(engine->Texture_GetWidth(a, true), 20);
    EXPECT_EQ(engine->Texture_GetWidth(a), 32);
    DWORD* p = engine->Texture_Lock(a);
    ASSERT_NE(p, nullptr);
    DWORD c = p[5 * 32 + 5];
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_NEAR(int((c >> 16) & 0xFF), 200, 6);
    EXPECT_NEAR(int((c >> 8) & 0xFF), 40, 6);
    engine->Texture_Unlock(a);

    auto bmp = EncodeBmp(5, 3, Opaque);
    TextureHandle b = engine->Texture_Load(reinterpret_cast<const char*>(bmp.data()), DWORD(bmp.size()), true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(engine->Texture_GetHeight(b, true), 3);
    EXPECT_EQ(engine->Texture_GetHeight(b), 4);
    p = engine->Texture_Lock(b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[2 * 8 + 4], Opaque(4, 2));
    engine->Texture_Unlock(b);
    EXPECT_EQ(b->GetLevelCount(), 4u);  // 8 x 4 down to 1 x 1

    // Newest first.
    EXPECT_EQ(e->textures->texture, b);
    EXPECT_EQ(e->textures->next->texture, a);
    // Freed in any order; the rest are freed by Gfx_Done.
    engine->Texture_Free(a);
    EXPECT_EQ(e->textures->next, nullptr);
}

TEST_F(GfxTextureTest, BadImagesAreRefused) {
    auto png = EncodePng(16, 16, AlphaRamp);
    std::vector<BYTE> garbage(300, 0x5A);
    std::vector<BYTE> truncated(png.begin(), png.begin() + png.size() / 2);
    std::vector<BYTE> headerOnly(png.begin(), png.begin() + 8);
    auto jpg = EncodeJpeg(16, 16, 1, 2, 3);
    std::vector<BYTE> truncatedJpg(jpg.begin(), jpg.begin() + 20);
    auto bmp = EncodeBmp(4, 4, Opaque);
    std::vector<BYTE> truncatedBmp(bmp.begin(), bmp.begin() + 60);
    auto zeroBmp = EncodeBmp(4, 4, Opaque);
    zeroBmp[18] = 0;  // width 0
    std::vector<BYTE> dds = {'D', 'D', 'S', ' ', 1, 2, 3};

    struct Case {
        const char* name;
        const std::vector<BYTE>* data;
    };
    const Case cases[] = {{"garbage", &garbage},         {"truncated png", &truncated},
                          {"png signature", &headerOnly}, {"truncated jpeg", &truncatedJpg},
                          {"truncated bmp", &truncatedBmp}, {"zero-sized bmp", &zeroBmp},
                          {"short dds", &dds}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e->errorText[0] = 0;
        EXPECT_EQ(engine->Texture_Load(reinterpret_cast<const char*>(c.data->data()), DWORD(c.data->size())),
                  nullptr);
        EXPECT_EQ(Error(), "Can't create texture");
    }
    EXPECT_EQ(e->textures, nullptr);

    EXPECT_EQ(engine->Texture_Load(nullptr, 0), nullptr);
    EXPECT_EQ(Error(), "Can't create texture");
}

TEST_F(GfxTextureTest, LargerThanTheDeviceAllows) {
    d3d9test::SetMaxTextureSize(64);
    auto png = EncodePng(100, 20, Opaque);
    EXPECT_EQ(engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size())), nullptr);
    EXPECT_EQ(Error(), "Can't create texture");
    EXPECT_EQ(engine->Texture_Create(200, 8), nullptr);
    EXPECT_EQ(engine->Target_Create(8, 100, false), nullptr);
    EXPECT_EQ(Error(), "Can't create render target texture");
}

TEST_F(GfxTextureTest, FormatOrderAndFallback) {
    auto png = EncodePng(8, 8, Opaque);
    // The first format refused: the second one is tried.
    d3d9test::SetFault(Fault::DecodeA8R8G8B8, 1, 1);
    TextureHandle tex = engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size()));
    ASSERT_NE(tex, nullptr);
    engine->Texture_Free(tex);
    // Both refused.
    d3d9test::SetFault(Fault::DecodeA8R8G8B8);
    d3d9test::SetFault(Fault::DecodeUnknown);
    EXPECT_EQ(engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size())), nullptr);
    EXPECT_EQ(Error(), "Can't create texture");
}

TEST_F(GfxTextureTest, CreatedTextures) {
    TextureHandle tex = engine->Texture_Create(100, 30);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(engine->Texture_GetWidth(tex), 128);
    EXPECT_EQ(engine->Texture_GetHeight(tex), 32);
    EXPECT_EQ(engine->Texture_GetWidth(tex, true), 0);
    EXPECT_EQ(e->textures, nullptr);
    DWORD* p = engine->Texture_Lock(tex, false);
    ASSERT_NE(p, nullptr);
    p[0] = 0x12345678;
    engine->Texture_Unlock(tex);
    EXPECT_EQ(*engine->Texture_Lock(tex), 0x12345678u);
    engine->Texture_Unlock(tex);

    // A rectangle outside the texture is refused instead of pointing past it.
    e->errorText[0] = 0;
    EXPECT_EQ(engine->Texture_Lock(tex, true, 120, 0, 16, 4), nullptr);
    EXPECT_EQ(Error(), "Can't lock texture");
    EXPECT_EQ(engine->Texture_Lock(tex, true, -1, 0, 4, 4), nullptr);

    d3d9test::SetFault(Fault::LockRect, 1, 1);
    EXPECT_EQ(engine->Texture_Lock(tex), nullptr);
    EXPECT_EQ(Error(), "Can't lock texture");
    d3d9test::SetFault(Fault::GetLevelDesc, 1, 1);
    EXPECT_EQ(engine->Texture_GetWidth(tex), 0);

    d3d9test::SetFault(Fault::ManagedTexture, 1, 1);
    EXPECT_EQ(engine->Texture_Create(8, 8), nullptr);
    EXPECT_EQ(Error(), "Can't create texture");
    e->errorText[0] = 0;
    EXPECT_EQ(engine->Texture_Create(0, 8), nullptr);
    EXPECT_EQ(Error(), "Can't create texture");

    // Not freed by Gfx_Done: its owner frees it.
    engine->Texture_Free(tex);
}

TEST_F(GfxTextureTest, CreatedTexturesStayWithTheirOwnerThroughShutdownAndRelease) {
    TextureHandle freed = engine->Texture_Create(8, 8);
    TextureHandle kept = engine->Texture_Create(16, 16);
    ASSERT_NE(freed, nullptr);
    ASSERT_NE(kept, nullptr);
    // Graphics shutdown leaves them alone, and the owner still frees one through the engine.
    e->Gfx_Done();
    const int live = d3d9test::LiveObjectCount();
    EXPECT_EQ(live, 2);
    engine->Texture_Free(freed);
    EXPECT_EQ(d3d9test::LiveObjectCount(), live - 1);

    // The last release leaves the other to its owner, and the engine's records go with it.
    DestroyWindow(hwnd);
    hwnd = nullptr;
    e->window = nullptr;
    engine->System_Release();
    EXPECT_EQ(d3d9test::LiveObjectCount(), live - 1);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(kept->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
#ifdef FW_TEXTURES_SANITIZED
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
    kept->Release();
    EXPECT_EQ(d3d9test::LiveObjectCount(), 0);

    engine = CreateEngine(ENGINE_VERSION);  // for the fixture's own release
    e = static_cast<EngineImpl*>(engine);
}

TEST_F(GfxTextureTest, ZeroAndFreedHandles) {
    EXPECT_EQ(engine->Texture_GetWidth(nullptr), 0);
    EXPECT_EQ(engine->Texture_GetHeight(nullptr, true), 0);
    EXPECT_EQ(engine->Texture_Lock(nullptr), nullptr);
    engine->Texture_Unlock(nullptr);
    engine->Texture_Free(nullptr);

    auto png = EncodePng(8, 8, Opaque);
    TextureHandle tex = engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size()));
    TextureHandle made = engine->Texture_Create(8, 8);
    ASSERT_NE(tex, nullptr);
    ASSERT_NE(made, nullptr);
    engine->Texture_Free(tex);
    engine->Texture_Free(made);
    // A second free, and queries of freed handles, do nothing.
    engine->Texture_Free(tex);
    engine->Texture_Free(made);
    EXPECT_EQ(engine->Texture_GetWidth(tex), 0);
    EXPECT_EQ(engine->Texture_Lock(made), nullptr);
    engine->Texture_Unlock(made);

    // A render target's texture belongs to the target: Texture_Free leaves it alone.
    TargetHandle target = engine->Target_Create(16, 16, false);
    engine->Texture_Free(engine->Target_GetTexture(target));
    EXPECT_EQ(engine->Texture_GetWidth(engine->Target_GetTexture(target)), 16);
    engine->Target_Free(target);
}

TEST_F(GfxTextureTest, FreeingTheBatchTextureDrawsItFirst) {
    TextureHandle tex = MakeTexture(4, 4, [](int, int) { return 0xFF00FF00u; });
    ASSERT_TRUE(engine->Gfx_BeginScene());
    Quad q = MakeQuad(0, 0, 8, 8, 0xFFFFFFFF, tex);
    engine->Gfx_RenderQuad(&q);
    d3d9test::ClearJournal();
    engine->Texture_Free(tex);
    EXPECT_EQ(CountCalls("DrawIndexedPrimitive"), 1u);
    EXPECT_EQ(e->curTexture, nullptr);
    engine->Gfx_EndScene();
    EXPECT_EQ(BackBuffer().At(3, 3), 0xFF00FF00u);
}

TEST_F(GfxTextureTest, RenderTargets) {
    TargetHandle t = engine->Target_Create(100, 100, true);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 128);
    EXPECT_EQ(t->height, 128);
    ASSERT_NE(t->depth, nullptr);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(t->depth->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(desc.Height, 100u);
    EXPECT_EQ(engine->Texture_GetWidth(engine->Target_GetTexture(t), true), 0);
    EXPECT_EQ(engine->Texture_GetWidth(engine->Target_GetTexture(t)), 128);
    ASSERT_EQ(engine->Target_GetTexture(t)->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);

    TargetHandle u = engine->Target_Create(8, 8, false);
    EXPECT_EQ(e->targets, u);
    EXPECT_EQ(u->depth, nullptr);

    EXPECT_EQ(engine->Target_GetTexture(nullptr), nullptr);
    RenderTarget bogus{};
    engine->Target_Free(&bogus);
    engine->Target_Free(nullptr);
    EXPECT_EQ(e->targets, u);

    e->errorText[0] = 0;
    EXPECT_EQ(engine->Target_Create(0, 10, false), nullptr);
    EXPECT_EQ(Error(), "Can't create render target texture");
    EXPECT_EQ(engine->Target_Create(10, 0, true), nullptr);
    d3d9test::SetFault(Fault::RenderTargetTexture, 1, 1);
    EXPECT_EQ(engine->Target_Create(10, 10, false), nullptr);
    d3d9test::SetFault(Fault::DepthSurface, 1, 1);
    EXPECT_EQ(engine->Target_Create(10, 10, true), nullptr);
    EXPECT_EQ(Error(), "Can't create render target depth buffer");
    EXPECT_EQ(e->targets, u);

    engine->Target_Free(t);
    EXPECT_EQ(e->targets, u);
    // u is left for Gfx_Done, which frees every target.
}

TEST_F(GfxTextureTest, RenderTargetWithDepthDrawsInDepthOrder) {
    TargetHandle t = engine->Target_Create(16, 16, true);
    ASSERT_TRUE(engine->Gfx_BeginScene(t));
    EXPECT_EQ(CountCalls("SetRenderState", D3DRS_ZENABLE, TRUE), 1u);
    engine->Gfx_Clear(0xFF000000);
    auto clears = CallsNamed("Clear");
    EXPECT_EQ(clears.back().args[1], (int64_t)(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    Quad nearQ = MakeQuad(0, 0, 16, 16, 0xFFFF0000, nullptr, BLENDMODE_DEFAULT | BLENDMODE_ZWRITE, 0.2f);
    Quad farQ = MakeQuad(0, 0, 16, 16, 0xFF0000FF, nullptr, BLENDMODE_DEFAULT | BLENDMODE_ZWRITE, 0.7f);
    engine->Gfx_RenderQuad(&nearQ);
    engine->Gfx_RenderQuad(&farQ);
    engine->Gfx_EndScene();
    auto img = d3d9test::ReadTexture(engine->Target_GetTexture(t));
    EXPECT_EQ(img.At(5, 5), 0xFFFF0000u);
    engine->Target_Free(t);
}

TEST_F(GfxTextureTest, NoDeviceRefusesEverything) {
    e->Gfx_Done();
    auto png = EncodePng(8, 8, Opaque);
    EXPECT_EQ(engine->Texture_Load(reinterpret_cast<const char*>(png.data()), DWORD(png.size())), nullptr);
    EXPECT_EQ(engine->Texture_Create(8, 8), nullptr);
    EXPECT_EQ(engine->Target_Create(8, 8, false), nullptr);
    EXPECT_FALSE(engine->Gfx_BeginScene());
    engine->Gfx_EndScene();
    engine->Gfx_Clear(0);
    engine->Gfx_SetClipping(1, 1, 2, 2);
    engine->Gfx_SetTransform(1, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(engine->Gfx_GetDevice(), nullptr);
}

TEST_F(GfxTextureTest, LoadsFromFileNames) {
    char dir[] = "/tmp/fw_tex_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string good = std::string(dir) + "/pic.png";
    std::string bad = std::string(dir) + "/bad.png";
    auto png = EncodePng(10, 6, AlphaRamp);
    FILE* f = fopen(good.c_str(), "wb");
    fwrite(png.data(), 1, png.size(), f);
    fclose(f);
    f = fopen(bad.c_str(), "wb");
    fwrite(png.data(), 1, png.size() / 3, f);
    fclose(f);

    TextureHandle tex = engine->Texture_Load(good.c_str());
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(engine->Texture_GetWidth(tex, true), 10);
    EXPECT_EQ(engine->Texture_GetHeight(tex), 8);

    // A file that is read but not decoded names itself; data from memory has no name.
    EXPECT_EQ(engine->Texture_Load(bad.c_str()), nullptr);
    EXPECT_EQ(Error(), "Can't create texture: " + bad);

    std::string missing = std::string(dir) + "/none.png";
    EXPECT_EQ(engine->Texture_Load(missing.c_str()), nullptr);
    EXPECT_EQ(Error(), "Can't load resource: " + missing);
    engine->Texture_Free(tex);
    unlink(good.c_str());
    unlink(bad.c_str());
    rmdir(dir);
}
