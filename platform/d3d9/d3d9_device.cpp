// The Direct3D object and the device: presentation, loss and reset, state, draw calls.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/backend/backend.h"
#include "platform/d3d9/d3d9_impl.h"
#include "platform/win32/win32.h"

namespace d3d9impl {

namespace {

std::unordered_set<Bindable*> g_defaultPool;  // application-held default-pool resources
int g_nextDeviceId = 1;

D3DFORMAT FormatOfSdl(Uint32 f) {
    if (f == SDL_PIXELFORMAT_RGB555 || f == SDL_PIXELFORMAT_XRGB1555) return D3DFMT_X1R5G5B5;
    if (SDL_BITSPERPIXEL(f) == 16) return D3DFMT_R5G6B5;
    if (SDL_BITSPERPIXEL(f) >= 24) return D3DFMT_X8R8G8B8;
    return D3DFMT_UNKNOWN;
}

bool SdlVideo() {
    return platform::CurrentBackend() == platform::Backend::Sdl && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

void Identity(D3DMATRIX* m) {
    std::memset(m, 0, sizeof *m);
    m->_11 = m->_22 = m->_33 = m->_44 = 1.0f;
}

void Multiply(D3DMATRIX* out, const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    *out = r;
}

bool IsRenderTargetFormat(D3DFORMAT f) {
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 ||
           f == D3DFMT_A1R5G5B5;
}

constexpr UINT kMaxSurface = 8192;

}  // namespace

D3DDISPLAYMODE CurrentDesktopMode() {
    if (!Ctl().desktopSet && SdlVideo()) {
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) == 0)
            return D3DDISPLAYMODE{UINT(m.w), UINT(m.h), UINT(m.refresh_rate), FormatOfSdl(m.format)};
    }
    D3DDISPLAYMODE d = Ctl().desktop;
    if (!Ctl().desktopSet) {  // the size of the window system's screen
        int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        if (w > 0 && h > 0) d.Width = UINT(w), d.Height = UINT(h);
    }
    return d;
}

std::vector<D3DDISPLAYMODE> CurrentModes() {
    if (!Ctl().modesSet && SdlVideo()) {
        std::vector<D3DDISPLAYMODE> modes;
        int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) == 0)
                modes.push_back(D3DDISPLAYMODE{UINT(m.w), UINT(m.h), UINT(m.refresh_rate), FormatOfSdl(m.format)});
        }
        if (!modes.empty()) return modes;
    }
    return Ctl().modes;
}

// ---- The device.

class DeviceImpl;
std::vector<DeviceImpl*> g_devices;

class Direct3DImpl final : public Object<IDirect3D9> {
public:
    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) override {
        if (adapter != 0 || !id) return D3DERR_INVALIDCALL;
        std::memset(id, 0, sizeof *id);
        std::strcpy(id->Driver, "fwsoft9.drv");
        std::strcpy(id->Description, "Farewander software rasterizer");
        std::strcpy(id->DeviceName, "\\\\.\\DISPLAY1");
        id->DriverVersion.HighPart = LONG((9 << 16) | 0);
        id->DriverVersion.LowPart = DWORD((1 << 16) | 0);
        id->VendorId = 0;
        id->DeviceId = 0;
        return D3D_OK;
    }

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        if (adapter != 0) return 0;
        UINT n = 0;
        for (const D3DDISPLAYMODE& m : CurrentModes())
            if (m.Format == format) ++n;
        return n;
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* out) override {
        if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
        for (const D3DDISPLAYMODE& m : CurrentModes())
            if (m.Format == format && index-- == 0) {
                *out = m;
                return D3D_OK;
            }
        std::memset(out, 0, sizeof *out);
        return D3DERR_INVALIDCALL;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        std::memset(out, 0, sizeof *out);
        if (adapter != 0 || FaultHits(d3d9test::Fault::DesktopMode)) return D3DERR_NOTAVAILABLE;
        *out = CurrentDesktopMode();
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                         IDirect3DDevice9** out) override;
};

class DeviceImpl final : public Object<IDirect3DDevice9> {
public:
    enum class Coop { Ok, Lost, NotReset };

    DeviceImpl(Direct3DImpl* d3d, HWND focus) : d3d_(d3d), focus_(focus), id_(g_nextDeviceId++) {
        d3d_->Bind();
        g_devices.push_back(this);
    }

    ~DeviceImpl() override {
        UnbindAll();
        DropSurfaces();
        g_devices.erase(std::find(g_devices.begin(), g_devices.end(), this));
        d3d_->Unbind();
    }

    int Id() const { return id_; }

    // Checks the parameters and makes the back buffer and the automatic depth surface.
    HRESULT Setup(D3DPRESENT_PARAMETERS* pp) {
        if (!pp) return D3DERR_INVALIDCALL;
        D3DPRESENT_PARAMETERS p = *pp;
        if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = CurrentDesktopMode().Format;
        if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferWidth > kMaxSurface ||
            p.BackBufferHeight > kMaxSurface || !IsRenderTargetFormat(p.BackBufferFormat))
            return D3DERR_INVALIDCALL;
        if (p.EnableAutoDepthStencil && !IsDepthFormat(p.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
        if (!p.Windowed) {
            bool found = false;
            for (const D3DDISPLAYMODE& m : CurrentModes())
                if (m.Width == p.BackBufferWidth && m.Height == p.BackBufferHeight && m.Format == p.BackBufferFormat)
                    found = true;
            if (!found) return D3DERR_INVALIDCALL;
        }
        if (!p.hDeviceWindow) p.hDeviceWindow = focus_;
        DropSurfaces();
        pp_ = p;
        back_ = new SurfaceImpl(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat, D3DPOOL_DEFAULT,
                                D3DUSAGE_RENDERTARGET, nullptr, 0);
        back_->deviceId = id_;
        back_->Bind();  // held only through the device's binding
        back_->Release();
        if (p.EnableAutoDepthStencil) {
            autoDepth_ = new SurfaceImpl(p.BackBufferWidth, p.BackBufferHeight, p.AutoDepthStencilFormat,
                                         D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, nullptr, 0);
            autoDepth_->deviceId = id_;
            autoDepth_->Bind();
            autoDepth_->Release();
        }
        presented_ = false;
        Defaults();
        return D3D_OK;
    }

    // ---- IDirect3DDevice9.

    HRESULT TestCooperativeLevel() override {
        HRESULT hr = D3D_OK;
        if (coop_ == Coop::Lost) {
            if (lostCalls_ == 0) {
                coop_ = Coop::NotReset;
            } else {
                if (lostCalls_ > 0) --lostCalls_;
                hr = D3DERR_DEVICELOST;
            }
        }
        if (coop_ == Coop::NotReset) hr = D3DERR_DEVICENOTRESET;
        Record("TestCooperativeLevel", {hr});
        return hr;
    }

    HRESULT GetDirect3D(IDirect3D9** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        d3d_->AddRef();
        *out = d3d_;
        return D3D_OK;
    }

    HRESULT Reset(D3DPRESENT_PARAMETERS* pp) override {
        HRESULT hr = D3D_OK;
        if (coop_ == Coop::Lost) {
            hr = D3DERR_DEVICELOST;
        } else if (FaultHits(d3d9test::Fault::Reset) || !pp) {
            hr = D3DERR_INVALIDCALL;
        } else if (AppHoldsDefaultPool()) {
            hr = D3DERR_INVALIDCALL;
        } else {
            UnbindAll();
            hr = Setup(pp);
        }
        if (hr == D3DERR_INVALIDCALL) coop_ = Coop::NotReset;
        if (hr == D3D_OK) coop_ = Coop::Ok;
        Record("Reset", {hr});
        return hr;
    }

    HRESULT Present(const RECT*, const RECT*, HWND destWindow, const RGNDATA*) override {
        Record("Present", {});
        if (coop_ != Coop::Ok) return D3DERR_DEVICELOST;
        if (FaultHits(d3d9test::Fault::Present)) {
            Lose(1);
            return D3DERR_DEVICELOST;
        }
        if (!back_) return D3DERR_INVALIDCALL;
        // The window takes the back buffer as it stands; nothing is copied on the way.
        const PixelBuffer& b = back_->buf;
        presented_ = true;
        HWND w = destWindow ? destWindow : (pp_.hDeviceWindow ? pp_.hDeviceWindow : focus_);
        if (w) platform::PresentToWindow(w, b.pixels.data(), int(b.width), int(b.height), int(b.width * 4));
        if (pp_.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE) WaitForVerticalBlank();
        return D3D_OK;
    }

    HRESULT GetBackBuffer(UINT chain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = nullptr;
        if (chain != 0 || index != 0 || !back_ || FaultHits(d3d9test::Fault::GetBackBuffer))
            return D3DERR_INVALIDCALL;
        back_->AddRef();
        *out = back_;
        return D3D_OK;
    }

    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool,
                          IDirect3DTexture9** out, HANDLE*) override {
        HRESULT hr = CreateTextureObject(id_, w, h, levels, usage, f, pool, out);
        if (SUCCEEDED(hr) && pool == D3DPOOL_DEFAULT) Track(static_cast<TextureImpl*>(*out));
        return hr;
    }

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                               HANDLE*) override {
        HRESULT hr = D3D_OK;
        if (!out) hr = D3DERR_INVALIDCALL;
        else if (FaultHits(d3d9test::Fault::VertexBuffer)) hr = D3DERR_OUTOFVIDEOMEMORY;
        else if (length == 0 || length > (64u << 20)) hr = D3DERR_INVALIDCALL;
        if (out) *out = nullptr;
        if (SUCCEEDED(hr)) {
            auto* vb = new VertexBufferImpl(length, usage, fvf, pool, id_);
            if (pool == D3DPOOL_DEFAULT) Track(vb);
            *out = vb;
        }
        Record("CreateVertexBuffer", {length, usage, fvf, pool, hr});
        return hr;
    }

    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** out,
                              HANDLE*) override {
        HRESULT hr = D3D_OK;
        if (!out) hr = D3DERR_INVALIDCALL;
        else if (FaultHits(d3d9test::Fault::IndexBuffer)) hr = D3DERR_OUTOFVIDEOMEMORY;
        else if (length == 0 || length > (64u << 20) || format != D3DFMT_INDEX16) hr = D3DERR_INVALIDCALL;
        if (out) *out = nullptr;
        if (SUCCEEDED(hr)) {
            auto* ib = new IndexBufferImpl(length, usage, format, pool, id_);
            if (pool == D3DPOOL_DEFAULT) Track(ib);
            *out = ib;
        }
        Record("CreateIndexBuffer", {length, usage, format, pool, hr});
        return hr;
    }

    HRESULT CreateDepthStencilSurface(UINT w, UINT h, D3DFORMAT f, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                      IDirect3DSurface9** out, HANDLE*) override {
        HRESULT hr = D3D_OK;
        if (!out) hr = D3DERR_INVALIDCALL;
        else if (FaultHits(d3d9test::Fault::DepthSurface)) hr = D3DERR_OUTOFVIDEOMEMORY;
        else if (w == 0 || h == 0 || w > kMaxSurface || h > kMaxSurface || !IsDepthFormat(f)) hr = D3DERR_INVALIDCALL;
        if (out) *out = nullptr;
        if (SUCCEEDED(hr)) {
            auto* s = new SurfaceImpl(w, h, f, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, nullptr, 0);
            s->deviceId = id_;
            Track(s);
            *out = s;
        }
        Record("CreateDepthStencilSurface", {w, h, f, hr});
        return hr;
    }

    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override {
        Record("SetRenderTarget", {index, P(surface)});
        auto* s = static_cast<SurfaceImpl*>(surface);
        if (index != 0 || !s || !(s->usage & D3DUSAGE_RENDERTARGET) || !IsColorFormat(s->buf.format))
            return D3DERR_INVALIDCALL;
        if (FaultHits(d3d9test::Fault::SetRenderTarget)) return D3DERR_INVALIDCALL;
        Rebind(rt_, s);
        viewport_ = D3DVIEWPORT9{0, 0, s->buf.width, s->buf.height, 0.0f, 1.0f};
        return D3D_OK;
    }

    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = nullptr;
        if (index != 0 || !rt_) return index == 0 ? D3DERR_NOTFOUND : D3DERR_INVALIDCALL;
        rt_->AddRef();
        *out = rt_;
        return D3D_OK;
    }

    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override {
        Record("SetDepthStencilSurface", {P(surface)});
        auto* s = static_cast<SurfaceImpl*>(surface);
        if (s && !IsDepthFormat(s->buf.format)) return D3DERR_INVALIDCALL;
        Rebind(ds_, s);
        return D3D_OK;
    }

    HRESULT GetDepthStencilSurface(IDirect3DSurface9** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = nullptr;
        if (!ds_) return D3DERR_NOTFOUND;
        ds_->AddRef();
        *out = ds_;
        return D3D_OK;
    }

    HRESULT BeginScene() override {
        Record("BeginScene", {});
        if (inScene_) return D3DERR_INVALIDCALL;
        inScene_ = true;
        return D3D_OK;
    }

    HRESULT EndScene() override {
        Record("EndScene", {});
        if (!inScene_) return D3DERR_INVALIDCALL;
        inScene_ = false;
        return D3D_OK;
    }

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) override {
        Record("Clear", {count, flags, color}, {z});
        if (coop_ != Coop::Ok) return D3D_OK;
        if ((flags & D3DCLEAR_ZBUFFER) && !ds_) return D3DERR_INVALIDCALL;
        LONG vx1 = LONG(viewport_.X), vy1 = LONG(viewport_.Y);
        LONG vx2 = LONG(viewport_.X + viewport_.Width), vy2 = LONG(viewport_.Y + viewport_.Height);
        auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
            x1 = std::max(x1, vx1), y1 = std::max(y1, vy1), x2 = std::min(x2, vx2), y2 = std::min(y2, vy2);
            if (x1 >= x2 || y1 >= y2) return;
            if ((flags & D3DCLEAR_TARGET) && rt_) {
                Written(rt_);
                FillRect(rt_->buf, x1, y1, x2, y2, Quantize(rt_->buf.format, color));
            }
            if ((flags & D3DCLEAR_ZBUFFER) && ds_) {
                float zc = std::clamp(z, 0.0f, 1.0f);
                FillRect(ds_->buf, x1, y1, x2, y2, uint32_t(double(zc) * 16777215.0 + 0.5));
            }
        };
        if (count == 0 || !rects)
            clearRect(vx1, vy1, vx2, vy2);
        else
            for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
        return D3D_OK;
    }

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) override {
        if (!m) return D3DERR_INVALIDCALL;
        Record("SetTransform", {state}, {m->_11, m->_12, m->_13, m->_14, m->_21, m->_22, m->_23, m->_24, m->_31,
                                         m->_32, m->_33, m->_34, m->_41, m->_42, m->_43, m->_44});
        D3DMATRIX* t = TransformSlot(state);
        if (!t) return D3DERR_INVALIDCALL;
        *t = *m;
        return D3D_OK;
    }

    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m) override {
        D3DMATRIX* t = TransformSlot(state);
        if (!t || !m) return D3DERR_INVALIDCALL;
        *m = *t;
        return D3D_OK;
    }

    HRESULT SetViewport(const D3DVIEWPORT9* vp) override {
        if (!vp) return D3DERR_INVALIDCALL;
        Record("SetViewport", {vp->X, vp->Y, vp->Width, vp->Height}, {vp->MinZ, vp->MaxZ});
        // Refused like Direct3D does: empty, or reaching outside the render target.
        UINT tw = rt_ ? rt_->buf.width : 0, th = rt_ ? rt_->buf.height : 0;
        if (int32_t(vp->Width) <= 0 || int32_t(vp->Height) <= 0 || uint64_t(vp->X) + vp->Width > tw ||
            uint64_t(vp->Y) + vp->Height > th)
            return D3DERR_INVALIDCALL;
        viewport_ = *vp;
        return D3D_OK;
    }

    HRESULT GetViewport(D3DVIEWPORT9* vp) override {
        if (!vp) return D3DERR_INVALIDCALL;
        *vp = viewport_;
        return D3D_OK;
    }

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        Record("SetRenderState", {state, value});
        if (DWORD(state) >= kRenderStates) return D3DERR_INVALIDCALL;
        rs_[state] = value;
        return D3D_OK;
    }

    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
        if (DWORD(state) >= kRenderStates || !value) return D3DERR_INVALIDCALL;
        *value = rs_[state];
        return D3D_OK;
    }

    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
        Record("SetTexture", {stage, P(texture)});
        if (stage >= kStages) return D3DERR_INVALIDCALL;
        Rebind(tex_[stage], static_cast<TextureImpl*>(texture));
        return D3D_OK;
    }

    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** out) override {
        if (stage >= kStages || !out) return D3DERR_INVALIDCALL;
        *out = tex_[stage];
        if (*out) (*out)->AddRef();
        return D3D_OK;
    }

    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        Record("SetTextureStageState", {stage, type, value});
        if (stage >= kStages || DWORD(type) >= kStageStates) return D3DERR_INVALIDCALL;
        tss_[stage][type] = value;
        return D3D_OK;
    }

    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
        if (stage >= kStages || DWORD(type) >= kStageStates || !value) return D3DERR_INVALIDCALL;
        *value = tss_[stage][type];
        return D3D_OK;
    }

    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
        Record("SetSamplerState", {sampler, type, value});
        if (sampler >= kStages || DWORD(type) >= kSamplerStates) return D3DERR_INVALIDCALL;
        samp_[sampler][type] = value;
        return D3D_OK;
    }

    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override {
        if (sampler >= kStages || DWORD(type) >= kSamplerStates || !value) return D3DERR_INVALIDCALL;
        *value = samp_[sampler][type];
        return D3D_OK;
    }

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        Record("DrawPrimitive", {type, start, count});
        if (type != D3DPT_TRIANGLELIST && type != D3DPT_LINELIST) return D3DERR_INVALIDCALL;
        if (!vb_ || stride_ < sizeof(FvfVertex)) return D3DERR_INVALIDCALL;
        size_t nv = (vb_->data.size() - std::min<size_t>(vb_->data.size(), offset_)) / stride_;
        size_t per = type == D3DPT_LINELIST ? 2 : 3;
        if (size_t(start) + size_t(count) * per > nv) return D3DERR_INVALIDCALL;
        if (coop_ != Coop::Ok || count == 0) return D3D_OK;
        const FvfVertex* v = Vertices(start, count * per);
        RasterState st;
        if (!Prepare(&st)) return D3D_OK;
        Written(rt_);
        if (type == D3DPT_LINELIST) DrawLines(st, v, count * per, count);
        else DrawTriangles(st, v, count * per, nullptr, count, 0);
        return D3D_OK;
    }

    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int base, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT count) override {
        Record("DrawIndexedPrimitive", {type, base, minIndex, numVertices, startIndex, count});
        if (type != D3DPT_TRIANGLELIST) return D3DERR_INVALIDCALL;
        if (!vb_ || !ib_ || stride_ < sizeof(FvfVertex)) return D3DERR_INVALIDCALL;
        size_t ni = ib_->data.size() / 2;
        if (size_t(startIndex) + size_t(count) * 3 > ni) return D3DERR_INVALIDCALL;
        if (coop_ != Coop::Ok || count == 0) return D3D_OK;
        size_t nv = (vb_->data.size() - std::min<size_t>(vb_->data.size(), offset_)) / stride_;
        // Only the vertices the call names: [base + minIndex, base + minIndex + numVertices).
        int64_t end = int64_t(base) + minIndex + numVertices;
        if (base >= 0 && end >= 0 && size_t(end) < nv) nv = size_t(end);
        const FvfVertex* v = Vertices(0, UINT(nv));
        RasterState st;
        if (!Prepare(&st)) return D3D_OK;
        Written(rt_);
        const auto* idx = reinterpret_cast<const uint16_t*>(ib_->data.data()) + startIndex;
        DrawTriangles(st, v, nv, idx, count, base);
        return D3D_OK;
    }

    HRESULT SetFVF(DWORD fvf) override {
        Record("SetFVF", {fvf});
        fvf_ = fvf;
        return D3D_OK;
    }

    HRESULT GetFVF(DWORD* fvf) override {
        if (!fvf) return D3DERR_INVALIDCALL;
        *fvf = fvf_;
        return D3D_OK;
    }

    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override {
        Record("SetVertexShader", {P(shader)});
        return shader ? D3DERR_INVALIDCALL : D3D_OK;  // fixed function only
    }

    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override {
        Record("SetStreamSource", {stream, P(buffer), offset, stride});
        if (stream != 0) return D3DERR_INVALIDCALL;
        Rebind(vb_, static_cast<VertexBufferImpl*>(buffer));
        offset_ = offset;
        stride_ = stride;
        return D3D_OK;
    }

    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override {
        Record("SetIndices", {P(buffer)});
        Rebind(ib_, static_cast<IndexBufferImpl*>(buffer));
        return D3D_OK;
    }

    // ---- Layer side.

    // Sleeps to the next tick of the refresh rate on the window system's clock.
    void WaitForVerticalBlank() const {
        int on = Ctl().vsync;
        if (on == 0 || (on < 0 && platform::CurrentBackend() != platform::Backend::Sdl)) return;
        UINT hz = pp_.Windowed ? 0 : pp_.FullScreen_RefreshRateInHz;
        if (hz == 0) hz = CurrentDesktopMode().RefreshRate;
        if (hz == 0 || hz > 1000) hz = 60;
        uint64_t now = timeGetTime();
        uint64_t tick = now * hz / 1000 + 1;        // the next blank after now
        uint64_t at = (tick * 1000 + hz - 1) / hz;  // its time, rounded up to whole ms
        if (at > now) Sleep(DWORD(at - now));
    }

    void Lose(int lostCalls) {
        coop_ = Coop::Lost;
        lostCalls_ = lostCalls;
    }

    void Activated(HWND window, bool active) {
        if (pp_.Windowed || (window != focus_ && window != pp_.hDeviceWindow)) return;
        if (!active) Lose(-1);
        else if (coop_ == Coop::Lost) coop_ = Coop::NotReset;
    }

    void View(DeviceView* v) const {
        v->pp = pp_;
        v->backBuffer = back_;
        v->presented = presented_;
    }

    // A surface is about to change: once the back buffer does, it no longer holds what was
    // presented last.
    void Written(const SurfaceImpl* s) {
        if (s == back_) presented_ = false;
    }

    static void Untrack(Bindable* b) { g_defaultPool.erase(b); }

private:
    static constexpr DWORD kRenderStates = 256;
    static constexpr DWORD kStages = 8;
    static constexpr DWORD kStageStates = 33;
    static constexpr DWORD kSamplerStates = 14;

    template <class T>
    void Rebind(T*& slot, T* obj) {
        if (slot == obj) return;
        if (obj) obj->Bind();
        T* old = slot;
        slot = obj;
        if (old) old->Unbind();
    }

    void Track(Bindable* b) { g_defaultPool.insert(b); }

    bool AppHoldsDefaultPool() const {
        if (back_ && back_->ExternalRefs() > 0) return true;
        if (autoDepth_ && autoDepth_->ExternalRefs() > 0) return true;
        for (Bindable* b : g_defaultPool)
            if (b->ExternalRefs() > 0 && OwnerOf(b) == id_) return true;
        return false;
    }

    static int OwnerOf(Bindable* b) {
        if (auto* t = dynamic_cast<TextureImpl*>(b)) return t->deviceId;
        if (auto* s = dynamic_cast<SurfaceImpl*>(b)) return s->deviceId;
        if (auto* v = dynamic_cast<VertexBufferImpl*>(b)) return v->deviceId;
        if (auto* i = dynamic_cast<IndexBufferImpl*>(b)) return i->deviceId;
        return 0;
    }

    void UnbindAll() {
        Rebind(rt_, static_cast<SurfaceImpl*>(nullptr));
        Rebind(ds_, static_cast<SurfaceImpl*>(nullptr));
        for (auto& t : tex_) Rebind(t, static_cast<TextureImpl*>(nullptr));
        Rebind(vb_, static_cast<VertexBufferImpl*>(nullptr));
        Rebind(ib_, static_cast<IndexBufferImpl*>(nullptr));
    }

    void DropSurfaces() {
        if (back_) back_->Unbind();
        if (autoDepth_) autoDepth_->Unbind();
        back_ = autoDepth_ = nullptr;
    }

    // Every state back to what CreateDevice gives; render target 0 is the back buffer.
    void Defaults() {
        std::fill(std::begin(rs_), std::end(rs_), 0u);
        rs_[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
        rs_[D3DRS_FILLMODE] = D3DFILL_SOLID;
        rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
        rs_[D3DRS_ZWRITEENABLE] = TRUE;
        rs_[D3DRS_ALPHATESTENABLE] = FALSE;
        rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
        rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
        rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
        rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
        rs_[D3DRS_ALPHAREF] = 0;
        rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
        rs_[D3DRS_ALPHABLENDENABLE] = FALSE;
        rs_[D3DRS_CLIPPING] = TRUE;
        rs_[D3DRS_LIGHTING] = TRUE;
        rs_[D3DRS_COLORWRITEENABLE] = 0xF;
        for (DWORD s = 0; s < kStages; ++s) {
            std::fill(std::begin(tss_[s]), std::end(tss_[s]), 0u);
            tss_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
            tss_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
            tss_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
            tss_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
            tss_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
            tss_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
            std::fill(std::begin(samp_[s]), std::end(samp_[s]), 0u);
            samp_[s][D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
            samp_[s][D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
            samp_[s][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
            samp_[s][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
            samp_[s][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        }
        Identity(&world_);
        Identity(&view_);
        Identity(&proj_);
        fvf_ = 0;
        offset_ = stride_ = 0;
        inScene_ = false;
        Rebind(rt_, back_);
        Rebind(ds_, autoDepth_);
        viewport_ = D3DVIEWPORT9{0, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, 0.0f, 1.0f};
    }

    D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE state) {
        switch (state) {
        case D3DTS_WORLD: return &world_;
        case D3DTS_VIEW: return &view_;
        case D3DTS_PROJECTION: return &proj_;
        default: return nullptr;
        }
    }

    // Vertices [start, start + count) of the bound stream: the buffer itself where it holds
    // them as the rasterizer reads them, a copy otherwise.
    const FvfVertex* Vertices(UINT start, UINT count) {
        const uint8_t* src = vb_->data.data() + offset_ + size_t(start) * stride_;
        if (stride_ == sizeof(FvfVertex) && reinterpret_cast<uintptr_t>(src) % alignof(FvfVertex) == 0)
            return reinterpret_cast<const FvfVertex*>(src);
        // Room for the whole bound buffer (up to 65536 vertices) at once, so that a larger
        // draw later allocates nothing.
        size_t whole = std::min<size_t>(vb_->data.size() / stride_, 65536);
        if (scratch_.capacity() < whole) scratch_.reserve(whole);
        scratch_.resize(count);
        for (UINT i = 0; i < count; ++i) std::memcpy(&scratch_[i], src + size_t(i) * stride_, sizeof(FvfVertex));
        return scratch_.data();
    }

    bool Prepare(RasterState* st) {
        if (!rt_) return false;
        st->target = &rt_->buf;
        st->depth = ds_ ? &ds_->buf : nullptr;
        st->viewport = viewport_;
        D3DMATRIX wv;
        Multiply(&wv, world_, view_);
        Multiply(&st->transform, wv, proj_);
        st->zEnable = rs_[D3DRS_ZENABLE] != 0 && ds_ != nullptr;
        st->zWrite = rs_[D3DRS_ZWRITEENABLE] != 0;
        st->zFunc = rs_[D3DRS_ZFUNC];
        st->alphaBlend = rs_[D3DRS_ALPHABLENDENABLE] != 0;
        st->srcBlend = rs_[D3DRS_SRCBLEND];
        st->destBlend = rs_[D3DRS_DESTBLEND];
        st->alphaTest = rs_[D3DRS_ALPHATESTENABLE] != 0;
        st->alphaFunc = rs_[D3DRS_ALPHAFUNC];
        st->alphaRef = rs_[D3DRS_ALPHAREF] & 0xFF;
        st->cullMode = rs_[D3DRS_CULLMODE];
        st->colorWrite = rs_[D3DRS_COLORWRITEENABLE];
        st->colorOp = tss_[0][D3DTSS_COLOROP];
        st->colorArg1 = tss_[0][D3DTSS_COLORARG1];
        st->colorArg2 = tss_[0][D3DTSS_COLORARG2];
        st->alphaOp = tss_[0][D3DTSS_ALPHAOP];
        st->alphaArg1 = tss_[0][D3DTSS_ALPHAARG1];
        st->alphaArg2 = tss_[0][D3DTSS_ALPHAARG2];
        st->texture = tex_[0];
        st->magFilter = samp_[0][D3DSAMP_MAGFILTER];
        st->minFilter = samp_[0][D3DSAMP_MINFILTER];
        st->mipFilter = samp_[0][D3DSAMP_MIPFILTER];
        st->addressU = samp_[0][D3DSAMP_ADDRESSU];
        st->addressV = samp_[0][D3DSAMP_ADDRESSV];
        return true;
    }

    Direct3DImpl* d3d_;
    HWND focus_;
    int id_;
    D3DPRESENT_PARAMETERS pp_{};
    Coop coop_ = Coop::Ok;
    int lostCalls_ = 0;
    SurfaceImpl* back_ = nullptr;
    SurfaceImpl* autoDepth_ = nullptr;
    SurfaceImpl* rt_ = nullptr;
    SurfaceImpl* ds_ = nullptr;
    TextureImpl* tex_[kStages] = {};
    VertexBufferImpl* vb_ = nullptr;
    IndexBufferImpl* ib_ = nullptr;
    UINT offset_ = 0, stride_ = 0;
    DWORD fvf_ = 0;
    DWORD rs_[kRenderStates] = {};
    DWORD tss_[kStages][kStageStates] = {};
    DWORD samp_[kStages][kSamplerStates] = {};
    D3DMATRIX world_{}, view_{}, proj_{};
    D3DVIEWPORT9 viewport_{};
    bool inScene_ = false;
    std::vector<FvfVertex> scratch_;
    bool presented_ = false;  // the back buffer holds the picture of the last successful Present
};

HRESULT Direct3DImpl::CreateDevice(UINT adapter, D3DDEVTYPE, HWND focus, DWORD, D3DPRESENT_PARAMETERS* pp,
                                   IDirect3DDevice9** out) {
    HRESULT hr = D3D_OK;
    if (out) *out = nullptr;
    if (!out || !pp || adapter != 0) hr = D3DERR_INVALIDCALL;
    else if (FaultHits(d3d9test::Fault::CreateDevice)) hr = D3DERR_NOTAVAILABLE;
    if (SUCCEEDED(hr)) {
        platform::SetActivationObserver(&ActivateWindow);
        auto* dev = new DeviceImpl(this, focus);
        hr = dev->Setup(pp);
        if (FAILED(hr)) dev->Release();
        else *out = dev;
    }
    Record("CreateDevice", {hr});
    return hr;
}

IDirect3DDevice9* DeviceById(int id) {
    for (DeviceImpl* d : g_devices)
        if (d->Id() == id) return d;
    return nullptr;
}

bool ViewDevice(IDirect3DDevice9* device, DeviceView* view) {
    for (DeviceImpl* d : g_devices)
        if (d == device) {
            d->View(view);
            return true;
        }
    return false;
}

void SurfaceWritten(const SurfaceImpl* surface) {
    for (DeviceImpl* d : g_devices) d->Written(surface);
}

void LoseAllDevices(int lostCalls) {
    for (DeviceImpl* d : g_devices) d->Lose(lostCalls);
}

void ActivateWindow(HWND window, bool active) {
    for (DeviceImpl* d : g_devices) d->Activated(window, active);
}

void UntrackDefaultPool(Bindable* b) { DeviceImpl::Untrack(b); }

}  // namespace d3d9impl

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (d3d9impl::FaultHits(d3d9test::Fault::Create) || sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new d3d9impl::Direct3DImpl();
}
