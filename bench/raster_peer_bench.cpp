// The software device beside pixman, a CPU compositor, drawing the same scenes in the same
// program: each iteration draws one frame with each (in alternating order), timed by the
// thread's CPU clock, so the ratio engine/pixman compares the two under the same load.
//   BM_PeerQuads32:  1000 textured, alpha-blended, tinted 32 x 32 quads into 640 x 480.
//   BM_PeerGamePass: the game's second pass, its 320 x 240 target (X8R8G8B8, 512 x 256 as
//                    stored) point-sampled at twice its size into 640 x 480.
//   BM_GamePassAt1080: the same picture stretched to 1920 x 1080 (the device alone).
//   BM_Quads8:       20000 tinted 8 x 8 quads into 1920 x 1080 (the device alone), where the
//                    set-up of each quad weighs as much as its pixels; and into 640 x 480.
// Counters: megapixels written per second by each, and their ratio.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <ctime>
#include <vector>

#include "bench/device_scene.h"
#include "platform/d3d9/d3d9_test.h"

namespace {

using fwbench::FvfVertex;

constexpr int kW = 640, kH = 480;

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Four corners of an upright quad with one colour.
void PushQuad(std::vector<FvfVertex>* v, float x, float y, float w, float h, DWORD col, float u0, float v0, float u1,
              float v1, float z = 0.0f) {
    v->push_back({x, y, z, col, u0, v0});
    v->push_back({x + w, y, z, col, u1, v0});
    v->push_back({x + w, y + h, z, col, u1, v1});
    v->push_back({x, y + h, z, col, u0, v1});
}

// pixman works on premultiplied colours; the device blends straight ones.
uint32_t Premultiply(uint32_t c) {
    uint32_t a = c >> 24;
    auto ch = [a](uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (ch((c >> 16) & 0xFF) << 16) | (ch((c >> 8) & 0xFF) << 8) | ch(c & 0xFF);
}

struct PixmanTarget {
    std::vector<uint32_t> bits;
    pixman_image_t* image = nullptr;
    PixmanTarget(int w, int h) : bits(size_t(w) * h, 0xFF000000u) {
        image = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, bits.data(), w * 4);
    }
    ~PixmanTarget() { pixman_image_unref(image); }
    PixmanTarget(const PixmanTarget&) = delete;
    PixmanTarget& operator=(const PixmanTarget&) = delete;
};

// ---- Scene (a): 32 x 32 quads.
constexpr int kQuads = 1000, kQuadSize = 32;

struct EngineQuads : fwbench::DeviceScene {
    IDirect3DTexture9* tex = nullptr;
    std::vector<FvfVertex> verts;
    EngineQuads() : DeviceScene(kW, kH) {
        if (!Ok()) return;
        tex = Texture(kQuadSize, kQuadSize, [](UINT x, UINT y) { return fwbench::CheckerTexel(int(x), int(y)); });
        dev->SetTexture(0, tex);
        for (const fwbench::Placement& p : fwbench::Placements(kQuads, kW, kH, kQuadSize))
            PushQuad(&verts, p.x, p.y, kQuadSize, kQuadSize, p.color, 0, 0, 1, 1);
    }
    ~EngineQuads() {
        if (dev) dev->SetTexture(0, nullptr);
        if (tex) tex->Release();
    }
    void Frame() { DrawQuads(verts.data(), kQuads); }
};

// pixman cannot tint each colour channel in one call: it gets the tint's alpha as a solid mask
// (OVER with source, mask and target), which is less work than the device does.
struct PixmanQuads {
    PixmanTarget target{kW, kH};
    std::vector<uint32_t> texels;
    pixman_image_t* src = nullptr;
    pixman_image_t* mask = nullptr;
    std::vector<fwbench::Placement> places = fwbench::Placements(kQuads, kW, kH, kQuadSize);
    PixmanQuads() : texels(kQuadSize * kQuadSize) {
        for (int y = 0; y < kQuadSize; ++y)
            for (int x = 0; x < kQuadSize; ++x) texels[y * kQuadSize + x] = Premultiply(fwbench::CheckerTexel(x, y));
        src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kQuadSize, kQuadSize, texels.data(), kQuadSize * 4);
        const uint16_t alpha = uint16_t((places[0].color >> 24) * 0x101);  // every tint has the same alpha
        pixman_color_t c{0, 0, 0, alpha};
        mask = pixman_image_create_solid_fill(&c);
    }
    ~PixmanQuads() {
        pixman_image_unref(mask);
        pixman_image_unref(src);
    }
    PixmanQuads(const PixmanQuads&) = delete;
    PixmanQuads& operator=(const PixmanQuads&) = delete;
    void Frame() {
        for (const fwbench::Placement& p : places)
            pixman_image_composite32(PIXMAN_OP_OVER, src, mask, target.image, 0, 0, 0, 0, int(p.x), int(p.y),
                                     kQuadSize, kQuadSize);
    }
};

// ---- Scene (b): the game's pass.
constexpr int kPicW = 320, kPicH = 240, kTexW = 512, kTexH = 256;

uint32_t PictureTexel(int x, int y) {
    uint32_t s = uint32_t(x / 3 * 7919 + y / 5 * 104729);
    s ^= s >> 7;
    return 0xFF000000u | ((s * 2654435761u) >> 8);
}

struct EngineGamePass : fwbench::DeviceScene {
    IDirect3DTexture9* tex = nullptr;
    std::vector<FvfVertex> verts;
    EngineGamePass() : DeviceScene(kW, kH) {
        if (!Ok()) return;
        tex = Texture(kTexW, kTexH, [](UINT x, UINT y) { return PictureTexel(int(x), int(y)); }, D3DFMT_X8R8G8B8);
        dev->SetTexture(0, tex);
        // As the game's sprite draws it: white, z 0.5, the picture's part of the texture.
        PushQuad(&verts, 0, 0, kW, kH, 0xFFFFFFFF, 0, 0, float(kPicW) / kTexW, float(kPicH) / kTexH, 0.5f);
    }
    ~EngineGamePass() {
        if (dev) dev->SetTexture(0, nullptr);
        if (tex) tex->Release();
    }
    void Frame() { DrawQuads(verts.data(), 1); }
};

struct PixmanGamePass {
    PixmanTarget target{kW, kH};
    std::vector<uint32_t> texels;
    pixman_image_t* src = nullptr;
    PixmanGamePass() : texels(kTexW * kTexH) {
        for (int y = 0; y < kTexH; ++y)
            for (int x = 0; x < kTexW; ++x) texels[y * kTexW + x] = PictureTexel(x, y);
        src = pixman_image_create_bits(PIXMAN_x8r8g8b8, kTexW, kTexH, texels.data(), kTexW * 4);
        pixman_transform_t t;
        pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
        pixman_image_set_transform(src, &t);
        pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
    ~PixmanGamePass() { pixman_image_unref(src); }
    PixmanGamePass(const PixmanGamePass&) = delete;
    PixmanGamePass& operator=(const PixmanGamePass&) = delete;
    void Frame() { pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, target.image, 0, 0, 0, 0, 0, 0, kW, kH); }
};

// One frame of each per iteration, the order alternating.
template <class Engine, class Peer>
void Compare(benchmark::State& state, double pixelsPerFrame) {
    Engine engine;
    Peer peer;
    if (!engine.Ok()) {
        state.SkipWithError("no device");
        return;
    }
    double te = 0, tp = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        const bool engineFirst = (frames & 1) == 0;
        double t0 = ThreadSeconds();
        if (engineFirst) engine.Frame();
        else peer.Frame();
        double t1 = ThreadSeconds();
        if (engineFirst) peer.Frame();
        else engine.Frame();
        double t2 = ThreadSeconds();
        te += engineFirst ? t1 - t0 : t2 - t1;
        tp += engineFirst ? t2 - t1 : t1 - t0;
        ++frames;
    }
    const double px = pixelsPerFrame * double(frames);
    if (te > 0 && tp > 0) {
        state.counters["engine_Mpx/s"] = px / te * 1e-6;
        state.counters["pixman_Mpx/s"] = px / tp * 1e-6;
        state.counters["engine/pixman"] = tp / te;
    }
}

void BM_PeerQuads32(benchmark::State& state) {
    Compare<EngineQuads, PixmanQuads>(state, double(kQuads) * kQuadSize * kQuadSize);
}
BENCHMARK(BM_PeerQuads32)->Unit(benchmark::kMillisecond);

void BM_PeerGamePass(benchmark::State& state) {
    Compare<EngineGamePass, PixmanGamePass>(state, double(kW) * kH);
    // Both draw the same picture; a difference would make the comparison meaningless.
    EngineGamePass e;
    PixmanGamePass p;
    e.Frame();
    p.Frame();
    const d3d9test::Image shown = d3d9test::ReadBackBuffer(e.dev);
    int64_t differ = 0;
    for (size_t i = 0; i < shown.pixels.size() && i < p.target.bits.size(); ++i)
        differ += (shown.pixels[i] | 0xFF000000u) != (p.target.bits[i] | 0xFF000000u);
    state.counters["pixels_differing"] = double(differ);
}
BENCHMARK(BM_PeerGamePass)->Unit(benchmark::kMicrosecond);

// ---- The game's picture stretched to 1920 x 1080 (6 times across, 4.5 times down): texels
// for several pixels at a step that is no whole fraction of a texel.
void BM_GamePassAt1080(benchmark::State& state) {
    fwbench::DeviceScene scene(1920, 1080);
    if (!scene.Ok()) {
        state.SkipWithError("no device");
        return;
    }
    IDirect3DTexture9* tex = scene.Texture(
        kTexW, kTexH, [](UINT x, UINT y) { return PictureTexel(int(x), int(y)); }, D3DFMT_X8R8G8B8);
    scene.dev->SetTexture(0, tex);
    std::vector<FvfVertex> verts;
    PushQuad(&verts, 0, 0, 1920, 1080, 0xFFFFFFFF, 0, 0, float(kPicW) / kTexW, float(kPicH) / kTexH, 0.5f);
    double t = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        double t0 = ThreadSeconds();
        scene.DrawQuads(verts.data(), 1);
        t += ThreadSeconds() - t0;
        ++frames;
    }
    if (t > 0) state.counters["engine_Mpx/s"] = double(frames) * 1920 * 1080 / t * 1e-6;
    scene.dev->SetTexture(0, nullptr);
    tex->Release();
}
BENCHMARK(BM_GamePassAt1080)->Unit(benchmark::kMicrosecond);

// ---- 8 x 8 quads, each showing one 8 x 8 cell of the 32 x 32 texture, at 1920 x 1080 (and,
// for comparison, into a target small enough to stay in the processor's cache).
constexpr int kSmallQuads = 20000, kSmall = 8;

void BM_Quads8(benchmark::State& state) {
    const int kBigW = int(state.range(0)), kBigH = int(state.range(1));
    fwbench::DeviceScene scene(kBigW, kBigH);
    if (!scene.Ok()) {
        state.SkipWithError("no device");
        return;
    }
    IDirect3DTexture9* tex =
        scene.Texture(kQuadSize, kQuadSize, [](UINT x, UINT y) { return fwbench::CheckerTexel(int(x), int(y)); });
    scene.dev->SetTexture(0, tex);
    std::vector<FvfVertex> verts;
    int cell = 0;
    for (const fwbench::Placement& p : fwbench::Placements(kSmallQuads, kBigW, kBigH, kSmall)) {
        float u = float(cell % 4) * 0.25f, v = float(cell / 4 % 4) * 0.25f;
        PushQuad(&verts, p.x, p.y, kSmall, kSmall, p.color, u, v, u + 0.25f, v + 0.25f);
        ++cell;
    }
    double t = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        double t0 = ThreadSeconds();
        scene.DrawQuads(verts.data(), kSmallQuads);
        t += ThreadSeconds() - t0;
        ++frames;
    }
    if (t > 0) state.counters["engine_Mpx/s"] = double(frames) * kSmallQuads * kSmall * kSmall / t * 1e-6;
    scene.dev->SetTexture(0, nullptr);
    tex->Release();
}
BENCHMARK(BM_Quads8)->Args({1920, 1080})->Args({640, 480})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
