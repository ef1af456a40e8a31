// Batched drawing: textured, alpha-blended 32 x 32 quads into a 640 x 480 screen through
// Gfx_RenderQuad, against the same scene drawn by SDL2's software renderer onto a surface.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/device_scene.h"
#include "engine/engine_impl.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/win32/win32.h"

namespace {

const int kWidth = 640;
const int kHeight = 480;
const int kQuadSize = 32;
const int kQuadsPerFrame = 2000;

const std::vector<fwbench::Placement>& Placements() {
    static const std::vector<fwbench::Placement> list = fwbench::Placements(kQuadsPerFrame, kWidth, kHeight, kQuadSize);
    return list;
}

double engineRate = 0.0;
double sdlRate = 0.0;

LRESULT CALLBACK BenchProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

void BM_EngineQuads(benchmark::State& state) {
    platform::headless::Reset();
    platform::headless::SetDebugEcho(false);
    d3d9test::ResetControls();

    Engine* engine = CreateEngine(ENGINE_VERSION);
    EngineImpl* e = static_cast<EngineImpl*>(engine);
    WNDCLASSA wc;
    memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = BenchProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BENCH_WND";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "BENCH_WND", "bench", static_cast<DWORD>(WS_POPUP | WS_VISIBLE), 0, 0, kWidth,
                                kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    e->window = hwnd;
    e->screenWidth = kWidth;
    e->screenHeight = kHeight;
    e->windowed = true;
    e->textureFilter = false;
    e->rectW = RECT{0, 0, kWidth, kHeight};
    e->styleW = static_cast<LONG>(WS_POPUP | WS_VISIBLE);
    if (!e->Gfx_Init()) {
        state.SkipWithError("Gfx_Init failed");
        e->Gfx_Done();
        e->window = nullptr;
        engine->System_Release();
        return;
    }

    TextureHandle tex = engine->Texture_Create(kQuadSize, kQuadSize);
    if (DWORD* p = engine->Texture_Lock(tex, false)) {
        for (int y = 0; y < kQuadSize; y++)
            for (int x = 0; x < kQuadSize; x++) p[y * kQuadSize + x] = fwbench::CheckerTexel(x, y);
        engine->Texture_Unlock(tex);
    }

    const auto& places = Placements();
    Quad q;
    memset(&q, 0, sizeof(q));
    q.tex = tex;
    q.blend = BLENDMODE_COLORMUL | BLENDMODE_ALPHABLEND | BLENDMODE_NOZWRITE;
    const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};

    int64_t quads = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        engine->Gfx_BeginScene();
        engine->Gfx_Clear(0xFF000000);
        for (const fwbench::Placement& p : places) {
            const float xs[4] = {p.x, p.x + kQuadSize, p.x + kQuadSize, p.x};
            const float ys[4] = {p.y, p.y, p.y + kQuadSize, p.y + kQuadSize};
            for (int i = 0; i < 4; i++) {
                q.v[i].x = xs[i];
                q.v[i].y = ys[i];
                q.v[i].col = p.color;
                q.v[i].tx = us[i];
                q.v[i].ty = vs[i];
            }
            engine->Gfx_RenderQuad(&q);
        }
        engine->Gfx_EndScene();
        quads += kQuadsPerFrame;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engineRate = seconds > 0 ? quads / seconds : 0.0;
    state.counters["quads_per_second"] = benchmark::Counter(double(quads), benchmark::Counter::kIsRate);

    engine->Texture_Free(tex);
    e->Gfx_Done();
    DestroyWindow(hwnd);
    e->window = nullptr;
    engine->System_Release();
}

void BM_SdlSoftwareQuads(benchmark::State& state) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (!renderer) {
        state.SkipWithError("no SDL software renderer");
        if (surface) SDL_FreeSurface(surface);
        return;
    }
    SDL_Texture* tex =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kQuadSize, kQuadSize);
    std::vector<uint32_t> texels(kQuadSize * kQuadSize);
    for (int y = 0; y < kQuadSize; y++)
        for (int x = 0; x < kQuadSize; x++) texels[y * kQuadSize + x] = fwbench::CheckerTexel(x, y);
    SDL_UpdateTexture(tex, nullptr, texels.data(), kQuadSize * 4);
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(tex, SDL_ScaleModeNearest);

    const auto& places = Placements();
    std::vector<SDL_Vertex> verts(places.size() * 4);
    std::vector<int> indices(places.size() * 6);
    const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (size_t n = 0; n < places.size(); n++) {
        const fwbench::Placement& p = places[n];
        const float xs[4] = {p.x, p.x + kQuadSize, p.x + kQuadSize, p.x};
        const float ys[4] = {p.y, p.y, p.y + kQuadSize, p.y + kQuadSize};
        for (int i = 0; i < 4; i++) {
            SDL_Vertex& v = verts[n * 4 + i];
            v.position = SDL_FPoint{xs[i], ys[i]};
            v.color = SDL_Color{Uint8(p.color >> 16), Uint8(p.color >> 8), Uint8(p.color), Uint8(p.color >> 24)};
            v.tex_coord = SDL_FPoint{us[i], vs[i]};
        }
        const int pattern[6] = {0, 1, 2, 2, 3, 0};
        for (int i = 0; i < 6; i++) indices[n * 6 + i] = int(n * 4) + pattern[i];
    }

    int64_t quads = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        // One call per quad, as the engine's callers hand in one quad at a time.
        for (size_t n = 0; n < places.size(); n++)
            SDL_RenderGeometry(renderer, tex, &verts[n * 4], 4, &indices[0], 6);
        SDL_RenderPresent(renderer);
        quads += kQuadsPerFrame;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sdlRate = seconds > 0 ? quads / seconds : 0.0;
    state.counters["quads_per_second"] = benchmark::Counter(double(quads), benchmark::Counter::kIsRate);

    SDL_DestroyTexture(tex);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
}

BENCHMARK(BM_EngineQuads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlSoftwareQuads)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printf("engine: %.0f quads/s, SDL software renderer: %.0f quads/s", engineRate, sdlRate);
    if (sdlRate > 0) printf(", ratio engine/SDL: %.2f", engineRate / sdlRate);
    printf("\n");
    return 0;
}
