// Internals of the software Direct3D 9 device: objects, storage, controls and the rasterizer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9_test.h"

namespace d3d9impl {

// ---- Live objects and reference counting.
extern int g_liveObjects;

// Internal bindings of the device (render target, textures, buffers) count apart from the
// caller's references; an object dies when both are gone.
struct Bindable {
    virtual void Bind() = 0;
    virtual void Unbind() = 0;
    virtual DWORD ExternalRefs() const = 0;

protected:
    ~Bindable() = default;
};

template <class I>
class Object : public I, public Bindable {
public:
    Object() { ++g_liveObjects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() { --g_liveObjects; }

    DWORD AddRef() override { return ++ext_; }
    DWORD Release() override {
        if (ext_ == 0) return 0;  // an extra release is ignored rather than freeing twice
        DWORD left = --ext_;
        if (left == 0 && internal_ == 0) delete this;
        return left;
    }
    void Bind() override { ++internal_; }
    void Unbind() override {
        if (internal_ == 0) return;
        if (--internal_ == 0 && ext_ == 0) delete this;
    }
    DWORD ExternalRefs() const override { return ext_; }

protected:
    DWORD ext_ = 1;
    DWORD internal_ = 0;
};

// ---- Pixel storage: every colour format is held as 32-bit ARGB per pixel, already reduced to
// the precision of the format; formats without alpha hold alpha 0xFF.
bool IsColorFormat(D3DFORMAT f);
bool IsDepthFormat(D3DFORMAT f);
bool HasAlpha(D3DFORMAT f);
UINT BytesPerPixel(D3DFORMAT f);
// Reduces an ARGB value to what a pixel of the format holds (as ARGB again).
uint32_t Quantize(D3DFORMAT f, uint32_t argb);
uint32_t ToNative(D3DFORMAT f, uint32_t argb);     // packed bits of the format (16 or 32 bit)
uint32_t FromNative(D3DFORMAT f, uint32_t native);  // back to ARGB

struct PixelBuffer {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<uint32_t> pixels;  // colour: ARGB; depth: 24-bit depth value
    void Init(UINT w, UINT h, D3DFORMAT f, uint32_t fill);
};

class TextureImpl;

class SurfaceImpl final : public Object<IDirect3DSurface9> {
public:
    SurfaceImpl(UINT w, UINT h, D3DFORMAT f, D3DPOOL pool, DWORD usage, TextureImpl* container, UINT level);
    ~SurfaceImpl() override;

    DWORD AddRef() override;
    DWORD Release() override;
    void Bind() override;
    void Unbind() override;
    DWORD ExternalRefs() const override;

    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    PixelBuffer buf;
    D3DPOOL pool;
    DWORD usage;
    TextureImpl* container;  // null for a stand-alone surface
    UINT level;
    int deviceId = 0;
    // Lock state: 16-bit formats are handed out through a packed copy.
    bool locked = false;
    bool lockReadOnly = false;
    RECT lockRect{};
    std::vector<uint8_t> lockCopy;
};

class TextureImpl final : public Object<IDirect3DTexture9> {
public:
    TextureImpl(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool, int deviceId);
    ~TextureImpl() override;

    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return DWORD(levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    std::vector<SurfaceImpl*> levels;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD usage;
    int deviceId;
};

class VertexBufferImpl final : public Object<IDirect3DVertexBuffer9> {
public:
    VertexBufferImpl(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, int deviceId);
    ~VertexBufferImpl() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    std::vector<uint8_t> data;
    DWORD usage, fvf;
    D3DPOOL pool;
    int deviceId;
    bool locked = false;
};

class IndexBufferImpl final : public Object<IDirect3DIndexBuffer9> {
public:
    IndexBufferImpl(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, int deviceId);
    ~IndexBufferImpl() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    std::vector<uint8_t> data;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    int deviceId;
    bool locked = false;
};

// ---- Rasterizer state, as the device's draw calls hand it over.
struct RasterState {
    PixelBuffer* target = nullptr;
    PixelBuffer* depth = nullptr;  // null: no depth buffer bound
    D3DVIEWPORT9 viewport{};
    D3DMATRIX transform{};  // world * view * projection
    // Render states.
    bool zEnable = false;
    bool zWrite = true;
    DWORD zFunc = D3DCMP_LESSEQUAL;
    bool alphaBlend = false;
    DWORD srcBlend = D3DBLEND_ONE;
    DWORD destBlend = D3DBLEND_ZERO;
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    DWORD alphaRef = 0;
    DWORD cullMode = D3DCULL_CCW;
    DWORD colorWrite = 0xF;
    // Stage 0.
    DWORD colorOp = D3DTOP_MODULATE, colorArg1 = D3DTA_TEXTURE, colorArg2 = D3DTA_CURRENT;
    DWORD alphaOp = D3DTOP_SELECTARG1, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
    // Sampler 0 and its texture (null: stage 0 reads opaque white).
    TextureImpl* texture = nullptr;
    DWORD magFilter = D3DTEXF_POINT, minFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
};

// Vertex of FVF XYZ | DIFFUSE | TEX1.
struct FvfVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};

void DrawTriangles(const RasterState& st, const FvfVertex* verts, size_t vertexCount, const uint16_t* indices,
                   size_t triangleCount, int baseVertex);
void DrawLines(const RasterState& st, const FvfVertex* verts, size_t vertexCount, size_t lineCount);
// Fills the rectangle (clipped to the buffer) with a colour or depth value.
void FillRect(PixelBuffer& buf, LONG x1, LONG y1, LONG x2, LONG y2, uint32_t value);

// ---- Controls shared by the objects.
struct Controls {
    D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
    bool desktopSet = false;
    std::vector<D3DDISPLAYMODE> modes;
    bool modesSet = false;
    struct FaultRange {
        bool on = false;
        long long first = 0, last = 0;  // call numbers, inclusive; last < 0: open
        long long calls = 0;
    } faults[int(d3d9test::Fault::Count_)];
    bool pow2 = true;
    UINT maxTextureSize = 4096;
    bool journal = false;  // recorded only while a test has switched it on
    int vsync = -1;    // Present waits for the vertical blank; -1: with the SDL backend only
    d3d9test::RasterPath rasterPath = d3d9test::RasterPath::Fastest;
    std::string rasterSimd;  // "" = the best
};
Controls& Ctl();
// Counts a call of the faulting kind and tells whether this one fails.
bool FaultHits(d3d9test::Fault f);

void Record(const char* name, std::initializer_list<int64_t> args, std::initializer_list<float> floats = {});
inline int64_t P(const void* p) { return int64_t(reinterpret_cast<uintptr_t>(p)); }

// Desktop mode and mode list as the adapter reports them.
D3DDISPLAYMODE CurrentDesktopMode();
std::vector<D3DDISPLAYMODE> CurrentModes();

// Devices by id (0 = none); GetDevice of resources looks them up.
IDirect3DDevice9* DeviceById(int id);
// Default-pool resources leave the device's reset check when they die.
void UntrackDefaultPool(Bindable* b);
HRESULT CreateTextureObject(int deviceId, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DTexture9** out);

// Test-side access to the device.
struct DeviceView {
    D3DPRESENT_PARAMETERS pp{};
    SurfaceImpl* backBuffer = nullptr;
    bool presented = false;  // the back buffer still holds the last presented picture
};
bool ViewDevice(IDirect3DDevice9* device, DeviceView* view);
// Tells the devices that a surface's pixels are changed from outside their draw calls.
void SurfaceWritten(const SurfaceImpl* surface);
void LoseAllDevices(int lostCalls);
void ActivateWindow(HWND window, bool active);

}  // namespace d3d9impl
