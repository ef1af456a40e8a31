// A software device set up the way the engine sets it up, with helpers that draw through
// the shared vertex and index buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/d3dx9/d3dx9.h"

struct FwVertex {
    float x, y, z;
    DWORD col;
    float u, v;
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        d3d9test::ResetControls();
        d3d9test::EnableJournal(true);
        baseline_ = d3d9test::LiveObjectCount();
    }

    void TearDown() override {
        Release();
        EXPECT_EQ(d3d9test::LiveObjectCount(), baseline_) << "objects leaked";
        d3d9test::ResetControls();
    }

    // Creates a windowed device of w x h and sets the engine's fixed state.
    void Make(UINT w = 64, UINT h = 48, D3DFORMAT fmt = D3DFMT_X8R8G8B8, bool zbuffer = false) {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        pp = D3DPRESENT_PARAMETERS{};
        pp.BackBufferWidth = w;
        pp.BackBufferHeight = h;
        pp.BackBufferFormat = fmt;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = zbuffer;
        pp.AutoDepthStencilFormat = zbuffer ? D3DFMT_D24S8 : D3DFMT_UNKNOWN;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
        MakeBuffers();
        EngineState();
        Projection(w, h);
    }

    void MakeBuffers() {
        ASSERT_EQ(dev->CreateVertexBuffer(96000, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
        ASSERT_EQ(dev->CreateIndexBuffer(12000, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
        auto* idx = static_cast<uint16_t*>(p);
        for (int n = 0; n < 4000; n += 4) {
            *idx++ = uint16_t(n), *idx++ = uint16_t(n + 1), *idx++ = uint16_t(n + 2);
            *idx++ = uint16_t(n + 2), *idx++ = uint16_t(n + 3), *idx++ = uint16_t(n);
        }
        ib->Unlock();
        dev->SetFVF(0x142);
        dev->SetStreamSource(0, vb, 0, 24);
        dev->SetIndices(ib);
    }

    void EngineState() {
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        dev->SetRenderState(D3DRS_ALPHAREF, 1);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }

    // The engine's screen projection: pixel coordinates, origin top-left, half-pixel shift.
    void Projection(UINT w, UINT h) {
        D3DXMATRIX s, t, o, m;
        D3DXMatrixScaling(&s, 1.0f, -1.0f, 1.0f);
        D3DXMatrixTranslation(&t, -0.5f, float(double(h) + 0.5), 0.0f);
        D3DXMatrixMultiply(&m, &s, &t);
        D3DXMatrixOrthoOffCenterLH(&o, 0.0f, float(w), 0.0f, float(h), 0.0f, 1.0f);
        D3DXMatrixMultiply(&m, &m, &o);
        D3DXMATRIX id;
        D3DXMatrixIdentity(&id);
        dev->SetTransform(D3DTS_VIEW, &id);
        dev->SetTransform(D3DTS_PROJECTION, &m);
    }

    // Draws quads (4 vertices each, corners TL, TR, BR, BL) through the index buffer.
    void DrawQuads(const FwVertex* v, UINT quads) {
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, v, sizeof(FwVertex) * 4 * quads);
        vb->Unlock();
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4 * quads, 0, 2 * quads);
    }

    void Rect(float x1, float y1, float x2, float y2, DWORD col, float z = 0.0f, float u0 = 0, float v0 = 0,
              float u1 = 1, float v1 = 1) {
        FwVertex q[4] = {{x1, y1, z, col, u0, v0}, {x2, y1, z, col, u1, v0}, {x2, y2, z, col, u1, v1},
                         {x1, y2, z, col, u0, v1}};
        DrawQuads(q, 1);
    }

    void Triangles(const FwVertex* v, UINT n) {
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, v, sizeof(FwVertex) * 3 * n);
        vb->Unlock();
        dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, n);
    }

    void Line(float x1, float y1, float x2, float y2, DWORD col) {
        FwVertex l[2] = {{x1, y1, 0, col, 0, 0}, {x2, y2, 0, col, 0, 0}};
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, l, sizeof l);
        vb->Unlock();
        dev->DrawPrimitive(D3DPT_LINELIST, 0, 1);
    }

    // A managed A8R8G8B8 texture filled by f(x, y).
    template <class F>
    IDirect3DTexture9* Texture(UINT w, UINT h, F f, D3DFORMAT fmt = D3DFMT_A8R8G8B8) {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(D3DXCreateTexture(dev, w, h, 1, 0, fmt, D3DPOOL_MANAGED, &t), D3D_OK);
        if (!t) return nullptr;
        D3DLOCKED_RECT lr;
        EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
        auto* px = static_cast<uint32_t*>(lr.pBits);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) px[y * w + x] = f(x, y);
        t->UnlockRect(0);
        return t;
    }

    d3d9test::Image Back() { return d3d9test::ReadBackBuffer(dev); }

    void Release() {
        if (dev) {
            dev->SetTexture(0, nullptr);
            dev->SetStreamSource(0, nullptr, 0, 24);
            dev->SetIndices(nullptr);
        }
        if (ib) ib->Release(), ib = nullptr;
        if (vb) vb->Release(), vb = nullptr;
        if (dev) dev->Release(), dev = nullptr;
        if (d3d) d3d->Release(), d3d = nullptr;
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    int baseline_ = 0;
};
