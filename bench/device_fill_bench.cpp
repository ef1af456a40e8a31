// Fill rate of the software device: textured, alpha-blended 32 x 32 quads into 640 x 480,
// beside SDL2's software renderer doing the same blits.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

struct V {
    float x, y, z;
    DWORD col;
    float u, v;
};

constexpr int kW = 640, kH = 480, kQuads = 1000;

struct Scene {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DTexture9* tex = nullptr;
    std::vector<V> quads;

    Scene(bool fractional, DWORD colour, DWORD filter, bool corners = false) {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = kW, pp.BackBufferHeight = kH, pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1, pp.SwapEffect = D3DSWAPEFFECT_COPY, pp.Windowed = TRUE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev);
        dev->CreateVertexBuffer(96000, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb, nullptr);
        dev->CreateIndexBuffer(12000, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr);
        void* p;
        ib->Lock(0, 0, &p, 0);
        auto* idx = static_cast<uint16_t*>(p);
        for (int n = 0; n < 4000; n += 4)
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
        D3DXMatrixTranslation(&t, -0.5f, kH + 0.5f, 0);
        D3DXMatrixMultiply(&m, &s, &t);
        D3DXMatrixOrthoOffCenterLH(&o, 0, kW, 0, kH, 0, 1);
        D3DXMatrixMultiply(&m, &m, &o);
        dev->SetTransform(D3DTS_PROJECTION, &m);
        D3DXCreateTexture(dev, 32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex);
        D3DLOCKED_RECT lr;
        tex->LockRect(0, &lr, nullptr, 0);
        auto* px = static_cast<uint32_t*>(lr.pBits);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) px[y * 32 + x] = (uint32_t((x * 8) & 0xFF) << 24) | 0x00C08040u | uint32_t(y);
        tex->UnlockRect(0);
        dev->SetTexture(0, tex);
        std::mt19937 rng(7);
        for (int q = 0; q < kQuads; ++q) {
            float x = float(rng() % (kW - 32)), y = float(rng() % (kH - 32));
            if (fractional) x += 0.37f, y += 0.61f;
            DWORD c1 = corners ? 0xFF40FF80 : colour, c2 = corners ? 0x80FF4080 : colour;
            quads.push_back({x, y, 0, colour, 0, 0});
            quads.push_back({x + 32, y, 0, c1, 1, 0});
            quads.push_back({x + 32, y + 32, 0, c2, 1, 1});
            quads.push_back({x, y + 32, 0, c1, 0, 1});
        }
    }

    void Frame() {
        void* p;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, quads.data(), quads.size() * sizeof(V));
        vb->Unlock();
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4 * kQuads, 0, 2 * kQuads);
    }

    ~Scene() {
        dev->SetTexture(0, nullptr);
        dev->SetStreamSource(0, nullptr, 0, 24);
        dev->SetIndices(nullptr);
        tex->Release();
        ib->Release();
        vb->Release();
        dev->Release();
        d3d->Release();
    }
};

void Run(benchmark::State& state, bool fractional, DWORD colour, DWORD filter, bool corners = false) {
    Scene scene(fractional, colour, filter, corners);
    for (auto _ : state) scene.Frame();
    state.SetItemsProcessed(state.iterations() * kQuads);
}

void BM_DeviceQuadsWhite(benchmark::State& s) { Run(s, false, 0xFFFFFFFF, D3DTEXF_POINT); }
void BM_DeviceQuadsTinted(benchmark::State& s) { Run(s, false, 0xC0FF8080, D3DTEXF_POINT); }
void BM_DeviceQuadsSubpixel(benchmark::State& s) { Run(s, true, 0xFFFFFFFF, D3DTEXF_POINT); }
void BM_DeviceQuadsBilinear(benchmark::State& s) { Run(s, true, 0xFFFFFFFF, D3DTEXF_LINEAR); }
void BM_DeviceQuadsCornerColours(benchmark::State& s) { Run(s, false, 0xFFFFFFFF, D3DTEXF_POINT, true); }

// The same blits through SDL2's software renderer into a 640 x 480 surface.
void BM_SdlSoftwareQuads(benchmark::State& state) {
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(target);
    SDL_Surface* img = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
    auto* px = static_cast<uint32_t*>(img->pixels);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) px[y * 32 + x] = (uint32_t((x * 8) & 0xFF) << 24) | 0x00C08040u | uint32_t(y);
    SDL_Texture* tex = SDL_CreateTextureFromSurface(r, img);
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    std::mt19937 rng(7);
    std::vector<SDL_Rect> rects;
    for (int q = 0; q < kQuads; ++q) rects.push_back({int(rng() % (kW - 32)), int(rng() % (kH - 32)), 32, 32});
    for (auto _ : state) {
        for (const SDL_Rect& d : rects) SDL_RenderCopy(r, tex, nullptr, &d);
        SDL_RenderFlush(r);
    }
    state.SetItemsProcessed(state.iterations() * kQuads);
    SDL_DestroyTexture(tex);
    SDL_FreeSurface(img);
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(target);
}

BENCHMARK(BM_DeviceQuadsWhite);
BENCHMARK(BM_DeviceQuadsTinted);
BENCHMARK(BM_DeviceQuadsSubpixel);
BENCHMARK(BM_DeviceQuadsBilinear);
BENCHMARK(BM_DeviceQuadsCornerColours);
BENCHMARK(BM_SdlSoftwareQuads);

}  // namespace

BENCHMARK_MAIN();
