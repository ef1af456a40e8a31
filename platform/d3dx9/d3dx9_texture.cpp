// D3DX textures: empty ones, ones decoded from image files in memory, and BMP saving.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/d3dx9_image.h"
#include "platform/win32/win_path.h"

using d3d9impl::Ctl;

namespace {

UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}

UINT FitSize(UINT requested, UINT imageSize) {
    UINT s = (requested == 0 || requested == D3DX_DEFAULT) ? imageSize : requested;
    return Ctl().pow2 ? NextPow2(s) : s;
}

// Lower levels by a 2 x 2 box filter of the level above (edges clamp for odd sizes).
void BuildMips(d3d9impl::TextureImpl* t) {
    for (size_t l = 1; l < t->levels.size(); ++l) {
        const d3d9impl::PixelBuffer& src = t->levels[l - 1]->buf;
        d3d9impl::PixelBuffer& dst = t->levels[l]->buf;
        for (UINT y = 0; y < dst.height; ++y)
            for (UINT x = 0; x < dst.width; ++x) {
                UINT sx0 = std::min(src.width - 1, x * 2), sx1 = std::min(src.width - 1, x * 2 + 1);
                UINT sy0 = std::min(src.height - 1, y * 2), sy1 = std::min(src.height - 1, y * 2 + 1);
                uint32_t p[4] = {src.pixels[size_t(sy0) * src.width + sx0], src.pixels[size_t(sy0) * src.width + sx1],
                                 src.pixels[size_t(sy1) * src.width + sx0], src.pixels[size_t(sy1) * src.width + sx1]};
                uint32_t out = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sum = 0;
                    for (uint32_t v : p) sum += (v >> sh) & 0xFF;
                    out |= ((sum + 2) / 4) << sh;
                }
                dst.pixels[size_t(y) * dst.width + x] = d3d9impl::Quantize(dst.format, out);
            }
    }
}

// The last data the decoders refused, by its size, the largest size allowed then and a 64-bit
// hash of its bytes: a caller that tries the same data again in another format (the engine does)
// is refused at once, where decoding it again could cost as much as the first time.
struct Refused {
    bool valid = false;
    size_t size = 0;
    UINT maxSize = 0;
    uint64_t hash = 0;
};
thread_local Refused g_refused;

uint64_t Fnv1a(const uint8_t* data, size_t size) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 0x100000001b3ull;
    return h;
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (texture) *texture = nullptr;
    if (!device || !texture) return D3DERR_INVALIDCALL;
    UINT w = FitSize(width, 256), h = FitSize(height, 256);
    if (w > Ctl().maxTextureSize || h > Ctl().maxTextureSize) return D3DERR_INVALIDCALL;
    if (levels == D3DX_DEFAULT) levels = 0;
    if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
    return device->CreateTexture(w, h, levels, usage, format, pool, texture, nullptr);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT dataSize, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture) {
    if (texture) *texture = nullptr;
    if (!device || !data || dataSize == 0 || !texture) return D3DERR_INVALIDCALL;
    if (format == D3DFMT_A8R8G8B8 && d3d9impl::FaultHits(d3d9test::Fault::DecodeA8R8G8B8)) return D3DXERR_INVALIDDATA;
    if (format == D3DFMT_UNKNOWN && d3d9impl::FaultHits(d3d9test::Fault::DecodeUnknown)) return D3DXERR_INVALIDDATA;

    const auto* bytes = static_cast<const uint8_t*>(data);
    const UINT maxSize = Ctl().maxTextureSize;
    if (g_refused.valid && g_refused.size == dataSize && g_refused.maxSize == maxSize &&
        g_refused.hash == Fnv1a(bytes, dataSize))
        return D3DXERR_INVALIDDATA;
    d3dx9impl::DecodedImage img;
    if (!d3dx9impl::DecodeImage(bytes, dataSize, maxSize, &img)) {
        g_refused = {true, dataSize, maxSize, Fnv1a(bytes, dataSize)};
        return D3DXERR_INVALIDDATA;
    }
    D3DFORMAT fmt = format == D3DFMT_UNKNOWN ? img.format : format;
    if (!d3d9impl::IsColorFormat(fmt)) return D3DERR_INVALIDCALL;
    UINT w = FitSize(width, img.width), h = FitSize(height, img.height);
    if (w > Ctl().maxTextureSize || h > Ctl().maxTextureSize) return D3DERR_INVALIDCALL;
    if (mipLevels == D3DX_DEFAULT) mipLevels = 0;

    IDirect3DTexture9* tex = nullptr;
    HRESULT hr = device->CreateTexture(w, h, mipLevels, usage, fmt, pool, &tex, nullptr);
    if (FAILED(hr)) return hr;
    auto* t = static_cast<d3d9impl::TextureImpl*>(tex);
    d3d9impl::PixelBuffer& l0 = t->levels[0]->buf;
    // The image unscaled in the top-left corner; the rest transparent black. A8R8G8B8 keeps
    // every colour as it is, so without a colour key its rows are copied whole.
    const uint32_t clear = d3d9impl::Quantize(fmt, 0);
    const bool asIs = fmt == D3DFMT_A8R8G8B8;
    UINT cw = std::min(w, img.width), ch = std::min(h, img.height);
    for (UINT y = 0; y < ch; ++y) {
        const uint32_t* from = &img.pixels[size_t(y) * img.width];
        uint32_t* to = &l0.pixels[size_t(y) * w];
        if (asIs && colorKey == 0) {
            std::memcpy(to, from, size_t(cw) * 4);
        } else {
            for (UINT x = 0; x < cw; ++x) {
                uint32_t c = from[x];
                if (colorKey != 0 && c == colorKey) c = 0;
                to[x] = asIs ? c : d3d9impl::Quantize(fmt, c);
            }
        }
        std::fill(to + cw, to + w, clear);
    }
    std::fill(l0.pixels.begin() + size_t(ch) * w, l0.pixels.end(), clear);
    BuildMips(t);
    if (info) {
        info->Width = img.width;
        info->Height = img.height;
        info->Depth = 1;
        info->MipLevels = 1;
        info->Format = img.format;
        info->ResourceType = D3DRTYPE_TEXTURE;
        info->ImageFileFormat = img.fileFormat;
    }
    *texture = tex;
    return D3D_OK;
}

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* /*palette*/, const RECT* srcRect) {
    if (!destFile || !surface || format != D3DXIFF_BMP) return D3DERR_INVALIDCALL;
    if (d3d9impl::FaultHits(d3d9test::Fault::SaveSurface)) return E_FAIL;
    const d3d9impl::PixelBuffer& buf = static_cast<d3d9impl::SurfaceImpl*>(surface)->buf;
    if (!d3d9impl::IsColorFormat(buf.format)) return D3DERR_INVALIDCALL;
    RECT r = srcRect ? *srcRect : RECT{0, 0, LONG(buf.width), LONG(buf.height)};
    r.left = std::max<LONG>(r.left, 0), r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, LONG(buf.width)), r.bottom = std::min<LONG>(r.bottom, LONG(buf.height));
    if (r.left >= r.right || r.top >= r.bottom) return D3DERR_INVALIDCALL;
    UINT w = UINT(r.right - r.left), h = UINT(r.bottom - r.top);
    // 32-bit for formats with alpha, 24-bit otherwise; bottom-up rows, no compression.
    bool alpha = d3d9impl::HasAlpha(buf.format);
    UINT bpp = alpha ? 32 : 24;
    UINT stride = ((w * bpp + 31) / 32) * 4;
    std::vector<uint8_t> out;
    out.reserve(54 + size_t(stride) * h);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + stride * h);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, w);
    Put32(out, h);
    Put16(out, 1);
    Put16(out, bpp);
    Put32(out, 0);
    Put32(out, stride * h);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (UINT y = h; y-- > 0;) {
        size_t start = out.size();
        const uint32_t* row = &buf.pixels[size_t(r.top + y) * buf.width + r.left];
        for (UINT x = 0; x < w; ++x) {
            uint32_t c = row[x];
            out.push_back(uint8_t(c));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c >> 16));
            if (alpha) out.push_back(uint8_t(c >> 24));
        }
        while (out.size() - start < stride) out.push_back(0);
    }
    std::string path = platform::TranslatePath(destFile);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return D3DERR_INVALIDCALL;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? D3D_OK : E_FAIL;
}
