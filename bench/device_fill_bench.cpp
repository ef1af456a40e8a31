// Fill rate of the software device: textured, alpha-blended 32 x 32 quads into 640 x 480,
// beside SDL2's software renderer doing the same blits.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/device_scene.h"

namespace {

using fwbench::FvfVertex;

constexpr int kW = 640, kH = 480, kQuads = 1000;

struct Scene : fwbench::DeviceScene {
    IDirect3DTexture9* tex = nullptr;
    std::vector<FvfVertex> quads;

    Scene(bool fractional, DWORD colour, DWORD filter, bool corners = false) : DeviceScene(kW, kH, filter) {
        tex = Texture(32, 32, [](UINT x, UINT y) { return (uint32_t((x * 8) & 0xFF) << 24) | 0x00C08040u | y; });
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

    void Frame() { DrawQuads(quads.data(), kQuads); }

    ~Scene() {
        dev->SetTexture(0, nullptr);
        if (tex) tex->Release();
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
