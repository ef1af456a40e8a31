// Span kernels: one scalar build, and one SIMD build per instruction set that Highway compiles
// this file for (SSSE3, AVX2 and AVX-512 on x86-64), chosen at run time by what the processor
// offers.
//
// Every kernel does, per pixel, what Shade1 below does (the general per-pixel path gives the
// same), with the channels two to a 32-bit lane (blue with red, green with alpha) in 16-bit
// halves. Div255 by multiplication: (x + 128) * 257 >> 16 equals Div255(x) for x <= 65025.

// On x86-64: the 128-bit SSSE3, 256-bit AVX2 and 512-bit AVX-512 builds (and the scalar one).
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSE4 | HWY_AVX3_DL)
#endif
// Header-only: no call into Highway's library, not even its checks in debug builds.
#define HWY_IS_DEBUG_BUILD 0

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/d3d9/d3d9_spans.h"

#ifndef FW_D3D9_SPANS_SCALAR
#define FW_D3D9_SPANS_SCALAR

namespace d3d9impl {
namespace {

constexpr uint32_t kRB = 0x00FF00FFu;

FW_INLINE uint32_t Div255Packed(uint32_t x) {  // two 16-bit lanes, each at most 65025
    x += 0x00800080u;
    return ((x + ((x >> 8) & kRB)) >> 8) & kRB;
}

FW_INLINE uint32_t SatAddPacked(uint32_t x, uint32_t y) {  // two lanes of 0..255 each
    uint32_t s = x + y;
    uint32_t over = s & 0x01000100u;
    return (s | (over - (over >> 8))) & kRB;
}

template <SpanBlend B, int MODE, bool TEST>
FW_INLINE uint32_t Shade1(uint32_t t, uint32_t d, uint32_t color, const SpanParams& p) {
    t |= p.alphaOr;
    if (MODE == kModulate || MODE == kGouraud) {  // two channels per multiply
        const uint32_t da = color >> 24, dr = (color >> 16) & 0xFF, dg = (color >> 8) & 0xFF, db = color & 0xFF;
        uint32_t rb = Div255Packed((((t >> 16) & 0xFFu) * dr << 16) | ((t & 0xFFu) * db));
        uint32_t ga = Div255Packed(((t >> 24) * da << 16) | (((t >> 8) & 0xFFu) * dg));
        t = rb | (ga << 8);
    } else if (MODE == kAdd) {  // add colour, modulate alpha
        uint32_t rb = SatAddPacked(t & kRB, color & kRB);
        uint32_t g = std::min<uint32_t>(255, ((t >> 8) & 0xFFu) + ((color >> 8) & 0xFF));
        uint32_t a0 = Mul255(t >> 24, color >> 24);
        t = rb | (g << 8) | (a0 << 24);
    }
    const uint32_t a = t >> 24;
    uint32_t out;
    if (B == SpanBlend::InvSrcAlpha) {
        const uint32_t ia = 255 - a;
        uint32_t rb = Div255Packed((t & kRB) * a + (d & kRB) * ia);
        uint32_t ga = Div255Packed(((t >> 8) & kRB) * a + ((d >> 8) & kRB) * ia);
        out = rb | (ga << 8);
    } else if (B == SpanBlend::One) {
        uint32_t rb = SatAddPacked(Div255Packed((t & kRB) * a), d & kRB);
        uint32_t ga = SatAddPacked(Div255Packed(((t >> 8) & kRB) * a), (d >> 8) & kRB);
        out = rb | (ga << 8);
    } else {
        out = t;
    }
    out |= p.forceA;
    if (!TEST) return out;
    const uint32_t keep = 0u - uint32_t(a >= p.ref);
    return (out & keep) | (d & ~keep);
}

FW_INLINE uint32_t PointTexel(const SpanParams& p, int64_t U, int64_t V) {
    return p.tex[(size_t(uint32_t(V >> 32) & p.maskV) << p.shiftW) + (uint32_t(U >> 32) & p.maskU)];
}

// The texel of pixel j of a span starting at (U, V).
template <bool LINEAR>
FW_INLINE uint32_t TexelAt(const SpanParams& p, int64_t U, int64_t V, int j) {
    U = int64_t(uint64_t(U) + uint64_t(j) * uint64_t(p.dU));
    V = int64_t(uint64_t(V) + uint64_t(j) * uint64_t(p.dV));
    return LINEAR ? p.linear->Fetch(U >> 16, V >> 16) : PointTexel(p, U, V);
}

FW_INLINE uint32_t GouraudAt(const SpanParams& p, const SpanRow& row, int j) {
    return PackFixed(row.r + j * p.dr, row.g + j * p.dg, row.b + j * p.db, row.a + j * p.da);
}

// Whether row k draws what the row before it drew (see SpanParams::rowsRepeat).
template <int MODE, bool LINEAR>
FW_INLINE bool RepeatsRowAbove(const SpanParams& p, const SpanRow* rows, int k) {
    if (MODE == kGouraud || !p.rowsRepeat || k == 0) return false;
    const SpanRow &a = rows[k - 1], &b = rows[k];
    if (a.n != b.n || a.U != b.U) return false;
    if (a.V == b.V) return true;
    return !LINEAR && p.dV == 0 && ((uint32_t(a.V >> 32) ^ uint32_t(b.V >> 32)) & p.maskV) == 0;
}

template <SpanBlend B, int MODE, bool TEST, bool LINEAR>
void ScalarRows(const SpanParams& p, const SpanRow* rows, int count) {
    for (int k = 0; k < count; ++k) {
        const SpanRow& row = rows[k];
        if (RepeatsRowAbove<MODE, LINEAR>(p, rows, k)) {
            std::memcpy(row.dst, rows[k - 1].dst, size_t(row.n) * 4);
            continue;
        }
        int64_t U = row.U, V = row.V;
        int64_t r = row.r, g = row.g, b = row.b, a = row.a;
        for (int i = 0; i < row.n; ++i) {
            uint32_t t = LINEAR ? p.linear->Fetch(U >> 16, V >> 16) : PointTexel(p, U, V);
            uint32_t col = p.color;
            if (MODE == kGouraud) {
                col = PackFixed(r, g, b, a);
                r += p.dr, g += p.dg, b += p.db, a += p.da;
            }
            row.dst[i] = Shade1<B, MODE, TEST>(t, row.dst[i], col, p);
            U = WrapAdd(U, p.dU), V = WrapAdd(V, p.dV);
        }
    }
}

// Tests alpha only where the alpha test can fail.
template <int MODE, bool LINEAR>
void ScalarRowsNone(const SpanParams& p, const SpanRow* rows, int count) {
    if (p.ref == 0) ScalarRows<SpanBlend::None, MODE, false, LINEAR>(p, rows, count);
    else ScalarRows<SpanBlend::None, MODE, true, LINEAR>(p, rows, count);
}

template <int MODE, bool LINEAR>
void FillScalarMode(SpanKernels* k) {
    k->span[int(SpanBlend::None)][MODE][LINEAR] = ScalarRowsNone<MODE, LINEAR>;
    k->span[int(SpanBlend::InvSrcAlpha)][MODE][LINEAR] = ScalarRows<SpanBlend::InvSrcAlpha, MODE, true, LINEAR>;
    k->span[int(SpanBlend::One)][MODE][LINEAR] = ScalarRows<SpanBlend::One, MODE, true, LINEAR>;
}

// Upright rectangles as rows.
template <SpanBlend B, int MODE>
void ScalarRect(const SpanParams& p, const RectRows& rr) {
    SpanRow rows[kRectRowsMax];
    for (int r = 0; r < rr.count; ++r)
        rows[r] = SpanRow{rr.dst + rr.pitch * size_t(r), rr.n, rr.U, rr.V[r], 0, 0, 0, 0};
    ScalarSpanKernels().span[int(B)][MODE][0](p, rows, rr.count);
}

// Rectangles of a batch, one after another.
template <SpanBlend B, int MODE>
void ScalarRects(const SpanParams& p, size_t pitch, const RectQuad* quads, int count) {
    SpanParams qp = p;
    int64_t V[kRectRowsMax];
    for (const RectQuad* q = quads; q != quads + count; ++q) {
        qp.dU = q->dU, qp.dV = q->dV, qp.color = q->color;
        for (int r = 0; r < q->rows; ++r) V[r] = int64_t(uint64_t(q->V0) + uint64_t(r) * uint64_t(q->vStep));
        ScalarRect<B, MODE>(qp, RectRows{q->dst, pitch, q->n, q->rows, q->U, V});
    }
}

template <int MODE>
void FillScalar(SpanKernels* k) {
    FillScalarMode<MODE, false>(k);
    FillScalarMode<MODE, true>(k);
    if (MODE != kGouraud) {
        k->rect[int(SpanBlend::None)][MODE] = ScalarRect<SpanBlend::None, MODE>;
        k->rect[int(SpanBlend::InvSrcAlpha)][MODE] = ScalarRect<SpanBlend::InvSrcAlpha, MODE>;
        k->rect[int(SpanBlend::One)][MODE] = ScalarRect<SpanBlend::One, MODE>;
        k->rects[int(SpanBlend::None)][MODE] = ScalarRects<SpanBlend::None, MODE>;
        k->rects[int(SpanBlend::InvSrcAlpha)][MODE] = ScalarRects<SpanBlend::InvSrcAlpha, MODE>;
        k->rects[int(SpanBlend::One)][MODE] = ScalarRects<SpanBlend::One, MODE>;
    }
}

}  // namespace

void ScalarFill(uint32_t* dst, size_t n, uint32_t value) { std::fill(dst, dst + n, value); }

const SpanKernels& ScalarSpanKernels() {
    static const SpanKernels kernels = [] {
        SpanKernels k{};
        k.fill = ScalarFill;
        FillScalar<kTexel>(&k);
        FillScalar<kModulate>(&k);
        FillScalar<kAdd>(&k);
        FillScalar<kGouraud>(&k);
        return k;
    }();
    return kernels;
}

}  // namespace d3d9impl

#endif  // FW_D3D9_SPANS_SCALAR

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/d3d9/d3d9_spans.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace d3d9impl {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

const SpanKernels* TargetSpanKernels() { return &ScalarSpanKernels(); }

#else

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<uint32_t>;
using V = hn::Vec<D>;
using DI = hn::RebindToSigned<D>;
using D64 = hn::Repartition<int64_t, D>;
using V64 = hn::Vec<D64>;

constexpr size_t kMaxLanes = HWY_MAX_BYTES / 4;

// Masked loads and stores of 32-bit lanes that leave memory outside the mask alone (AVX2 and
// better); elsewhere the ends of spans go through buffers.
#if HWY_TARGET <= HWY_AVX2
constexpr bool kMaskedEnds = true;
#else
constexpr bool kMaskedEnds = false;
#endif

template <class VV>
HWY_INLINE VV Mul16(VV a, VV b) {
    const hn::DFromV<VV> d;
    const hn::Repartition<uint16_t, decltype(d)> d16;
    return hn::BitCast(d, hn::Mul(hn::BitCast(d16, a), hn::BitCast(d16, b)));
}

template <class VV>
HWY_INLINE VV Div255x(VV x, VV c128, VV c257) {  // per 16-bit half, x <= 65025
    const hn::DFromV<VV> d;
    const hn::Repartition<uint16_t, decltype(d)> d16;
    return hn::BitCast(d, hn::MulHigh(hn::Add(hn::BitCast(d16, x), hn::BitCast(d16, c128)), hn::BitCast(d16, c257)));
}

template <class DD>
struct ConstsT {
    using VV = hn::Vec<DD>;
    VV rbMask, alphaOr, forceA, colRB, colGA, addRGB, mulGA, zero;
    VV c128, c257;           // 128 and 257 in both halves (Div255x)
    VV alphaBoth;            // byte indices that copy the upper half of each lane into the lower
    VV oneBoth, evenBoth;    // 1 and 0xFE in both halves
    hn::Vec<hn::RebindToSigned<DD>> refMinus1, refMinus1Both;  // ref - 1, and times 0x10001
    explicit ConstsT(const SpanParams& p) {
        const DD d;
        rbMask = hn::Set(d, kRB);
        alphaOr = hn::Set(d, p.alphaOr);
        forceA = hn::Set(d, p.forceA);
        colRB = hn::Set(d, p.color & kRB);
        colGA = hn::Set(d, (p.color >> 8) & kRB);
        addRGB = hn::Set(d, p.color & 0x00FFFFFFu);
        mulGA = hn::Set(d, 255u | ((p.color >> 24) << 16));
        zero = hn::Zero(d);
        c128 = hn::Set(d, 0x00800080u);
        c257 = hn::Set(d, 0x01010101u);
        HWY_ALIGN uint32_t bytes[kMaxLanes];
        for (size_t i = 0; i < hn::Lanes(d); ++i) {
            const uint32_t lo = uint32_t(i % 4 * 4 + 2), hi = lo + 1;
            bytes[i] = lo | hi << 8 | lo << 16 | hi << 24;
        }
        alphaBoth = hn::Load(d, bytes);
        oneBoth = hn::Set(d, 0x00010001u);
        evenBoth = hn::Set(d, 0x00FE00FEu);
        refMinus1 = hn::Set(hn::RebindToSigned<DD>(), int32_t(p.ref) - 1);
        refMinus1Both = hn::Set(hn::RebindToSigned<DD>(), (int32_t(p.ref) - 1) * 0x10001);
    }
    // The lower halves of the constants of twice as wide vectors (no work on x86).
    template <class DW>
    explicit ConstsT(const ConstsT<DW>& w)
        : rbMask(hn::LowerHalf(w.rbMask)), alphaOr(hn::LowerHalf(w.alphaOr)), forceA(hn::LowerHalf(w.forceA)),
          colRB(hn::LowerHalf(w.colRB)), colGA(hn::LowerHalf(w.colGA)), addRGB(hn::LowerHalf(w.addRGB)),
          mulGA(hn::LowerHalf(w.mulGA)), zero(hn::LowerHalf(w.zero)), c128(hn::LowerHalf(w.c128)),
          c257(hn::LowerHalf(w.c257)), alphaBoth(hn::LowerHalf(w.alphaBoth)), oneBoth(hn::LowerHalf(w.oneBoth)),
          evenBoth(hn::LowerHalf(w.evenBoth)), refMinus1(hn::LowerHalf(w.refMinus1)),
          refMinus1Both(hn::LowerHalf(w.refMinus1Both)) {}
};
using Consts = ConstsT<D>;

template <SpanBlend B, int MODE, bool TEST, class DD, class VV = hn::Vec<DD>>
HWY_INLINE VV Shade(DD d, VV t, VV dst, VV colRB, VV colGA, const ConstsT<DD>& k) {
    const hn::Repartition<uint8_t, DD> d8;
    const hn::RebindToSigned<DD> di;
    t = hn::Or(t, k.alphaOr);
    if (B == SpanBlend::None && MODE == kTexel) {  // a copy
        const VV out = hn::Or(t, k.forceA);
        if (!TEST) return out;
        const auto keep = hn::RebindMask(d, hn::Gt(hn::BitCast(di, hn::ShiftRight<24>(t)), k.refMinus1));
        return hn::IfThenElse(keep, out, dst);
    }
    if (MODE == kAdd) t = hn::BitCast(d, hn::SaturatedAdd(hn::BitCast(d8, t), hn::BitCast(d8, k.addRGB)));
    VV rb = hn::And(t, k.rbMask), ga = hn::And(hn::ShiftRight<8>(t), k.rbMask);
    if (MODE == kModulate || MODE == kGouraud) {
        rb = Div255x(Mul16(rb, colRB), k.c128, k.c257);
        ga = Div255x(Mul16(ga, colGA), k.c128, k.c257);
    } else if (MODE == kAdd) {
        ga = Div255x(Mul16(ga, k.mulGA), k.c128, k.c257);
    }
    // The shaded alpha a in both halves of each lane: a * 0x10001.
    const VV a2 = hn::BitCast(d, hn::TableLookupBytes(hn::BitCast(d8, ga), hn::BitCast(d8, k.alphaBoth)));
    VV out;
    if (B == SpanBlend::None) {
        out = hn::Or(rb, hn::ShiftLeft<8>(ga));
    } else if (B == SpanBlend::InvSrcAlpha &&
               hn::AllTrue(d, hn::Eq(hn::And(hn::Add(a2, k.oneBoth), k.evenBoth), k.zero))) {
        // Every alpha 0 or 255: the target or the texel.
        out = hn::IfThenElse(hn::Eq(a2, k.zero), dst, hn::Or(rb, hn::ShiftLeft<8>(ga)));
    } else if (B == SpanBlend::One && hn::AllTrue(d, hn::Eq(a2, k.zero))) {
        out = dst;  // all clear: the target
    } else if (B == SpanBlend::InvSrcAlpha) {
        const VV ia2 = hn::Sub(k.rbMask, a2);
        const VV drb = hn::And(dst, k.rbMask), dga = hn::And(hn::ShiftRight<8>(dst), k.rbMask);
        const VV orb = Div255x(hn::Add(Mul16(rb, a2), Mul16(drb, ia2)), k.c128, k.c257);
        const VV oga = Div255x(hn::Add(Mul16(ga, a2), Mul16(dga, ia2)), k.c128, k.c257);
        out = hn::Or(orb, hn::ShiftLeft<8>(oga));
    } else {
        const VV s = hn::Or(Div255x(Mul16(rb, a2), k.c128, k.c257),
                            hn::ShiftLeft<8>(Div255x(Mul16(ga, a2), k.c128, k.c257)));
        out = hn::BitCast(d, hn::SaturatedAdd(hn::BitCast(d8, s), hn::BitCast(d8, dst)));
    }
    out = hn::Or(out, k.forceA);
    if (!TEST) return out;
    const auto keep = hn::RebindMask(d, hn::Gt(hn::BitCast(di, a2), k.refMinus1Both));
    return hn::IfThenElse(keep, out, dst);
}

// ---- Texel fetchers: the texels of N pixels at a time, in order along a span.

struct FetchSolid {
    V t;
    HWY_INLINE V Next() { return t; }
};

struct FetchContig {  // one texel per pixel, in order within one texel row
    const uint32_t* p;
    HWY_INLINE V Next() {
        V t = hn::LoadU(D(), p);
        p += hn::Lanes(D());
        return t;
    }
};

template <class DD = D>
struct FetchDouble {  // each texel for two pixels, starting on a pair
    const uint32_t* p;
    HWY_INLINE hn::Vec<DD> Next() {
        const hn::Repartition<uint64_t, DD> d64;
        const hn::Rebind<uint32_t, decltype(d64)> dq;  // half as many u32 lanes
        const auto x = hn::PromoteTo(d64, hn::LoadU(dq, p));
        p += hn::Lanes(dq);
        return hn::BitCast(DD(), hn::Or(x, hn::ShiftLeft<32>(x)));
    }
};

// Any steps: the integer parts of the coordinates (the high halves of the 64-bit lanes)
// wrapped to the texture, then gathered.
template <bool STEP_V>
struct FetchGather {
    const uint32_t* tex;
    V rowBase;  // without STEP_V: the offset of the texel row
    V maskU, maskV;
    int shiftW;
    V64 u0, u1, v0, v1, stepU, stepV;

    FetchGather(const SpanParams& p, int64_t U, int64_t V0) : tex(p.tex), shiftW(p.shiftW) {
        const D d;
        const D64 d64;
        const size_t n64 = hn::Lanes(d64);
        HWY_ALIGN int64_t lanes[kMaxLanes];
        for (size_t j = 0; j < 2 * n64; ++j) lanes[j] = int64_t(uint64_t(U) + uint64_t(j) * uint64_t(p.dU));
        u0 = hn::Load(d64, lanes);
        u1 = hn::Load(d64, lanes + n64);
        stepU = hn::Set(d64, int64_t(uint64_t(p.dU) * 2 * n64));
        maskU = hn::Set(d, p.maskU);
        maskV = hn::Set(d, p.maskV);
        if (STEP_V) {
            for (size_t j = 0; j < 2 * n64; ++j) lanes[j] = int64_t(uint64_t(V0) + uint64_t(j) * uint64_t(p.dV));
            v0 = hn::Load(d64, lanes);
            v1 = hn::Load(d64, lanes + n64);
            stepV = hn::Set(d64, int64_t(uint64_t(p.dV) * 2 * n64));
        } else {
            rowBase = hn::Set(d, (uint32_t(V0 >> 32) & p.maskV) << p.shiftW);
        }
    }

    HWY_INLINE V Next() {
        const D d;
        const DI di;
        V idx = hn::And(hn::ConcatOdd(d, hn::BitCast(d, u1), hn::BitCast(d, u0)), maskU);
        u0 = hn::Add(u0, stepU);
        u1 = hn::Add(u1, stepU);
        if (STEP_V) {
            V row = hn::And(hn::ConcatOdd(d, hn::BitCast(d, v1), hn::BitCast(d, v0)), maskV);
            idx = hn::Or(idx, hn::ShiftLeftSame(row, shiftW));
            v0 = hn::Add(v0, stepV);
            v1 = hn::Add(v1, stepV);
        } else {
            idx = hn::Or(idx, rowBase);
        }
        return hn::GatherIndex(d, tex, hn::BitCast(di, idx));
    }
};

// Magnification within one texel row (u steps of at most one texel, every index inside the row,
// the row at least a vector wide): the texels of a vector lie within a vector's width of the
// first, so one load of that window and a permutation replace the gather.
struct FetchWindow {
    const uint32_t* row;
    uint32_t lastBase;  // texW - lanes: the windows stay within the row
    V64 u0, u1, stepU;

    FetchWindow(const SpanParams& p, const uint32_t* texRow, int64_t U) : row(texRow) {
        const D64 d64;
        const size_t n64 = hn::Lanes(d64);
        HWY_ALIGN int64_t lanes[kMaxLanes];
        for (size_t j = 0; j < 2 * n64; ++j) lanes[j] = int64_t(uint64_t(U) + uint64_t(j) * uint64_t(p.dU));
        u0 = hn::Load(d64, lanes);
        u1 = hn::Load(d64, lanes + n64);
        stepU = hn::Set(d64, int64_t(uint64_t(p.dU) * 2 * n64));
        lastBase = uint32_t(p.texW) - uint32_t(2 * n64);
    }

    HWY_INLINE V Next() {
        const D d;
        const DI di;
        const V idx = hn::ConcatOdd(d, hn::BitCast(d, u1), hn::BitCast(d, u0));
        u0 = hn::Add(u0, stepU);
        u1 = hn::Add(u1, stepU);
        const uint32_t base = std::min(hn::GetLane(idx), lastBase);
        const V window = hn::LoadU(d, row + base);
        return hn::TableLookupLanes(window, hn::IndicesFromVec(d, hn::BitCast(di, hn::Sub(idx, hn::Set(d, base)))));
    }
};

// Whether a row's texels may come through FetchWindow.
HWY_INLINE bool WindowFits(const SpanParams& p, int64_t U, int n) {
    const int64_t one = int64_t(1) << 32;
    if (p.dV != 0 || p.dU <= 0 || p.dU > one || p.texW < int(hn::Lanes(D()))) return false;
    const int64_t first = U >> 32;
    return first >= 0 && first < p.texW && ((U + int64_t(n - 1) * p.dU) >> 32) < p.texW;
}

// Pixels [from, to) of a row, through buffers (the ends of spans that do not fill a vector).
template <SpanBlend B, int MODE, bool TEST, bool LINEAR>
HWY_NOINLINE void BufferedPixels(const SpanParams& p, const Consts& k, const SpanRow& row, int from, int to) {
    const D d;
    while (from < to) {
        const int m = std::min<int>(to - from, int(hn::Lanes(d)));
        HWY_ALIGN uint32_t tb[kMaxLanes] = {}, db[kMaxLanes] = {}, cb[kMaxLanes] = {};
        for (int j = 0; j < m; ++j) {
            tb[j] = TexelAt<LINEAR>(p, row.U, row.V, from + j);
            if (MODE == kGouraud) cb[j] = GouraudAt(p, row, from + j);
        }
        if (B != SpanBlend::None || TEST) std::memcpy(db, row.dst + from, size_t(m) * 4);
        V colRB = k.colRB, colGA = k.colGA;
        if (MODE == kGouraud) {
            const V c = hn::Load(d, cb);
            colRB = hn::And(c, k.rbMask);
            colGA = hn::And(hn::ShiftRight<8>(c), k.rbMask);
        }
        hn::Store(Shade<B, MODE, TEST>(d, hn::Load(d, tb), hn::Load(d, db), colRB, colGA, k), d, db);
        std::memcpy(row.dst + from, db, size_t(m) * 4);
        from += m;
    }
}

// Pixels [from, n) of a row, a vector at a time from the fetcher, the rest buffered. A
// function of its own for each fetcher, so that its loop keeps the constants in registers.
template <SpanBlend B, int MODE, bool TEST, bool LINEAR, class Fetch>
HWY_NOINLINE void VectorPixels(const SpanParams& p, const Consts& k, const SpanRow& row, int from, Fetch fetch) {
    const D d;
    const int N = int(hn::Lanes(d));
    int i = from;
    int64_t r = 0, g = 0, b = 0, a = 0;
    if (MODE == kGouraud)
        r = row.r + from * p.dr, g = row.g + from * p.dg, b = row.b + from * p.db, a = row.a + from * p.da;
    for (; i + N <= row.n; i += N) {
        const V t = fetch.Next();
        V colRB = k.colRB, colGA = k.colGA;
        if (MODE == kGouraud) {
            HWY_ALIGN uint32_t cb[kMaxLanes];
            for (int j = 0; j < N; ++j) {
                cb[j] = PackFixed(r, g, b, a);
                r += p.dr, g += p.dg, b += p.db, a += p.da;
            }
            const V c = hn::Load(d, cb);
            colRB = hn::And(c, k.rbMask);
            colGA = hn::And(hn::ShiftRight<8>(c), k.rbMask);
        }
        const V dst = (B != SpanBlend::None || TEST) ? hn::LoadU(d, row.dst + i) : k.zero;
        hn::StoreU(Shade<B, MODE, TEST>(d, t, dst, colRB, colGA, k), d, row.dst + i);
    }
    if (i >= row.n) return;
    // The end: fetchers that read only within the texture fill a whole vector, of which the
    // target gets the first lanes.
    constexpr bool kWhole = !std::is_same_v<Fetch, FetchDouble<>>;
    if constexpr (kMaskedEnds && kWhole) {
        const auto m = hn::FirstN(d, size_t(row.n - i));
        V t;
        if constexpr (std::is_same_v<Fetch, FetchContig>) t = hn::MaskedLoad(m, d, fetch.p);
        else t = fetch.Next();
        V colRB = k.colRB, colGA = k.colGA;
        if (MODE == kGouraud) {
            HWY_ALIGN uint32_t cb[kMaxLanes];
            for (int j = 0; j < N; ++j) {
                cb[j] = PackFixed(r, g, b, a);
                r += p.dr, g += p.dg, b += p.db, a += p.da;
            }
            const V c = hn::Load(d, cb);
            colRB = hn::And(c, k.rbMask);
            colGA = hn::And(hn::ShiftRight<8>(c), k.rbMask);
        }
        const V dst = (B != SpanBlend::None || TEST) ? hn::MaskedLoad(m, d, row.dst + i) : k.zero;
        hn::BlendedStore(Shade<B, MODE, TEST>(d, t, dst, colRB, colGA, k), m, d, row.dst + i);
    } else {
        BufferedPixels<B, MODE, TEST, LINEAR>(p, k, row, i, row.n);
    }
}

struct FetchLinear {
    const SpanParams* p;
    int64_t U, V;
    HWY_INLINE hn::Vec<D> Next() {
        const D d;
        HWY_ALIGN uint32_t tb[kMaxLanes];
        for (size_t j = 0; j < hn::Lanes(d); ++j) {
            tb[j] = p->linear->Fetch(U >> 16, V >> 16);
            U = WrapAdd(U, p->dU), V = WrapAdd(V, p->dV);
        }
        return hn::Load(d, tb);
    }
};

template <SpanBlend B, int MODE, bool TEST>
HWY_INLINE void PointRow(const SpanParams& p, const Consts& k, const SpanRow& row) {
    const D d;
    const int64_t one = int64_t(1) << 32;
    const int n = row.n;
    if (p.dU == 0 && p.dV == 0) {
        FetchSolid f{hn::Set(d, PointTexel(p, row.U, row.V))};
        return VectorPixels<B, MODE, TEST, false>(p, k, row, 0, f);
    }
    if (p.dV == 0) {
        const uint32_t* texRow = p.tex + (size_t(uint32_t(row.V >> 32) & p.maskV) << p.shiftW);
        const int64_t u0 = row.U >> 32;
        if (p.dU == one && u0 >= 0 && u0 + n <= p.texW) {
            FetchContig f{texRow + u0};
            return VectorPixels<B, MODE, TEST, false>(p, k, row, 0, f);
        }
        if (p.dU == one / 2 && u0 >= 0 && ((row.U + int64_t(n - 1) * (one / 2)) >> 32) < p.texW) {
            // A start in the second half of a texel leaves the first pixel alone.
            const int from = (row.U & 0x80000000) ? 1 : 0;
            if (from) BufferedPixels<B, MODE, TEST, false>(p, k, row, 0, from);
            FetchDouble<> f{texRow + u0 + from};
            return VectorPixels<B, MODE, TEST, false>(p, k, row, from, f);
        }
        if (WindowFits(p, row.U, n))
            return VectorPixels<B, MODE, TEST, false>(p, k, row, 0, FetchWindow(p, texRow, row.U));
        FetchGather<false> f(p, row.U, row.V);
        return VectorPixels<B, MODE, TEST, false>(p, k, row, 0, f);
    }
    FetchGather<true> f(p, row.U, row.V);
    VectorPixels<B, MODE, TEST, false>(p, k, row, 0, f);
}

template <SpanBlend B, int MODE, bool TEST, bool LINEAR>
void SimdRows(const SpanParams& p, const SpanRow* rows, int count) {
    const Consts k(p);
    for (int r = 0; r < count; ++r) {
        const SpanRow& row = rows[r];
        if (RepeatsRowAbove<MODE, LINEAR>(p, rows, r)) {
            std::memcpy(row.dst, rows[r - 1].dst, size_t(row.n) * 4);
        } else if (LINEAR) {
            FetchLinear f{&p, row.U, row.V};
            VectorPixels<B, MODE, TEST, true>(p, k, row, 0, f);
        } else {
            PointRow<B, MODE, TEST>(p, k, row);
        }
    }
}

// ---- Upright rectangles: every row starts at the same u, so the way texels are fetched is
// chosen once; rows differ in v and in the target row alone.
enum class RectFetch { Solid, Contig, Double, Window, GatherU, GatherUV };

// Rows narrower than a vector, or of one vector or half of one (small sprites and glyphs), each
// in one step, where rows are not copied from the row above: whether it drew them. Row r starts
// at texel v vs(r) (32.32) and u0.
template <SpanBlend B, int MODE, bool TEST, RectFetch F, class Vs>
HWY_INLINE bool NarrowRows(const SpanParams& p, const Consts& k, uint32_t* dst, size_t pitch, int n, int count,
                           int64_t u0, Vs vs) {
    const D d;
    const int N = int(hn::Lanes(d));
    const uint32_t* const tex = p.tex;
    const uint32_t maskV = p.maskV, maskU = p.maskU;
    const int shiftW = p.shiftW;
    auto texRowOf = [&](int r) { return tex + (size_t(uint32_t(vs(r) >> 32) & maskV) << shiftW); };
    using DH = hn::Half<D>;
    const DH dh;
    const int NH = N / 2;
    if constexpr (kMaskedEnds && (F == RectFetch::Contig || F == RectFetch::Solid)) {
        if (n < N && n != NH) {  // one masked step each
            const auto m = hn::FirstN(d, size_t(n));
            for (int r = 0; r < count; ++r, dst += pitch) {
                const uint32_t* texRow = texRowOf(r);
                const V t = F == RectFetch::Solid ? hn::Set(d, texRow[uint32_t(u0) & maskU])
                                                  : hn::MaskedLoad(m, d, texRow + u0);
                const V dv = (B != SpanBlend::None || TEST) ? hn::MaskedLoad(m, d, dst) : k.zero;
                hn::BlendedStore(Shade<B, MODE, TEST>(d, t, dv, k.colRB, k.colGA, k), m, d, dst);
            }
            return true;
        }
    }
    if constexpr (F == RectFetch::Contig) {
        if (n == N) {
            for (int r = 0; r < count; ++r, dst += pitch) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, hn::LoadU(d, texRowOf(r) + u0), dv, k.colRB, k.colGA, k), d, dst);
            }
            return true;
        }
        if (n == NH) {  // two rows to a vector
            const ConstsT<DH> kh(k);
            int r = 0;
            for (; r + 2 <= count; r += 2, dst += 2 * pitch) {
                const V t = hn::Combine(d, hn::LoadU(dh, texRowOf(r + 1) + u0), hn::LoadU(dh, texRowOf(r) + u0));
                const V dv = (B != SpanBlend::None || TEST)
                                 ? hn::Combine(d, hn::LoadU(dh, dst + pitch), hn::LoadU(dh, dst))
                                 : k.zero;
                const V out = Shade<B, MODE, TEST>(d, t, dv, k.colRB, k.colGA, k);
                hn::StoreU(hn::LowerHalf(dh, out), dh, dst);
                hn::StoreU(hn::UpperHalf(dh, out), dh, dst + pitch);
            }
            if (r < count) {
                const hn::Vec<DH> dv = (B != SpanBlend::None || TEST) ? hn::LoadU(dh, dst) : kh.zero;
                hn::StoreU(Shade<B, MODE, TEST>(dh, hn::LoadU(dh, texRowOf(r) + u0), dv, kh.colRB, kh.colGA, kh), dh,
                           dst);
            }
            return true;
        }
    }
    return false;
}

template <SpanBlend B, int MODE, bool TEST, RectFetch F>
HWY_NOINLINE void RectOf(const SpanParams& p, const Consts& k, const RectRows& rr) {
    const D d;
    const int N = int(hn::Lanes(d));
    // Copies that stores to the target cannot alias.
    const uint32_t* const tex = p.tex;
    const uint32_t maskV = p.maskV, maskU = p.maskU;
    const int shiftW = p.shiftW;
    const bool rowsRepeat = p.rowsRepeat, vSteps = p.dV != 0;
    const int64_t* const vs = rr.V;
    const size_t pitch = rr.pitch;
    const int count = rr.count;
    const int n = rr.n;
    const int64_t u0 = rr.U >> 32;
    // Doubled texels start on a pair: a start in the second half of a texel leaves the first
    // pixel alone.
    const int from = (F == RectFetch::Double && (rr.U & 0x80000000)) ? 1 : 0;
    // Half a vector for what is left of a row.
    using DH = hn::Half<D>;
    const DH dh;
    const int NH = N / 2;
    constexpr bool kHalves = F == RectFetch::Solid || F == RectFetch::Contig || F == RectFetch::Double;
    const bool halves = kHalves && (n - from) % N >= NH;
    const ConstsT<DH> kh(k);
    uint32_t* dst = rr.dst;
    if (!rowsRepeat && NarrowRows<B, MODE, TEST, F>(p, k, dst, pitch, n, count, u0, [vs](int r) { return vs[r]; }))
        return;
    for (int r = 0; r < count; ++r, dst += pitch) {
        const int64_t v = vs[r];
        if (rowsRepeat && r > 0 &&
            (v == vs[r - 1] || (!vSteps && ((uint32_t(v >> 32) ^ uint32_t(vs[r - 1] >> 32)) & maskV) == 0))) {
            std::memcpy(dst, dst - pitch, size_t(n) * 4);
            continue;
        }
        const uint32_t* texRow = tex + (size_t(uint32_t(v >> 32) & maskV) << shiftW);
        if (from) BufferedPixels<B, MODE, TEST, false>(p, k, SpanRow{dst, n, rr.U, v, 0, 0, 0, 0}, 0, from);
        int i = from;
        if constexpr (F == RectFetch::Solid) {
            const V t = hn::Set(d, texRow[uint32_t(u0) & maskU]);
            for (; i + N <= n; i += N) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst + i) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, t, dv, k.colRB, k.colGA, k), d, dst + i);
            }
        } else if constexpr (F == RectFetch::Contig) {
            const uint32_t* src = texRow + u0;
            for (; i + N <= n; i += N) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst + i) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, hn::LoadU(d, src + i), dv, k.colRB, k.colGA, k), d, dst + i);
            }
        } else if constexpr (F == RectFetch::Double) {
            FetchDouble<> f{texRow + u0 + from};
            for (; i + N <= n; i += N) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst + i) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, f.Next(), dv, k.colRB, k.colGA, k), d, dst + i);
            }
        } else if constexpr (F == RectFetch::Window) {
            FetchWindow f(p, texRow, rr.U);
            for (; i + N <= n; i += N) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst + i) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, f.Next(), dv, k.colRB, k.colGA, k), d, dst + i);
            }
        } else {
            FetchGather<F == RectFetch::GatherUV> f(p, rr.U, v);
            for (; i + N <= n; i += N) {
                const V dv = (B != SpanBlend::None || TEST) ? hn::LoadU(d, dst + i) : k.zero;
                hn::StoreU(Shade<B, MODE, TEST>(d, f.Next(), dv, k.colRB, k.colGA, k), d, dst + i);
            }
        }
        if constexpr (kHalves) {
            if (halves) {
                hn::Vec<DH> t;
                if constexpr (F == RectFetch::Solid) t = hn::Set(dh, texRow[uint32_t(u0) & maskU]);
                else if constexpr (F == RectFetch::Contig) t = hn::LoadU(dh, texRow + u0 + i);
                else t = FetchDouble<DH>{texRow + u0 + from + (i - from) / 2}.Next();
                const hn::Vec<DH> dv = (B != SpanBlend::None || TEST) ? hn::LoadU(dh, dst + i) : kh.zero;
                hn::StoreU(Shade<B, MODE, TEST>(dh, t, dv, kh.colRB, kh.colGA, kh), dh, dst + i);
                i += NH;
            }
        }
        if constexpr (kMaskedEnds && F != RectFetch::Double) {
            if (i < n) {
                const auto m = hn::FirstN(d, size_t(n - i));
                V t;
                if constexpr (F == RectFetch::Solid) t = hn::Set(d, texRow[uint32_t(u0) & maskU]);
                else if constexpr (F == RectFetch::Contig) t = hn::MaskedLoad(m, d, texRow + u0 + i);
                else if constexpr (F == RectFetch::Window)
                    t = FetchWindow(p, texRow, WrapAdd(rr.U, int64_t(uint64_t(p.dU) * uint64_t(i)))).Next();
                else t = FetchGather<F == RectFetch::GatherUV>(p, WrapAdd(rr.U, int64_t(uint64_t(p.dU) * uint64_t(i))),
                                                              WrapAdd(v, int64_t(uint64_t(p.dV) * uint64_t(i))))
                             .Next();
                const V dv = (B != SpanBlend::None || TEST) ? hn::MaskedLoad(m, d, dst + i) : k.zero;
                hn::BlendedStore(Shade<B, MODE, TEST>(d, t, dv, k.colRB, k.colGA, k), m, d, dst + i);
                i = n;
            }
        }
        if (i < n) BufferedPixels<B, MODE, TEST, false>(p, k, SpanRow{dst, n, rr.U, v, 0, 0, 0, 0}, i, n);
    }
}

template <SpanBlend B, int MODE, bool TEST>
HWY_INLINE void RectWith(const SpanParams& p, const Consts& k, const RectRows& rr) {
    const int64_t one = int64_t(1) << 32, u0 = rr.U >> 32;
    if (p.dU == 0 && p.dV == 0) return RectOf<B, MODE, TEST, RectFetch::Solid>(p, k, rr);
    if (p.dV != 0) return RectOf<B, MODE, TEST, RectFetch::GatherUV>(p, k, rr);
    if (p.dU == one && u0 >= 0 && u0 + rr.n <= p.texW) return RectOf<B, MODE, TEST, RectFetch::Contig>(p, k, rr);
    if (p.dU == one / 2 && u0 >= 0 && ((rr.U + int64_t(rr.n - 1) * (one / 2)) >> 32) < p.texW)
        return RectOf<B, MODE, TEST, RectFetch::Double>(p, k, rr);
    if (WindowFits(p, rr.U, rr.n)) return RectOf<B, MODE, TEST, RectFetch::Window>(p, k, rr);
    RectOf<B, MODE, TEST, RectFetch::GatherU>(p, k, rr);
}

template <SpanBlend B, int MODE, bool TEST>
void SimdRect(const SpanParams& p, const RectRows& rr) {
    RectWith<B, MODE, TEST>(p, Consts(p), rr);
}

// Rectangles of a batch: the constants made once, small rectangles of whole texels drawn here,
// the others as RectWith draws them.
template <SpanBlend B, int MODE, bool TEST>
HWY_NOINLINE void SimdRectsOf(const SpanParams& p, size_t pitch, const RectQuad* quads, int count) {
    const D d;
    const int64_t one = int64_t(1) << 32;
    SpanParams qp = p;
    Consts k(p);
    for (const RectQuad* q = quads; q != quads + count; ++q) {
        if (MODE != kTexel && q->color != qp.color) {
            qp.color = q->color;
            k.colRB = hn::Set(d, q->color & kRB);
            k.colGA = hn::Set(d, (q->color >> 8) & kRB);
            k.addRGB = hn::Set(d, q->color & 0x00FFFFFFu);
            k.mulGA = hn::Set(d, 255u | ((q->color >> 24) << 16));
        }
        const int64_t u0 = q->U >> 32;
        const int64_t v0 = q->V0, vStep = q->vStep;
        auto vs = [v0, vStep](int r) { return int64_t(uint64_t(v0) + uint64_t(r) * uint64_t(vStep)); };
        if (!p.rowsRepeat && q->dV == 0) {
            if (q->dU == one && u0 >= 0 && u0 + q->n <= p.texW &&
                NarrowRows<B, MODE, TEST, RectFetch::Contig>(p, k, q->dst, pitch, q->n, q->rows, u0, vs))
                continue;
            if (q->dU == 0 && NarrowRows<B, MODE, TEST, RectFetch::Solid>(p, k, q->dst, pitch, q->n, q->rows, u0, vs))
                continue;
        }
        qp.dU = q->dU;
        qp.dV = q->dV;
        int64_t V[kRectRowsMax];
        for (int r = 0; r < q->rows; ++r) V[r] = vs(r);
        RectWith<B, MODE, TEST>(qp, k, RectRows{q->dst, pitch, q->n, q->rows, q->U, V});
    }
}

template <SpanBlend B, int MODE, bool TEST>
void SimdRects(const SpanParams& p, size_t pitch, const RectQuad* quads, int count) {
    SimdRectsOf<B, MODE, TEST>(p, pitch, quads, count);
}

template <int MODE>
void SimdRectsNone(const SpanParams& p, size_t pitch, const RectQuad* quads, int count) {
    if (p.ref == 0) SimdRectsOf<SpanBlend::None, MODE, false>(p, pitch, quads, count);
    else SimdRectsOf<SpanBlend::None, MODE, true>(p, pitch, quads, count);
}

template <int MODE>
void SimdRectNone(const SpanParams& p, const RectRows& rr) {
    if (p.ref == 0) SimdRect<SpanBlend::None, MODE, false>(p, rr);
    else SimdRect<SpanBlend::None, MODE, true>(p, rr);
}

template <int MODE, bool LINEAR>
void SimdRowsNone(const SpanParams& p, const SpanRow* rows, int count) {
    if (p.ref == 0) SimdRows<SpanBlend::None, MODE, false, LINEAR>(p, rows, count);
    else SimdRows<SpanBlend::None, MODE, true, LINEAR>(p, rows, count);
}

template <int MODE, bool LINEAR>
void FillSimdMode(SpanKernels* k) {
    k->span[int(SpanBlend::None)][MODE][LINEAR] = SimdRowsNone<MODE, LINEAR>;
    k->span[int(SpanBlend::InvSrcAlpha)][MODE][LINEAR] = SimdRows<SpanBlend::InvSrcAlpha, MODE, true, LINEAR>;
    k->span[int(SpanBlend::One)][MODE][LINEAR] = SimdRows<SpanBlend::One, MODE, true, LINEAR>;
}

template <int MODE>
void FillSimd(SpanKernels* k) {
    FillSimdMode<MODE, false>(k);
    FillSimdMode<MODE, true>(k);
    if (MODE != kGouraud) {
        k->rect[int(SpanBlend::None)][MODE] = SimdRectNone<MODE>;
        k->rect[int(SpanBlend::InvSrcAlpha)][MODE] = SimdRect<SpanBlend::InvSrcAlpha, MODE, true>;
        k->rect[int(SpanBlend::One)][MODE] = SimdRect<SpanBlend::One, MODE, true>;
        k->rects[int(SpanBlend::None)][MODE] = SimdRectsNone<MODE>;
        k->rects[int(SpanBlend::InvSrcAlpha)][MODE] = SimdRects<SpanBlend::InvSrcAlpha, MODE, true>;
        k->rects[int(SpanBlend::One)][MODE] = SimdRects<SpanBlend::One, MODE, true>;
    }
}

void SimdFill(uint32_t* dst, size_t n, uint32_t value) {
    const D d;
    const size_t N = hn::Lanes(d);
    const V v = hn::Set(d, value);
    size_t i = 0;
    for (; i + 4 * N <= n; i += 4 * N) {
        hn::StoreU(v, d, dst + i);
        hn::StoreU(v, d, dst + i + N);
        hn::StoreU(v, d, dst + i + 2 * N);
        hn::StoreU(v, d, dst + i + 3 * N);
    }
    for (; i + N <= n; i += N) hn::StoreU(v, d, dst + i);
    for (; i < n; ++i) dst[i] = value;
}

// ---- Upright quads of a batch, as many at a time as there are double lanes.

// FloorToInt of the rasterizer: floor(x), and 0 for NaN and |x| >= 4e18.
template <class DD>
HWY_INLINE hn::Vec<DD> FloorToIntLanes(DD dd, hn::Vec<DD> x) {
    return hn::IfThenElseZero(hn::Lt(hn::Abs(x), hn::Set(dd, 4e18)), hn::Floor(x));
}

void SetupQuads(const QuadBatchConsts& c, const void* verts, const int32_t* first, int count, QuadSetups* out) {
    const hn::ScalableTag<double> dd;
    const hn::Rebind<float, decltype(dd)> df;
    const hn::Rebind<int32_t, decltype(dd)> di;
    const hn::Rebind<uint32_t, decltype(dd)> du;
    const hn::RebindToUnsigned<decltype(dd)> du64;
    using VD = hn::Vec<decltype(dd)>;
    using VF = hn::Vec<decltype(df)>;
    const float* const vf = static_cast<const float*>(verts);
    const uint32_t* const vu = static_cast<const uint32_t*>(verts);
    auto S = [dd](double x) { return hn::Set(dd, x); };
    auto SF = [df](float x) { return hn::Set(df, x); };
    auto P = [dd](VF v) { return hn::PromoteTo(dd, v); };
    const VD sixteenth = S(0.0625), two32 = S(4294967296.0);
    for (int k = 0; k < count; k += int(hn::Lanes(dd))) {
        const auto idx = hn::LoadU(di, first + k);
        auto word = [&](int corner, int w) { return hn::GatherIndex(df, vf + corner * kVertexWords + w, idx); };
        // One colour.
        const auto ca = hn::GatherIndex(du, vu + 3, idx);
        const auto differ = hn::Or(hn::Or(hn::Xor(hn::GatherIndex(du, vu + kVertexWords + 3, idx), ca),
                                          hn::Xor(hn::GatherIndex(du, vu + 2 * kVertexWords + 3, idx), ca)),
                                   hn::Xor(hn::GatherIndex(du, vu + 3 * kVertexWords + 3, idx), ca));
        auto ok = hn::RebindMask(dd, hn::Eq(hn::PromoteTo(du64, differ), hn::Zero(du64)));
        // One depth, and b and d on the rows or the columns of a and c.
        const VF ax = word(0, 0), ay = word(0, 1), az = word(0, 2), bx = word(1, 0), by = word(1, 1);
        const VF cx = word(2, 0), cy = word(2, 1), cz = word(2, 2), dx = word(3, 0), dy = word(3, 1);
        const VD za0 = P(az);
        ok = hn::And(ok, hn::And(hn::Eq(za0, P(word(1, 2))), hn::And(hn::Eq(za0, P(cz)), hn::Eq(za0, P(word(3, 2))))));
        const auto rows = hn::And(hn::And(hn::Eq(P(ay), P(by)), hn::Eq(P(cy), P(dy))),
                                  hn::And(hn::Eq(P(ax), P(dx)), hn::Eq(P(bx), P(cx))));
        const auto cols = hn::And(hn::And(hn::Eq(P(ax), P(bx)), hn::Eq(P(cx), P(dx))),
                                  hn::And(hn::Eq(P(ay), P(dy)), hn::Eq(P(by), P(cy))));
        ok = hn::And(ok, hn::Or(rows, cols));
        const VF au = word(0, 4), av = word(0, 5), bu = word(1, 4), bv = word(1, 5), cu = word(2, 4), cv = word(2, 5);
        ok = hn::And(ok, hn::And(hn::Eq(P(hn::Add(bu, word(3, 4))), P(hn::Add(au, cu))),
                                 hn::Eq(P(hn::Add(bv, word(3, 5))), P(hn::Add(av, cv)))));
        // Transform, Inside and ToScreen of a and c, and the snap.
        auto column = [&](VF x, VF y, VF z, float m1, float m2, float m3, float m4) {
            return hn::Add(hn::Add(hn::Add(hn::Mul(x, SF(m1)), hn::Mul(y, SF(m2))), hn::Mul(z, SF(m3))), SF(m4));
        };
        const VF xa = column(ax, ay, az, c.m11, c.m21, c.m31, c.m41);
        const VF ya = column(ax, ay, az, c.m12, c.m22, c.m32, c.m42);
        const VF xc = column(cx, cy, cz, c.m11, c.m21, c.m31, c.m41);
        const VF yc = column(cx, cy, cz, c.m12, c.m22, c.m32, c.m42);
        const VD za = P(column(ax, ay, az, c.m13, c.m23, c.m33, c.m43)), guard = S(16.0);
        ok = hn::And(ok, hn::And(hn::And(hn::Le(hn::Abs(P(xa)), guard), hn::Le(hn::Abs(P(ya)), guard)),
                                 hn::And(hn::Le(hn::Abs(P(xc)), guard), hn::Le(hn::Abs(P(yc)), guard))));
        ok = hn::And(ok, hn::And(hn::Ge(za, S(0.0)), hn::Le(za, S(1.0))));
        const VF one = SF(1.0f);
        auto snap = [&](VF v) { return hn::Floor(hn::Add(hn::Mul(P(v), S(16.0)), S(0.5))); };
        const VD x0 = snap(hn::Add(SF(c.vpx), hn::Mul(hn::Add(one, xa), SF(c.hw))));
        const VD y0 = snap(hn::Add(SF(c.vpy), hn::Mul(hn::Sub(one, ya), SF(c.hh))));
        VD x2 = snap(hn::Add(SF(c.vpx), hn::Mul(hn::Add(one, xc), SF(c.hw))));
        VD y2 = snap(hn::Add(SF(c.vpy), hn::Mul(hn::Sub(one, yc), SF(c.hh))));
        ok = hn::And(ok, hn::And(hn::Ne(x0, x2), hn::Ne(y0, y2)));
        VD x1 = hn::IfThenElse(rows, x2, x0), y1 = hn::IfThenElse(rows, y0, y2);
        // The rectangle, and whether it has pixels.
        const VD rectLo = hn::Max(hn::Ceil(hn::Mul(hn::Min(x0, x2), sixteenth)), S(c.clipX1));
        const VD rectHi = hn::Min(hn::Sub(hn::Ceil(hn::Mul(hn::Max(x0, x2), sixteenth)), S(1.0)), S(c.clipX2 - 1));
        const VD rowStart = hn::Max(hn::Ceil(hn::Mul(hn::Min(y0, y2), sixteenth)), S(c.clipY1));
        const VD rowEnd = hn::Min(hn::Sub(hn::Ceil(hn::Mul(hn::Max(y0, y2), sixteenth)), S(1.0)), S(c.clipY2 - 1));
        const auto empty = hn::Or(hn::Gt(rectLo, rectHi), hn::Gt(rowStart, rowEnd));
        // Corners 1 and 2 swapped where the area is negative; the texel planes.
        const auto swap = hn::Lt(hn::Mul(hn::Sub(x1, x0), hn::Sub(y2, y0)), hn::Mul(hn::Sub(x2, x0), hn::Sub(y1, y0)));
        const VD x1s = hn::IfThenElse(swap, x2, x1), y1s = hn::IfThenElse(swap, y2, y1);
        x2 = hn::IfThenElse(swap, x1, x2), y2 = hn::IfThenElse(swap, y1, y2);
        x1 = x1s, y1 = y1s;
        const VD fx0 = hn::Mul(x0, sixteenth), fy0 = hn::Mul(y0, sixteenth);
        VD dux = hn::Zero(dd), duy = dux, dvx = dux, dvy = dux, U0 = dux, V0 = dux;
        if (c.textured) {
            const VD dx1 = hn::Mul(hn::Sub(x1, x0), sixteenth), dy1 = hn::Mul(hn::Sub(y1, y0), sixteenth);
            const VD dx2 = hn::Mul(hn::Sub(x2, x0), sixteenth), dy2 = hn::Mul(hn::Sub(y2, y0), sixteenth);
            const VD id = hn::Div(S(1.0), hn::Sub(hn::Mul(dx1, dy2), hn::Mul(dx2, dy1)));
            auto grad = [&](VD a0, VD a1, VD a2, VD* gx, VD* gy) {
                const VD d1 = hn::Sub(a1, a0), d2 = hn::Sub(a2, a0);
                *gx = hn::Mul(hn::Sub(hn::Mul(d1, dy2), hn::Mul(d2, dy1)), id);
                *gy = hn::Mul(hn::Sub(hn::Mul(d2, dx1), hn::Mul(d1, dx2)), id);
            };
            const VD su = S(double(c.su)), sv = S(double(c.sv));
            const VD ub = P(bu), uc = P(cu), vb = P(bv), vc = P(cv);
            U0 = hn::Mul(P(au), su), V0 = hn::Mul(P(av), sv);
            grad(U0, hn::Mul(hn::IfThenElse(swap, uc, ub), su), hn::Mul(hn::IfThenElse(swap, ub, uc), su), &dux, &duy);
            grad(V0, hn::Mul(hn::IfThenElse(swap, vc, vb), sv), hn::Mul(hn::IfThenElse(swap, vb, vc), sv), &dvx, &dvy);
        }
        // The rectangle's spans' arguments; ExactRowStep.
        const VD ox = hn::Sub(rectLo, fx0), oy = hn::Sub(rowStart, fy0);
        const VD Vx = hn::Add(V0, hn::Mul(dvx, ox));
        const VD K = hn::Mul(dvy, two32), M = hn::Mul(Vx, S(68719476736.0));
        const VD lim19 = S(524288.0), lim52 = S(4503599627370496.0);
        auto exact = hn::And(hn::And(hn::Lt(hn::Abs(fy0), lim19), hn::Gt(rowStart, hn::Neg(lim19))), hn::Lt(rowEnd, lim19));
        exact = hn::And(exact, hn::And(hn::Lt(hn::Abs(K), lim52), hn::Lt(hn::Abs(M), lim52)));
        exact = hn::And(exact, hn::And(hn::Eq(K, hn::Floor(K)), hn::Eq(M, hn::Floor(M))));
        const VD mMax = hn::Mul(S(16.0), hn::Max(hn::Abs(oy), hn::Abs(hn::Sub(rowEnd, fy0))));
        exact = hn::And(exact, hn::Lt(hn::Mul(hn::Abs(K), mMax), lim52));
        const VD rowsN = hn::Add(hn::Sub(rowEnd, rowStart), S(1.0));
        auto rect = hn::AndNot(empty, hn::And(ok, hn::Eq(duy, S(0.0))));
        rect = hn::And(rect, hn::And(exact, hn::Le(rowsN, S(double(kRectRowsMax)))));
        hn::StoreU(hn::IfThenElse(hn::And(ok, empty), S(kQuadEmpty), hn::IfThenElseZero(rect, S(kQuadRect))), dd,
                   out->outcome + k);
        hn::StoreU(rectLo, dd, out->xs + k);
        hn::StoreU(rowStart, dd, out->rowStart + k);
        hn::StoreU(hn::Add(hn::Sub(rectHi, rectLo), S(1.0)), dd, out->n + k);
        hn::StoreU(rowsN, dd, out->rows + k);
        hn::StoreU(FloorToIntLanes(dd, hn::Mul(hn::Add(hn::Add(U0, hn::Mul(dux, ox)), hn::Mul(duy, oy)), two32)), dd,
                   out->U + k);
        hn::StoreU(FloorToIntLanes(dd, hn::Mul(hn::Add(Vx, hn::Mul(dvy, oy)), two32)), dd, out->V0 + k);
        hn::StoreU(hn::IfThenElseZero(exact, K), dd, out->vStep + k);
        hn::StoreU(FloorToIntLanes(dd, hn::Add(hn::Mul(dux, two32), S(0.5))), dd, out->dU + k);
        hn::StoreU(FloorToIntLanes(dd, hn::Add(hn::Mul(dvx, two32), S(0.5))), dd, out->dV + k);
    }
}

const SpanKernels* TargetSpanKernels() {
    static const SpanKernels kernels = [] {
        SpanKernels k{};
        k.fill = SimdFill;
        k.quadSetup = SetupQuads;
        FillSimd<kTexel>(&k);
        FillSimd<kModulate>(&k);
        FillSimd<kAdd>(&k);
        FillSimd<kGouraud>(&k);
        return k;
    }();
    return &kernels;
}

#endif  // HWY_TARGET

}  // namespace HWY_NAMESPACE
}  // namespace d3d9impl
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace d3d9impl {
namespace {

// The builds of this file, best first, and whether this processor (and its system) runs them.
// Highway's own choice at run time lives in its shared library, which times its clock when it
// is loaded (milliseconds at every start of the program); the processor is asked here instead.
#if HWY_ARCH_X86
struct X86 {
    bool ssse3 = false, sse4 = false, avx2 = false, avx3 = false;
    X86() {
        unsigned a, b, c, d;
        if (!__get_cpuid(1, &a, &b, &c, &d)) return;
        auto bit = [](unsigned r, int i) { return ((r >> i) & 1) != 0; };
        ssse3 = bit(c, 9);
        sse4 = ssse3 && bit(c, 19) && bit(c, 20) && bit(c, 1) && bit(c, 25);  // SSE4.1, 4.2, PCLMUL, AES
        const bool avx = bit(c, 28), fma = bit(c, 12), f16c = bit(c, 29), osxsave = bit(c, 27);
        unsigned xcr0 = 0;
        if (osxsave) {
            unsigned hi;
            __asm__("xgetbv" : "=a"(xcr0), "=d"(hi) : "c"(0));
        }
        const bool ymm = (xcr0 & 0x6) == 0x6, zmm = (xcr0 & 0xE6) == 0xE6;  // saved by the system
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return;
        avx2 = sse4 && avx && fma && f16c && ymm && bit(b, 5) && bit(b, 3) && bit(b, 8);  // AVX2, BMI, BMI2
        avx3 = avx2 && zmm && bit(b, 16) && bit(b, 17) && bit(b, 30) && bit(b, 31);  // F, DQ, BW, VL
    }
};
#endif

struct Build {
    int64_t target;
    const SpanKernels* (*kernels)();
    bool runs;
};

std::vector<Build> Builds() {
    std::vector<Build> builds;
#if HWY_ARCH_X86
    const X86 cpu;
#if HWY_TARGETS & HWY_AVX3
    builds.push_back({HWY_AVX3, &N_AVX3::TargetSpanKernels, cpu.avx3});
#endif
#if HWY_TARGETS & HWY_AVX2
    builds.push_back({HWY_AVX2, &N_AVX2::TargetSpanKernels, cpu.avx2});
#endif
#if HWY_TARGETS & HWY_SSE4
    builds.push_back({HWY_SSE4, &N_SSE4::TargetSpanKernels, cpu.sse4});
#endif
#if HWY_TARGETS & HWY_SSSE3
    builds.push_back({HWY_SSSE3, &N_SSSE3::TargetSpanKernels, cpu.ssse3});
#endif
#endif
    // The build for the instruction set every processor of the architecture has.
    builds.push_back({HWY_STATIC_TARGET, &HWY_STATIC_DISPATCH(TargetSpanKernels), true});
    return builds;
}

const std::vector<Build>& TheBuilds() {
    static const std::vector<Build> builds = Builds();
    return builds;
}

bool IsSimd(int64_t target) { return target != HWY_SCALAR && target != HWY_EMU128; }

// The kernels of the build a test restricted the choice to (null: the best).
const SpanKernels* g_restricted = nullptr;

const SpanKernels* Choose(const std::string& only) {
    for (const Build& b : TheBuilds())
        if (b.runs && (only.empty() || (IsSimd(b.target) && only == hwy::TargetName(b.target)))) return b.kernels();
    return nullptr;
}

}  // namespace

const SpanKernels& SimdSpanKernels() {
    static const SpanKernels* const best = Choose("");
    return g_restricted ? *g_restricted : *best;
}

std::vector<std::string> SimdTargets() {
    std::vector<std::string> names;
    for (const Build& b : TheBuilds())
        if (b.runs && IsSimd(b.target)) names.push_back(hwy::TargetName(b.target));
    return names;
}

bool RestrictSimdTarget(const std::string& name) {
    const SpanKernels* k = name.empty() ? nullptr : Choose(name);
    if (name.empty() || k) g_restricted = k;
    return name.empty() || k;
}

}  // namespace d3d9impl
#endif  // HWY_ONCE
