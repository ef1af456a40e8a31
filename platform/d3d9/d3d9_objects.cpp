// Formats, pixel storage, surfaces, textures and the vertex and index buffers.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9_impl.h"

namespace d3d9impl {

int g_liveObjects = 0;

bool IsColorFormat(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
        return true;
    default:
        return false;
    }
}

bool IsDepthFormat(D3DFORMAT f) { return f == D3DFMT_D24S8 || f == D3DFMT_D16; }

bool HasAlpha(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_A1R5G5B5 || f == D3DFMT_A4R4G4B4; }

UINT BytesPerPixel(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_D16:
        return 2;
    default:
        return 4;
    }
}

namespace {

// Expands an n-bit channel to 8 bits by bit replication.
inline uint32_t Expand(uint32_t v, int bits) {
    switch (bits) {
    case 1: return v ? 0xFF : 0;
    case 4: return (v << 4) | v;
    case 5: return (v << 3) | (v >> 2);
    case 6: return (v << 2) | (v >> 4);
    default: return v;
    }
}

}  // namespace

uint32_t ToNative(D3DFORMAT f, uint32_t c) {
    uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    switch (f) {
    case D3DFMT_R5G6B5: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case D3DFMT_X1R5G5B5: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case D3DFMT_A1R5G5B5: return ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case D3DFMT_A4R4G4B4: return ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    case D3DFMT_X8R8G8B8: return c | 0xFF000000u;
    default: return c;
    }
}

uint32_t FromNative(D3DFORMAT f, uint32_t n) {
    uint32_t a = 0xFF, r, g, b;
    switch (f) {
    case D3DFMT_R5G6B5:
        r = Expand((n >> 11) & 31, 5), g = Expand((n >> 5) & 63, 6), b = Expand(n & 31, 5);
        break;
    case D3DFMT_X1R5G5B5:
        r = Expand((n >> 10) & 31, 5), g = Expand((n >> 5) & 31, 5), b = Expand(n & 31, 5);
        break;
    case D3DFMT_A1R5G5B5:
        a = Expand((n >> 15) & 1, 1);
        r = Expand((n >> 10) & 31, 5), g = Expand((n >> 5) & 31, 5), b = Expand(n & 31, 5);
        break;
    case D3DFMT_A4R4G4B4:
        a = Expand((n >> 12) & 15, 4);
        r = Expand((n >> 8) & 15, 4), g = Expand((n >> 4) & 15, 4), b = Expand(n & 15, 4);
        break;
    case D3DFMT_X8R8G8B8: return n | 0xFF000000u;
    default: return n;
    }
    return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t Quantize(D3DFORMAT f, uint32_t c) {
    if (f == D3DFMT_A8R8G8B8) return c;
    if (f == D3DFMT_X8R8G8B8) return c | 0xFF000000u;
    return FromNative(f, ToNative(f, c));
}

void PixelBuffer::Init(UINT w, UINT h, D3DFORMAT f, uint32_t fill) {
    width = w;
    height = h;
    format = f;
    pixels.assign(size_t(w) * h, fill);
}

// ---- Surfaces.

SurfaceImpl::SurfaceImpl(UINT w, UINT h, D3DFORMAT f, D3DPOOL p, DWORD u, TextureImpl* c, UINT l)
    : pool(p), usage(u), container(c), level(l) {
    if (container) --g_liveObjects;  // part of its texture, not an object of its own
    buf.Init(w, h, f, IsDepthFormat(f) ? 0xFFFFFFu : Quantize(f, 0));
}

SurfaceImpl::~SurfaceImpl() {
    if (container) ++g_liveObjects;
    else UntrackDefaultPool(this);
}

DWORD SurfaceImpl::AddRef() { return container ? container->AddRef() : Object::AddRef(); }
DWORD SurfaceImpl::Release() { return container ? container->Release() : Object::Release(); }
void SurfaceImpl::Bind() {
    if (container) container->Bind();
    else Object::Bind();
}
void SurfaceImpl::Unbind() {
    if (container) container->Unbind();
    else Object::Unbind();
}
DWORD SurfaceImpl::ExternalRefs() const { return container ? container->ExternalRefs() : Object::ExternalRefs(); }

HRESULT SurfaceImpl::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceById(container ? container->deviceId : deviceId);
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT SurfaceImpl::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = buf.format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = buf.width;
    desc->Height = buf.height;
    return D3D_OK;
}

HRESULT SurfaceImpl::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    if (!out || locked) return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_DEFAULT || !IsColorFormat(buf.format)) return D3DERR_INVALIDCALL;
    RECT r = rect ? *rect : RECT{0, 0, LONG(buf.width), LONG(buf.height)};
    if (r.left < 0 || r.top < 0 || r.right > LONG(buf.width) || r.bottom > LONG(buf.height) || r.left >= r.right ||
        r.top >= r.bottom)
        return D3DERR_INVALIDCALL;
    locked = true;
    lockReadOnly = (flags & D3DLOCK_READONLY) != 0;
    lockRect = r;
    if (BytesPerPixel(buf.format) == 4) {
        out->Pitch = int(buf.width * 4);
        out->pBits = &buf.pixels[size_t(r.top) * buf.width + r.left];
        return D3D_OK;
    }
    // 16-bit: a tightly packed copy of the rectangle, written back on unlock.
    UINT w = UINT(r.right - r.left), h = UINT(r.bottom - r.top);
    lockCopy.assign(size_t(w) * h * 2, 0);
    auto* dst = reinterpret_cast<uint16_t*>(lockCopy.data());
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            dst[size_t(y) * w + x] =
                uint16_t(ToNative(buf.format, buf.pixels[size_t(r.top + y) * buf.width + r.left + x]));
    out->Pitch = int(w * 2);
    out->pBits = lockCopy.data();
    return D3D_OK;
}

HRESULT SurfaceImpl::UnlockRect() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    const RECT& r = lockRect;
    if (BytesPerPixel(buf.format) == 4) {
        if (!lockReadOnly && buf.format == D3DFMT_X8R8G8B8)
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x) buf.pixels[size_t(y) * buf.width + x] |= 0xFF000000u;
        return D3D_OK;
    }
    if (!lockReadOnly) {
        UINT w = UINT(r.right - r.left);
        const auto* src = reinterpret_cast<const uint16_t*>(lockCopy.data());
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                buf.pixels[size_t(y) * buf.width + x] = FromNative(buf.format, src[size_t(y - r.top) * w + (x - r.left)]);
    }
    lockCopy.clear();
    lockCopy.shrink_to_fit();
    return D3D_OK;
}

// ---- Textures.

TextureImpl::TextureImpl(UINT w, UINT h, UINT n, DWORD u, D3DFORMAT f, D3DPOOL p, int dev)
    : format(f), pool(p), usage(u), deviceId(dev) {
    for (UINT i = 0; i < n; ++i) {
        levels.push_back(new SurfaceImpl(w, h, f, p, u, this, i));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
}

TextureImpl::~TextureImpl() {
    UntrackDefaultPool(this);
    for (SurfaceImpl* s : levels) delete s;
}

HRESULT TextureImpl::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceById(deviceId);
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT TextureImpl::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (FaultHits(d3d9test::Fault::GetLevelDesc)) return D3DERR_INVALIDCALL;
    if (level >= levels.size() || !desc) return D3DERR_INVALIDCALL;
    return levels[level]->GetDesc(desc);
}

HRESULT TextureImpl::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    AddRef();
    *surface = levels[level];
    return D3D_OK;
}

HRESULT TextureImpl::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    Record("LockRect", {P(this), level, flags});
    if (FaultHits(d3d9test::Fault::LockRect)) return D3DERR_INVALIDCALL;
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->LockRect(locked, rect, flags);
}

HRESULT TextureImpl::UnlockRect(UINT level) {
    Record("UnlockRect", {P(this), level});
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->UnlockRect();
}

HRESULT CreateTextureObject(int deviceId, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DTexture9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    bool rt = (usage & D3DUSAGE_RENDERTARGET) != 0;
    HRESULT hr = D3D_OK;
    if (rt && FaultHits(d3d9test::Fault::RenderTargetTexture)) hr = D3DERR_OUTOFVIDEOMEMORY;
    else if (!rt && FaultHits(d3d9test::Fault::ManagedTexture)) hr = E_OUTOFMEMORY;
    else if (width == 0 || height == 0 || width > Ctl().maxTextureSize || height > Ctl().maxTextureSize)
        hr = D3DERR_INVALIDCALL;
    else if (!IsColorFormat(format) || (rt && pool != D3DPOOL_DEFAULT))
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr)) {
        UINT full = 1;
        for (UINT m = std::max(width, height); m > 1; m /= 2) ++full;
        if (levels == 0 || levels > full) levels = full;
        if (rt) levels = 1;
        *out = new TextureImpl(width, height, levels, usage, format, pool, deviceId);
    }
    Record("CreateTexture", {width, height, levels, usage, format, pool, hr});
    return hr;
}

// ---- Buffers.

VertexBufferImpl::VertexBufferImpl(UINT length, DWORD u, DWORD f, D3DPOOL p, int dev)
    : data(length), usage(u), fvf(f), pool(p), deviceId(dev) {}
VertexBufferImpl::~VertexBufferImpl() { UntrackDefaultPool(this); }

HRESULT VertexBufferImpl::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceById(deviceId);
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT VertexBufferImpl::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    Record("Lock", {P(this), offset, size, flags});
    if (!out) return D3DERR_INVALIDCALL;
    if (offset >= data.size()) offset = 0;  // the caller never checks: always hand out valid memory
    locked = true;
    *out = data.data() + offset;
    return D3D_OK;
}

HRESULT VertexBufferImpl::Unlock() {
    Record("Unlock", {P(this)});
    locked = false;
    return D3D_OK;
}

IndexBufferImpl::IndexBufferImpl(UINT length, DWORD u, D3DFORMAT f, D3DPOOL p, int dev)
    : data(length), usage(u), format(f), pool(p), deviceId(dev) {}
IndexBufferImpl::~IndexBufferImpl() { UntrackDefaultPool(this); }

HRESULT IndexBufferImpl::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceById(deviceId);
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT IndexBufferImpl::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    Record("Lock", {P(this), offset, size, flags});
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (FaultHits(d3d9test::Fault::IndexBufferLock)) return D3DERR_INVALIDCALL;
    if (offset > data.size() || (size && offset + size > data.size())) return D3DERR_INVALIDCALL;
    locked = true;
    *out = data.data() + offset;
    return D3D_OK;
}

HRESULT IndexBufferImpl::Unlock() {
    Record("Unlock", {P(this)});
    locked = false;
    return D3D_OK;
}

}  // namespace d3d9impl
