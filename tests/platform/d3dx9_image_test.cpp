// D3DX textures from image files in memory (PNG, JPEG, BMP), bad images, BMP saving.
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "platform/d3dx9/d3dx9_image.h"
#include "platform/d3dx9/image_limits.h"
#include "tests/platform/d3d9_fixture.h"
#include "tests/support/jpeg_files.h"

namespace {

using jpegtest::JpegScans;
using jpegtest::MakeJpeg;
using jpegtest::WithScanRepeated;

std::vector<uint8_t> MakePng(UINT w, UINT h, bool alpha, uint32_t (*f)(UINT, UINT)) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    std::vector<uint8_t> px;
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            uint32_t c = f(x, y);
            px.push_back(uint8_t(c)), px.push_back(uint8_t(c >> 8)), px.push_back(uint8_t(c >> 16));
            if (alpha) px.push_back(uint8_t(c >> 24));
        }
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&img, nullptr, &size, 0, px.data(), 0, nullptr));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&img, out.data(), &size, 0, px.data(), 0, nullptr));
    out.resize(size);
    return out;
}

void Put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }

// A BMP with a 40-byte header; `rows` holds the pixel data as stored (bottom-up unless h < 0).
std::vector<uint8_t> MakeBmp(int w, int h, int bpp, const std::vector<uint32_t>& palette,
                             const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> b{'B', 'M'};
    uint32_t off = 54 + uint32_t(palette.size()) * 4;
    Put32(b, off + uint32_t(rows.size()));
    Put32(b, 0);
    Put32(b, off);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, uint32_t(bpp));
    Put32(b, 0);
    Put32(b, uint32_t(rows.size()));
    Put32(b, 0), Put32(b, 0);
    Put32(b, uint32_t(palette.size()));
    Put32(b, 0);
    for (uint32_t c : palette) Put32(b, c);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

class Images : public DeviceTest {
protected:
    HRESULT Load(const std::vector<uint8_t>& data, D3DFORMAT fmt, IDirect3DTexture9** t, D3DXIMAGE_INFO* info,
                 UINT mips = 1, D3DCOLOR key = 0) {
        return D3DXCreateTextureFromFileInMemoryEx(dev, data.data(), UINT(data.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                                                   mips, 0, fmt, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT, key,
                                                   info, nullptr, t);
    }
};

uint32_t Pattern(UINT x, UINT y) { return (uint32_t((x * 37 + y * 11) & 0xFF) << 24) | (x << 16) | (y << 8) | 0x5A; }

TEST_F(Images, PngWithAlphaGoesToTheTopLeftOfAPowerOfTwoTexture) {
    Make();
    auto png = MakePng(100, 50, true, Pattern);
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(png, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    EXPECT_EQ(info.Width, 100u);
    EXPECT_EQ(info.Height, 50u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    D3DSURFACE_DESC d;
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 128u);
    EXPECT_EQ(d.Height, 64u);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    d3d9test::Image img = d3d9test::ReadTexture(t);
    for (UINT y = 0; y < 50; ++y)
        for (UINT x = 0; x < 100; ++x) ASSERT_EQ(img.At(x, y), Pattern(x, y)) << x << "," << y;
    EXPECT_EQ(img.At(100, 0), 0u);
    EXPECT_EQ(img.At(0, 50), 0u);
    t->Release();
    // The file's own format: an opaque PNG keeps no alpha.
    auto rgb = MakePng(3, 3, false, Pattern);
    ASSERT_EQ(Load(rgb, D3DFMT_UNKNOWN, &t, &info), D3D_OK);
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d3d9test::ReadTexture(t).At(2, 1), Pattern(2, 1) | 0xFF000000u);
    t->Release();
}

TEST_F(Images, JpegDecodesOpaque) {
    Make();
    auto jpg = MakeJpeg(20, 10, 200, 100, 50);
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(jpg, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    EXPECT_EQ(info.Width, 20u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
    uint32_t c = d3d9test::ReadTexture(t).At(5, 5);
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_NEAR(int((c >> 16) & 0xFF), 200, 4);
    EXPECT_NEAR(int((c >> 8) & 0xFF), 100, 4);
    EXPECT_NEAR(int(c & 0xFF), 50, 4);
    t->Release();
}

// Progressive files load up to kMaxJpegScans scans, the most any script of cjpeg or jpegtran
// writes; a file past it is refused before the next scan is decoded.
TEST_F(Images, ProgressiveJpegsLoadUpToTheScanLimit) {
    static_assert(d3dx9impl::kMaxJpegScans == 100);
    Make();
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    auto pattern = [](UINT x, UINT y) { return ((x * 4) << 16) | ((y * 4) << 8) | ((x + y) * 2); };
    const UINT w = 48, h = 40;
    auto decode = [&](const std::vector<uint8_t>& file) {
        d3d9test::Image img;
        if (Load(file, D3DFMT_A8R8G8B8, &t, &info) != D3D_OK) return img;
        img = d3d9test::ReadTexture(t);
        t->Release();
        return img;
    };
    const d3d9test::Image sequential = decode(MakeJpeg(w, h, pattern));
    ASSERT_GT(sequential.width, 0u);
    EXPECT_EQ(d3dx9impl::LastJpegScans(), 1);
    EXPECT_NEAR(int((sequential.At(10, 20) >> 16) & 0xFF), 40, 6);
    EXPECT_NEAR(int((sequential.At(10, 20) >> 8) & 0xFF), 80, 6);

    // Exactly the limit: the DC in two steps, then one scan per AC coefficient of each component
    // (the last of each a band), 100 in all. All the coefficients arrive, so the pixels are the
    // sequential file's.
    std::vector<jpeg_scan_info> scans;
    scans.push_back({3, {0, 1, 2}, 0, 0, 0, 1});
    for (int comp = 0; comp < 3; ++comp) {
        const int singles = comp == 0 ? 33 : 31;
        for (int k = 1; k <= singles; ++k) scans.push_back({1, {comp}, k, k, 0, 0});
        scans.push_back({1, {comp}, singles + 1, 63, 0, 0});
    }
    scans.push_back({3, {0, 1, 2}, 0, 0, 1, 0});
    ASSERT_EQ(scans.size(), size_t(d3dx9impl::kMaxJpegScans));
    const std::vector<uint8_t> many = MakeJpeg(w, h, pattern, scans);
    ASSERT_EQ(JpegScans(many).size(), scans.size());
    const d3d9test::Image progressive = decode(many);
    EXPECT_EQ(d3dx9impl::LastJpegScans(), d3dx9impl::kMaxJpegScans);
    ASSERT_EQ(progressive.width, sequential.width);
    EXPECT_EQ(progressive.pixels, sequential.pixels);

    // One scan more, or a scan repeated 2,000 times (each a pass over the picture, a few bytes
    // in the file): refused once the 101st scan starts.
    for (const auto& file : {WithScanRepeated(many, 1, 1), WithScanRepeated(many, 99, 2000)}) {
        t = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_EQ(Load(file, D3DFMT_A8R8G8B8, &t, &info), D3DXERR_INVALIDDATA);
        EXPECT_EQ(t, nullptr);
        EXPECT_EQ(d3dx9impl::LastJpegScans(), d3dx9impl::kMaxJpegScans);
    }

    // libjpeg's own progression: 10 scans.
    EXPECT_EQ(decode(MakeJpeg(w, h, pattern, jpegtest::SimpleProgression())).pixels, sequential.pixels);
    EXPECT_EQ(d3dx9impl::LastJpegScans(), 10);

    // The data refused last, tried again in another format, is refused without a second decode
    // (the scan count stays that of the file decoded since); other data is decoded.
    const auto refused = WithScanRepeated(many, 99, 2000);
    EXPECT_EQ(Load(refused, D3DFMT_A8R8G8B8, &t, &info), D3DXERR_INVALIDDATA);
    decode(MakeJpeg(w, h, pattern, jpegtest::SimpleProgression()));
    EXPECT_EQ(Load(refused, D3DFMT_UNKNOWN, &t, &info), D3DXERR_INVALIDDATA);
    EXPECT_EQ(d3dx9impl::LastJpegScans(), 10);
    auto other = refused;
    other[other.size() - 3] ^= 1;
    EXPECT_EQ(Load(other, D3DFMT_UNKNOWN, &t, &info), D3DXERR_INVALIDDATA);
    EXPECT_EQ(d3dx9impl::LastJpegScans(), d3dx9impl::kMaxJpegScans);
}

TEST_F(Images, BmpLayouts) {
    Make();
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    // 24-bit, 3 x 2, bottom-up, rows padded to 12 bytes.
    std::vector<uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,  // bottom row
                                   10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    ASSERT_EQ(Load(MakeBmp(3, 2, 24, {}, rows24), D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    d3d9test::Image img = d3d9test::ReadTexture(t);
    EXPECT_EQ(img.At(0, 0), 0xFF0C0B0Au);
    EXPECT_EQ(img.At(2, 1), 0xFF090807u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    t->Release();
    // 8-bit palette, top-down (negative height).
    std::vector<uint8_t> rows8 = {1, 0, 0, 0, 2, 0, 0, 0};  // rows padded to 4 bytes
    ASSERT_EQ(Load(MakeBmp(2, -2, 8, {0x000000, 0x00FF0000, 0x0000FF00}, rows8), D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    img = d3d9test::ReadTexture(t);
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(1, 0), 0xFF000000u);
    EXPECT_EQ(img.At(0, 1), 0xFF00FF00u);
    t->Release();
}

TEST_F(Images, BadImagesFailWithoutCrashing) {
    Make();
    IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(1);
    D3DXIMAGE_INFO info{};
    auto png = MakePng(16, 16, true, Pattern);
    auto jpg = MakeJpeg(64, 64, 1, 2, 3);
    std::vector<uint8_t> rows24(24, 7);
    auto bmp = MakeBmp(3, 2, 24, {}, rows24);
    const std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2),
        std::vector<uint8_t>(jpg.begin(), jpg.begin() + jpg.size() / 2),
        std::vector<uint8_t>(bmp.begin(), bmp.end() - 5),
        std::vector<uint8_t>(png.begin(), png.begin() + 8),
        {'B', 'M', 0, 0},
        {0xFF, 0xD8, 0xFF},
        std::vector<uint8_t>(300, 0xAB),
        MakeBmp(0, 0, 24, {}, {}),
        MakeBmp(100000, 100000, 24, {}, rows24),  // claims 30 GB of pixels
        MakeBmp(2, 2, 8, std::vector<uint32_t>(300, 0), rows24),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        t = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(Load(bad[i], D3DFMT_A8R8G8B8, &t, &info))) << "image " << i;
        EXPECT_EQ(t, nullptr);
        EXPECT_TRUE(FAILED(Load(bad[i], D3DFMT_UNKNOWN, &t, &info))) << "image " << i;
    }
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, png.data(), 0, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1, D3DX_DEFAULT, 0, &info,
                                                  nullptr, &t),
              D3DERR_INVALIDCALL);
    // Larger than the device allows.
    d3d9test::SetMaxTextureSize(8);
    EXPECT_TRUE(FAILED(Load(png, D3DFMT_A8R8G8B8, &t, &info)));
    EXPECT_TRUE(FAILED(D3DXCreateTexture(dev, 9, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t)));
}

// A DDS of uncompressed pixels with the given bit masks, level 0 only.
std::vector<uint8_t> MakeDds(UINT w, UINT h, UINT bpp, uint32_t r, uint32_t g, uint32_t b, uint32_t a,
                             const std::vector<uint32_t>& px) {
    std::vector<uint8_t> d{'D', 'D', 'S', ' '};
    Put32(d, 124);
    Put32(d, 0x100F);
    Put32(d, h);
    Put32(d, w);
    Put32(d, w * bpp / 8);
    Put32(d, 0);
    Put32(d, 1);
    for (int i = 0; i < 11; ++i) Put32(d, 0);
    Put32(d, 32);
    Put32(d, 0x40 | (a ? 0x1 : 0));
    Put32(d, 0);
    Put32(d, bpp);
    Put32(d, r), Put32(d, g), Put32(d, b), Put32(d, a);
    for (int i = 0; i < 5; ++i) Put32(d, 0);
    for (uint32_t p : px) bpp == 16 ? Put16(d, p) : Put32(d, p);
    return d;
}

TEST_F(Images, DdsKeepsItsFormatTgaDecodes) {
    Make();
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    auto dds16 = MakeDds(2, 2, 16, 0xF800, 0x7E0, 0x1F, 0, {0xF800, 0x07E0, 0x001F, 0xFFFF});
    ASSERT_EQ(Load(dds16, D3DFMT_UNKNOWN, &t, &info), D3D_OK);
    D3DSURFACE_DESC d;
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_EQ(d3d9test::ReadTexture(t).At(1, 0), 0xFF00FF00u);
    t->Release();
    ASSERT_EQ(Load(dds16, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);  // converted on request
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(d3d9test::ReadTexture(t).At(0, 1), 0xFF0000FFu);
    t->Release();
    auto unknownCode = MakeDds(4, 4, 32, 0, 0, 0, 0, std::vector<uint32_t>(16, 0));
    unknownCode[80] = 0x04;  // a four-character code other than DXT1..DXT5 is refused
    EXPECT_TRUE(FAILED(Load(unknownCode, D3DFMT_UNKNOWN, &t, &info)));
    EXPECT_TRUE(FAILED(Load(unknownCode, D3DFMT_A8R8G8B8, &t, &info)));
    // Layouts the device cannot sample fail in their own format and convert on request.
    auto dds24 = MakeDds(2, 1, 24, 0xFF0000, 0xFF00, 0xFF, 0, {});
    for (uint8_t v : {0x30, 0x20, 0x10, 0x60, 0x50, 0x40}) dds24.push_back(v);
    auto abgr = MakeDds(2, 1, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, {0x80302010u, 0xFF605040u});
    for (const auto* file : {&dds24, &abgr}) {
        EXPECT_TRUE(FAILED(Load(*file, D3DFMT_UNKNOWN, &t, &info)));
        ASSERT_EQ(Load(*file, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
        t->GetLevelDesc(0, &d);
        EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
        d3d9test::Image img = d3d9test::ReadTexture(t);
        EXPECT_EQ(img.At(0, 0), file == &dds24 ? 0xFF102030u : 0x80102030u);
        EXPECT_EQ(img.At(1, 0), 0xFF405060u);
        t->Release();
    }
    // TGA: uncompressed 32-bit, bottom-up, 2 x 1.
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 2, tga[12] = 2, tga[14] = 1, tga[16] = 32;
    for (uint8_t v : {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}) tga.push_back(v);
    ASSERT_EQ(Load(tga, D3DFMT_UNKNOWN, &t, &info), D3D_OK);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
    EXPECT_EQ(d3d9test::ReadTexture(t).At(1, 0), 0x80706050u);
    t->Release();
    // 24-bit, 1 x 3, bottom-up: the last stored row on top.
    tga.assign(18, 0);
    tga[2] = 2, tga[12] = 1, tga[14] = 3, tga[16] = 24;
    for (uint8_t v : {1, 1, 1, 2, 2, 2, 3, 3, 3}) tga.push_back(v);
    ASSERT_EQ(Load(tga, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    d3d9test::Image img = d3d9test::ReadTexture(t);
    EXPECT_EQ(img.At(0, 0), 0xFF030303u);
    EXPECT_EQ(img.At(0, 1), 0xFF020202u);
    EXPECT_EQ(img.At(0, 2), 0xFF010101u);
    t->Release();
    // Run-length, 300 x 1, top-down, in runs of 128, 128 and 44 pixels: the least 300 pixels
    // take. A byte less is refused before the pixels are allocated, as is a header alone that
    // claims 4096 x 4096.
    std::vector<uint8_t> rle(18, 0);
    rle[2] = 10, rle[12] = 300 & 0xFF, rle[13] = 300 >> 8, rle[14] = 1, rle[16] = 24, rle[17] = 0x20;
    for (uint8_t n : {128, 128, 44}) rle.insert(rle.end(), {uint8_t(0x80 | (n - 1)), n, 2, 3});
    ASSERT_EQ(Load(rle, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    img = d3d9test::ReadTexture(t);
    EXPECT_EQ(img.At(127, 0), 0xFF030280u);
    EXPECT_EQ(img.At(299, 0), 0xFF03022Cu);
    t->Release();
    rle.pop_back();
    EXPECT_EQ(Load(rle, D3DFMT_A8R8G8B8, &t, &info), D3DXERR_INVALIDDATA);
    rle.resize(18);
    rle[12] = 0, rle[13] = 0x10, rle[14] = 0, rle[15] = 0x10;
    EXPECT_EQ(Load(rle, D3DFMT_A8R8G8B8, &t, &info), D3DXERR_INVALIDDATA);
}

// A compressed DDS: header with the four-character code, then the blocks as given.
std::vector<uint8_t> MakeDxt(UINT w, UINT h, const char* code, const std::vector<uint8_t>& blocks) {
    std::vector<uint8_t> d = MakeDds(w, h, 32, 0, 0, 0, 0, {});
    d[80] = 0x04;  // DDPF_FOURCC only
    std::memcpy(&d[84], code, 4);
    d.insert(d.end(), blocks.begin(), blocks.end());
    return d;
}

void PutColourBlock(std::vector<uint8_t>& b, uint16_t c0, uint16_t c1, uint32_t indices) {
    Put16(b, c0), Put16(b, c1), Put32(b, indices);
}

TEST_F(Images, CompressedDdsDecodesOnlyWhenConverted) {
    Make();
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    auto load = [&](const std::vector<uint8_t>& file) {
        // In its own format the device cannot take it: the converting retry decodes it.
        EXPECT_TRUE(FAILED(Load(file, D3DFMT_UNKNOWN, &t, &info)));
        EXPECT_EQ(Load(file, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
        d3d9test::Image img = t ? d3d9test::ReadTexture(t) : d3d9test::Image{};
        if (t) t->Release();
        t = nullptr;
        return img;
    };

    // DXT1, four-colour mode (red above blue): index 0, 1, 2, 3 along the first row, then
    // the 2/3 mixes; rows 1..3 all index 1.
    std::vector<uint8_t> b;
    PutColourBlock(b, 0xF800, 0x001F, 0x55555500u | 0xE4u);
    d3d9test::Image img = load(MakeDxt(4, 4, "DXT1", b));
    EXPECT_EQ(info.Format, D3DFMT_DXT1);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_EQ(info.Width, 4u);
    ASSERT_EQ(img.width, 4u);
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(1, 0), 0xFF0000FFu);
    EXPECT_EQ(img.At(2, 0), 0xFFAA0055u);
    EXPECT_EQ(img.At(3, 0), 0xFF5500AAu);
    EXPECT_EQ(img.At(2, 3), 0xFF0000FFu);

    // DXT1, three-colour mode (first not above second): the half mix and transparent black.
    b.clear();
    PutColourBlock(b, 0x001F, 0xF800, 0xE4u);
    img = load(MakeDxt(4, 4, "DXT1", b));
    EXPECT_EQ(img.At(2, 0), 0xFF7F007Fu);
    EXPECT_EQ(img.At(3, 0), 0x00000000u);

    // DXT3: explicit 4-bit alpha, 0x0..0xF across the block; the colour block is always in
    // four-colour mode, even when its first colour is the lower.
    b.clear();
    for (int i = 0; i < 8; ++i) b.push_back(uint8_t((2 * i) | ((2 * i + 1) << 4)));
    PutColourBlock(b, 0x001F, 0xF800, 0xE4u);
    img = load(MakeDxt(4, 4, "DXT3", b));
    EXPECT_EQ(info.Format, D3DFMT_DXT3);
    EXPECT_EQ(img.At(0, 0), 0x000000FFu);
    EXPECT_EQ(img.At(1, 0), 0x11FF0000u);
    EXPECT_EQ(img.At(3, 0), 0x33AA0055u);
    EXPECT_EQ(img.At(3, 3) >> 24, 0xFFu);

    // DXT5: eight-step alpha (a0 > a1) and six-step with 0 and 255 (a0 <= a1).
    auto dxt5 = [&](uint8_t a0, uint8_t a1) {
        std::vector<uint8_t> blk{a0, a1};
        uint64_t bits = 0;
        for (int i = 0; i < 16; ++i) bits |= uint64_t(i % 8) << (3 * i);  // index = i mod 8
        for (int i = 0; i < 6; ++i) blk.push_back(uint8_t(bits >> (8 * i)));
        PutColourBlock(blk, 0xFFFF, 0xFFFF, 0);
        return load(MakeDxt(4, 4, "DXT5", blk));
    };
    img = dxt5(210, 0);
    EXPECT_EQ(img.At(0, 0) >> 24, 210u);
    EXPECT_EQ(img.At(1, 0) >> 24, 0u);
    EXPECT_EQ(img.At(2, 0) >> 24, 180u);  // (6 * 210 + 0) / 7
    EXPECT_EQ(img.At(3, 1) >> 24, 30u);   // index 7: (1 * 210) / 7
    EXPECT_EQ(img.At(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    img = dxt5(0, 200);
    EXPECT_EQ(img.At(2, 0) >> 24, 40u);   // index 2: (4 * 0 + 1 * 200) / 5
    EXPECT_EQ(img.At(2, 1) >> 24, 0u);    // index 6
    EXPECT_EQ(img.At(3, 1) >> 24, 255u);  // index 7

    // DXT4 is premultiplied: the colour comes back divided by the alpha.
    std::vector<uint8_t> blk{128, 128, 0, 0, 0, 0, 0, 0};
    PutColourBlock(blk, 0x8000, 0x8000, 0);  // red 0x84 at alpha 128
    img = load(MakeDxt(4, 4, "DXT4", blk));
    EXPECT_EQ(img.At(1, 1), 0x80FF0000u);

    // Sizes not a multiple of four take the top-left of the edge blocks; a 5 x 1 image needs
    // two blocks, and one block short is refused.
    b.clear();
    PutColourBlock(b, 0xF800, 0xF800, 0);
    PutColourBlock(b, 0x07E0, 0x07E0, 0);
    img = load(MakeDxt(5, 1, "DXT1", b));
    ASSERT_EQ(info.Width, 5u);
    EXPECT_EQ(img.At(3, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(4, 0), 0xFF00FF00u);
    b.resize(8);
    auto shortFile = MakeDxt(5, 1, "DXT1", b);
    EXPECT_TRUE(FAILED(Load(shortFile, D3DFMT_A8R8G8B8, &t, &info)));
}

// Damaged files of every kind: random bytes changed and random truncation. Each load either
// fails or gives a texture; nothing reads out of bounds (checked under the sanitizers).
TEST_F(Images, DamagedFilesNeverCrash) {
    Make();
    std::vector<uint8_t> rows24(24, 7);
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 10, tga[12] = 4, tga[14] = 4, tga[16] = 32;
    for (int i = 0; i < 8; ++i) tga.insert(tga.end(), {0x81, 1, 2, 3, 4});
    const std::vector<std::vector<uint8_t>> seeds = {
        MakePng(9, 7, true, Pattern),
        MakeJpeg(17, 9, 10, 200, 30),
        MakeBmp(3, 2, 24, {}, rows24),
        MakeBmp(2, -2, 8, {0x000000, 0x00FF0000, 0x0000FF00}, {1, 0, 0, 0, 2, 0, 0, 0}),
        MakeDds(2, 2, 16, 0xF800, 0x7E0, 0x1F, 0, {1, 2, 3, 4}),
        tga,
    };
    uint32_t seed = 2024;
    auto rnd = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> data = seeds[size_t(round) % seeds.size()];
        int changes = 1 + int(rnd() % 4);
        for (int c = 0; c < changes; ++c) data[rnd() % data.size()] = uint8_t(rnd());
        if (rnd() % 3 == 0) data.resize(1 + rnd() % data.size());
        IDirect3DTexture9* t = nullptr;
        D3DXIMAGE_INFO info{};
        if (SUCCEEDED(Load(data, round % 2 ? D3DFMT_UNKNOWN : D3DFMT_A8R8G8B8, &t, &info))) {
            ASSERT_NE(t, nullptr);
            EXPECT_GT(info.Width, 0u);
            t->Release();
            ++loaded;
        } else {
            EXPECT_EQ(t, nullptr);
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(Images, DecodeFaultsHitOneFormatAtATime) {
    Make();
    auto png = MakePng(4, 4, true, Pattern);
    IDirect3DTexture9* t = nullptr;
    d3d9test::SetFault(d3d9test::Fault::DecodeA8R8G8B8);
    EXPECT_TRUE(FAILED(Load(png, D3DFMT_A8R8G8B8, &t, nullptr)));
    ASSERT_EQ(Load(png, D3DFMT_UNKNOWN, &t, nullptr), D3D_OK);
    t->Release();
}

TEST_F(Images, MipChainColourKeyAndSizeRules) {
    Make();
    auto png = MakePng(8, 4, true, [](UINT x, UINT) { return x < 4 ? 0xFFFF00FFu : 0xFF00FF00u; });
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(Load(png, D3DFMT_A8R8G8B8, &t, nullptr, 0, 0xFFFF00FF), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 4u);  // 8x4, 4x2, 2x1, 1x1
    d3d9test::Image img = d3d9test::ReadTexture(t);
    EXPECT_EQ(img.At(0, 0), 0u);  // keyed out
    EXPECT_EQ(img.At(5, 0), 0xFF00FF00u);
    D3DSURFACE_DESC d;
    t->GetLevelDesc(3, &d);
    EXPECT_EQ(d.Width, 1u);
    t->Release();
    // Empty textures round up too: the game's 320 x 240 target becomes 512 x 256.
    ASSERT_EQ(D3DXCreateTexture(dev, 320, 240, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 512u);
    EXPECT_EQ(d.Height, 256u);
    t->Release();
    d3d9test::SetPow2Rounding(false);
    ASSERT_EQ(D3DXCreateTexture(dev, 320, 240, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 320u);
    t->Release();
    d3d9test::SetFault(d3d9test::Fault::ManagedTexture, 1, 1);
    EXPECT_TRUE(FAILED(D3DXCreateTexture(dev, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t)));
}

TEST_F(Images, SavedBmpOfTheBackBufferLoadsBack) {
    Make(20, 10);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    dev->SetTexture(0, nullptr);
    Rect(3, 2, 9, 7, 0xFFC08040);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    char dir[] = "/tmp/fw_d3dx9_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/shot000.bmp";
    std::string winPath = path;
    for (char& c : winPath)
        if (c == '/') c = '\\';
    ASSERT_EQ(D3DXSaveSurfaceToFileA(winPath.c_str(), D3DXIFF_BMP, back, nullptr, nullptr), D3D_OK);
    back->Release();
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u + 60u * 10u);  // 24-bit rows of 60 bytes
    IDirect3DTexture9* t = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(bytes, D3DFMT_A8R8G8B8, &t, &info), D3D_OK);
    d3d9test::Image saved = d3d9test::ReadTexture(t), shown = Back();
    for (UINT y = 0; y < 10; ++y)
        for (UINT x = 0; x < 20; ++x) ASSERT_EQ(saved.At(x, y), shown.At(x, y)) << x << "," << y;
    t->Release();
    d3d9test::SetFault(d3d9test::Fault::SaveSurface, 1, 1);
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    std::remove(path.c_str());
    EXPECT_TRUE(FAILED(D3DXSaveSurfaceToFileA(winPath.c_str(), D3DXIFF_BMP, back, nullptr, nullptr)));
    back->Release();
    EXPECT_FALSE(std::ifstream(path).good());
    rmdir(dir);
}

}  // namespace
