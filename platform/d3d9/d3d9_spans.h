// Pixel arithmetic shared by the rasterizer's general path and its spans, and the span kernels:
// runs of pixels of one primitive with a 32-bit target and texture, point or linear sampling
// with wrapping on power-of-two sizes, modulate or add colour, modulated alpha, the alpha test
// (>= ref) and blending with SRCALPHA and INVSRCALPHA or ONE (or none), without depth.
//
// The kernels come in a scalar build and in SIMD builds chosen at run time by what the
// processor offers; every build gives exactly the result of the general per-pixel path.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

#if defined(__GNUC__)
#define FW_INLINE inline __attribute__((always_inline))
#else
#define FW_INLINE inline
#endif

namespace d3d9impl {

// Exact round(a * b / 255) for a, b in 0..255 (and sums of such products up to 65025).
FW_INLINE uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}
FW_INLINE uint32_t Mul255(uint32_t a, uint32_t b) { return Div255(a * b); }

inline int Wrap(int i, int n, DWORD mode) {
    if (unsigned(i) < unsigned(n)) return i;
    switch (mode) {
    case D3DTADDRESS_CLAMP: return i < 0 ? 0 : (i >= n ? n - 1 : i);
    case D3DTADDRESS_MIRROR: {
        int p = ((i % (2 * n)) + 2 * n) % (2 * n);
        return p < n ? p : 2 * n - 1 - p;
    }
    default: return ((i % n) + n) % n;
    }
}

// Adds without overflow in the language's sense: coordinates far out wrap as the SIMD lanes do.
FW_INLINE int64_t WrapAdd(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }

struct Sampler {
    const uint32_t* px = nullptr;
    int w = 1, h = 1;
    uint32_t alphaOr = 0;  // 0xFF000000 for formats without alpha
    bool linear = false;
    DWORD addrU = D3DTADDRESS_WRAP, addrV = D3DTADDRESS_WRAP;

    uint32_t Texel(int x, int y) const { return px[size_t(Wrap(y, h, addrV)) * w + Wrap(x, w, addrU)] | alphaOr; }

    // U, V in 16.16 fixed-point texels of the level; texel centres lie at i + 0.5.
    uint32_t Fetch(int64_t U, int64_t V) const {
        if (!linear) return Texel(int(U >> 16), int(V >> 16));
        int64_t fu = U - 32768, fv = V - 32768;
        int x0 = int(fu >> 16), y0 = int(fv >> 16);
        uint32_t wu = uint32_t(fu >> 8) & 0xFF, wv = uint32_t(fv >> 8) & 0xFF;
        uint32_t a = Texel(x0, y0), b = Texel(x0 + 1, y0), c = Texel(x0, y0 + 1), d = Texel(x0 + 1, y0 + 1);
        constexpr uint32_t M = 0x00FF00FFu;
        uint32_t rb = Mix(Mix(a, b, wu, M), Mix(c, d, wu, M), wv, M);
        uint32_t ag = Mix(Mix(a >> 8, b >> 8, wu, M), Mix(c >> 8, d >> 8, wu, M), wv, M);
        return rb | (ag << 8);
    }

    // U, V in texels (lines).
    uint32_t Sample(float U, float V) const {
        auto fix = [](float x) -> int64_t {
            if (!(x > -1e9f && x < 1e9f)) return 0;
            return int64_t(std::floor(double(x) * 65536.0));
        };
        return Fetch(fix(U), fix(V));
    }

private:
    static uint32_t Mix(uint32_t p, uint32_t q, uint32_t w, uint32_t m) {
        return ((p & m) * (256 - w) + (q & m) * w) >> 8 & m;
    }
};

// Colour channels interpolated in 16.16 fixed point, packed with rounding and saturation.
FW_INLINE uint32_t PackFixed(int64_t r, int64_t g, int64_t b, int64_t a) {
    auto c = [](int64_t v) {
        int64_t x = (v + 32768) >> 16;
        return uint32_t(x < 0 ? 0 : (x > 255 ? 255 : x));
    };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

enum class SpanBlend { None, InvSrcAlpha, One };

// How the diffuse colour enters: the texel as it is (modulated by white), modulated by one
// colour, one colour added (alpha modulated), or modulated by a colour interpolated per pixel.
enum SpanMode { kTexel = 0, kModulate = 1, kAdd = 2, kGouraud = 3, kSpanModes = 4 };

// What holds for every span of one primitive.
struct SpanParams {
    const uint32_t* tex = nullptr;  // texels of the sampled level, rows of texW
    int texW = 1;                   // a power of two, as the height
    int shiftW = 0;                 // log2(texW)
    uint32_t maskU = 0, maskV = 0;  // width - 1, height - 1
    int64_t dU = 0, dV = 0;         // texel coordinates per pixel, 32.32 fixed point
    uint32_t color = 0xFFFFFFFFu;   // the diffuse colour (not Gouraud)
    int64_t dr = 0, dg = 0, db = 0, da = 0;  // Gouraud: diffuse per pixel, 16.16
    uint32_t alphaOr = 0;           // 0xFF000000 for texels without alpha
    uint32_t ref = 0;               // the alpha test keeps pixels with alpha >= ref (0: all)
    uint32_t forceA = 0;            // 0xFF000000 for targets without alpha
    const Sampler* linear = nullptr;  // the bilinear sampler of linear kernels
    // The result does not depend on the target: a row with the texels of the row above (the
    // same texel row and start) is a copy of it.
    bool rowsRepeat = false;
};

struct SpanRow {
    uint32_t* dst;
    int n;
    int64_t U, V;          // texel coordinates of the first pixel, 32.32
    int64_t r, g, b, a;    // Gouraud: diffuse of the first pixel, 16.16
};

using SpanFn = void (*)(const SpanParams& p, const SpanRow* rows, int count);

// Rows of an upright rectangle with point sampling and a flat colour: all start at the same u.
constexpr int kRectRowsMax = 64;
struct RectRows {
    uint32_t* dst;     // the first pixel of the first row
    size_t pitch;      // pixels from one row to the next
    int n;             // pixels per row
    int count;         // rows, at most kRectRowsMax
    int64_t U;         // texel u of the first pixel of every row, 32.32
    const int64_t* V;  // texel v of the first pixel of each row, 32.32
};

using RectFn = void (*)(const SpanParams& p, const RectRows& rows);

// Upright rectangles of a batch, each with point sampling, a flat colour and at most
// kRectRowsMax rows, drawn in one call; the spans' arguments other than dU, dV and color hold
// for all of them.
struct RectQuad {
    uint32_t* dst;          // the first pixel of the first row
    int n, rows;            // pixels per row, rows
    int64_t U;              // texel u of the first pixel of every row, 32.32
    int64_t V0, vStep;      // texel v of the first pixel of the first row, and its change per row
    int64_t dU, dV;         // texel coordinates per pixel, 32.32
    uint32_t color;
};

using RectsFn = void (*)(const SpanParams& p, size_t pitch, const RectQuad* quads, int count);

// ---- Upright quads of a draw call's batch worked out several at a time: for each, what the
// rasterizer's BatchQuad works out (see there), lane by lane in double precision. Every value on
// the way is a float, a whole number below 2^26 or a result of the same operations in the same
// order as there, so every lane rounds as BatchQuad does.
struct QuadBatchConsts {
    float m11, m21, m31, m41, m12, m22, m32, m42, m13, m23, m33, m43;  // the transform, by columns
    float vpx, vpy, hw, hh;                 // the viewport's origin and half size
    double clipX1, clipY1, clipX2, clipY2;  // the scissor, exclusive ends
    bool textured;
    float su, sv;  // texels per unit of u and v
};

// Vertices as 32-bit words: x, y, z, the colour, u and v.
constexpr int kVertexWords = 6;
constexpr int kQuadSetupMax = 16;  // quads per call

enum QuadOutcome { kQuadOther = 0, kQuadEmpty = 1, kQuadRect = 2 };

// Per quad: its QuadOutcome, and for kQuadRect its rectangle, whole numbers held as doubles: the
// first column and row, pixels per row, rows, texel u of every row's first pixel and v of the
// first row's before StartFixed's bias, v's step per row and the texel steps per pixel.
struct QuadSetups {
    double outcome[kQuadSetupMax];
    double xs[kQuadSetupMax], rowStart[kQuadSetupMax], n[kQuadSetupMax], rows[kQuadSetupMax];
    double U[kQuadSetupMax], V0[kQuadSetupMax], vStep[kQuadSetupMax], dU[kQuadSetupMax], dV[kQuadSetupMax];
};

// Quads [0, count) whose first vertex (of four in a row) starts at word first[i] of verts.
using QuadSetupFn = void (*)(const QuadBatchConsts& c, const void* verts, const int32_t* first, int count,
                             QuadSetups* out);

struct SpanKernels {
    // [blend][mode][linear]; with SpanBlend::None the kernel tests alpha only when ref > 0.
    SpanFn span[3][kSpanModes][2];
    RectFn rect[3][kGouraud];    // [blend][mode], point sampling
    RectsFn rects[3][kGouraud];  // [blend][mode]
    void (*fill)(uint32_t* dst, size_t n, uint32_t value);
    QuadSetupFn quadSetup;  // null in the scalar build
};

const SpanKernels& ScalarSpanKernels();
// The kernels of the best SIMD instruction set the processor offers (the scalar ones where
// there is none), within what tests allow.
const SpanKernels& SimdSpanKernels();

// Test controls: the SIMD instruction sets built in that the processor runs, best first, and a
// restriction to one of them ("" lifts it).
std::vector<std::string> SimdTargets();
bool RestrictSimdTarget(const std::string& name);

}  // namespace d3d9impl
