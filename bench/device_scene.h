// A software device of a chosen size with the engine's fixed state (alpha blending, the alpha
// test, modulate, the half-pixel screen projection), its vertex and index buffers, and the
// scenes the fill-rate benchmarks share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"

namespace fwbench {

struct FvfVertex {
    float x, y, z;
    DWORD col;
    float u, v;
};

constexpr int kQuadsPerBatch = 1000;  // as the engine batches quads

struct DeviceScene {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    UINT width = 0, height = 0;

    DeviceScene(UINT w, UINT h, DWORD filter = D3DTEXF_POINT) : width(w), height(h) {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = w, pp.BackBufferHeight = h, pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1, pp.SwapEffect = D3DSWAPEFFECT_COPY, pp.Windowed = TRUE;
        if (!d3d) return;
        const DWORD flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, flags, &pp, &dev) != D3D_OK) return;
        dev->CreateVertexBuffer(96000, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb, nullptr);
        dev->CreateIndexBuffer(12000, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr);
        void* p;
        ib->Lock(0, 0, &p, 0);
        auto* idx = static_cast<uint16_t*>(p);
        for (int n = 0; n < 4 * kQuadsPerBatch; n += 4)
            *idx++ = uint16_t(n), *idx++ = uint16_t(n + 1), *idx++ = uint16_t(n + 2), *idx++ = uint16_t(n + 2),
            *idx++ = uint16_t(n + 3), *idx++ = uint16_t(n);
        ib->Unlock();
        dev->SetFVF(0x142);
        dev->SetStreamSource(0, vb, 0, 24);
        dev->SetIndices(ib);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        dev->SetRenderState(D3DRS_ALPHAREF, 1);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        D3DXMATRIX s, t, o, m;
        D3DXMatrixScaling(&s, 1, -1, 1);
        D3DXMatrixTranslation(&t, -0.5f, float(h) + 0.5f, 0);
        D3DXMatrixMultiply(&m, &s, &t);
        D3DXMatrixOrthoOffCenterLH(&o, 0, float(w), 0, float(h), 0, 1);
        D3DXMatrixMultiply(&m, &m, &o);
        dev->SetTransform(D3DTS_PROJECTION, &m);
    }

    DeviceScene(const DeviceScene&) = delete;
    DeviceScene& operator=(const DeviceScene&) = delete;

    ~DeviceScene() {
        if (dev) {
            dev->SetTexture(0, nullptr);
            dev->SetStreamSource(0, nullptr, 0, 24);
            dev->SetIndices(nullptr);
        }
        if (ib) ib->Release();
        if (vb) vb->Release();
        if (dev) dev->Release();
        if (d3d) d3d->Release();
    }

    bool Ok() const { return dev && vb && ib; }

    // A w x h texture filled by fill(x, y); a default-pool render target when asked (as the
    // game's target is), filled through its surface.
    template <class F>
    IDirect3DTexture9* Texture(UINT w, UINT h, F fill, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        IDirect3DTexture9* tex = nullptr;
        if (D3DXCreateTexture(dev, w, h, 1, 0, format, D3DPOOL_MANAGED, &tex) != D3D_OK) return nullptr;
        D3DLOCKED_RECT lr;
        tex->LockRect(0, &lr, nullptr, 0);
        auto* px = static_cast<uint32_t*>(lr.pBits);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) px[y * w + x] = fill(x, y);
        tex->UnlockRect(0);
        return tex;
    }

    // Quads of four vertices (corners clockwise from the top left) drawn as the engine draws
    // them: up to kQuadsPerBatch copied into the vertex buffer, then one indexed draw.
    void DrawQuads(const FvfVertex* v, size_t quads) {
        for (size_t done = 0; done < quads; done += kQuadsPerBatch) {
            size_t n = std::min<size_t>(kQuadsPerBatch, quads - done);
            void* p;
            vb->Lock(0, 0, &p, 0);
            std::memcpy(p, v + done * 4, n * 4 * sizeof(FvfVertex));
            vb->Unlock();
            dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(4 * n), 0, UINT(2 * n));
        }
    }
};

// Texels of the quads scenes: colour ramps, alpha in 4 x 4 blocks of half and full opacity.
inline uint32_t CheckerTexel(int x, int y) {
    uint32_t a = ((x / 4 + y / 4) % 2) ? 0xFF : 0x80;
    return (a << 24) | (uint32_t(x * 8 & 0xFF) << 16) | (uint32_t(y * 8 & 0xFF) << 8) | 0x40;
}

// Positions (whole pixels, inside w x h) and tints (alpha 0xC0) of n quads of size s, from a
// fixed sequence.
struct Placement {
    float x, y;
    DWORD color;
};
inline std::vector<Placement> Placements(int n, int w, int h, int s, uint32_t seed = 12345) {
    std::vector<Placement> list;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int i = 0; i < n; i++) {
        Placement p;
        p.x = float(next() % uint32_t(w - s));
        p.y = float(next() % uint32_t(h - s));
        p.color = 0xC0000000u | (next() & 0xFFFFFF);
        list.push_back(p);
    }
    return list;
}

}  // namespace fwbench
