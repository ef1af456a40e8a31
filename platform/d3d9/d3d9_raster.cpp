// The rasterizer: vertex transform, clipping, triangle and line scan conversion, texture
// sampling, stage 0 colour and alpha operations, alpha test, depth test and blending.
//
// Conventions, as Direct3D 9: pixel centres lie on whole screen coordinates; triangles cover
// a pixel when its centre lies inside, or on a top or left edge (top-left fill rule);
// positions are snapped to 1/16 pixel; attributes are interpolated linearly in screen space
// (exact for the orthographic projections the engine uses). Stage 0 without a texture reads
// opaque white, so untextured primitives show exactly their vertex colour.
//
// Lines are one pixel wide. The major axis decides: an x-major line lights the columns whose
// centres lie in [round(x_start), round(x_end)) and, in each, the row nearest to the line;
// y-major lines likewise by rows. This is the diamond-exit rule for lines whose ends lie on
// pixel centres or pixel corners (the last pixel is not drawn); for other ends it may differ
// by the end pixel.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3d9/d3d9_spans.h"

namespace d3d9impl {
namespace {

// The SIMD kernels, restricted to the instruction set a test asked for.
const SpanKernels& SimdKernelsAsAllowed() {
    static std::string applied;
    const std::string& wanted = Ctl().rasterSimd;
    if (wanted != applied) {
        RestrictSimdTarget(wanted);
        applied = wanted;
    }
    return SimdSpanKernels();
}

// The kernels of the path a test chose: SIMD code for the fastest, scalar code for the others.
const SpanKernels& KernelsOfPath() {
    return Ctl().rasterPath == d3d9test::RasterPath::Fastest ? SimdKernelsAsAllowed() : ScalarSpanKernels();
}

}  // namespace

void FillRect(PixelBuffer& buf, LONG x1, LONG y1, LONG x2, LONG y2, uint32_t value) {
    x1 = std::max<LONG>(x1, 0), y1 = std::max<LONG>(y1, 0);
    x2 = std::min<LONG>(x2, LONG(buf.width)), y2 = std::min<LONG>(y2, LONG(buf.height));
    if (x1 >= x2 || y1 >= y2) return;
    const auto fill = KernelsOfPath().fill;
    if (x1 == 0 && x2 == LONG(buf.width)) {  // whole rows: one run
        fill(&buf.pixels[size_t(y1) * buf.width], size_t(y2 - y1) * buf.width, value);
        return;
    }
    for (LONG y = y1; y < y2; ++y) fill(&buf.pixels[size_t(y) * buf.width + x1], size_t(x2 - x1), value);
}

namespace {

inline bool Compare(DWORD func, uint32_t value, uint32_t ref) {
    switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < ref;
    case D3DCMP_EQUAL: return value == ref;
    case D3DCMP_LESSEQUAL: return value <= ref;
    case D3DCMP_GREATER: return value > ref;
    case D3DCMP_NOTEQUAL: return value != ref;
    case D3DCMP_GREATEREQUAL: return value >= ref;
    default: return true;
    }
}

inline uint32_t Channel(uint32_t c, int i) { return (c >> (8 * i)) & 0xFF; }

// Stage 0 operation on one channel.
inline uint32_t Op(DWORD op, uint32_t a1, uint32_t a2) {
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return Mul255(a1, a2);
    case D3DTOP_MODULATE2X: return std::min<uint32_t>(255, 2 * Mul255(a1, a2));
    case D3DTOP_MODULATE4X: return std::min<uint32_t>(255, 4 * Mul255(a1, a2));
    case D3DTOP_ADD: return std::min<uint32_t>(255, a1 + a2);
    default: return a2;
    }
}

inline uint32_t Arg(DWORD arg, uint32_t tex, uint32_t diffuse) {
    return (arg & 0xF) == D3DTA_TEXTURE ? tex : diffuse;  // DIFFUSE and CURRENT are the diffuse colour at stage 0
}

inline uint32_t BlendFactor(DWORD f, uint32_t sc, uint32_t sa, uint32_t dc, uint32_t da) {
    switch (f) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 255;
    case D3DBLEND_SRCCOLOR: return sc;
    case D3DBLEND_INVSRCCOLOR: return 255 - sc;
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return 255 - sa;
    case D3DBLEND_DESTALPHA: return da;
    case D3DBLEND_INVDESTALPHA: return 255 - da;
    case D3DBLEND_DESTCOLOR: return dc;
    case D3DBLEND_INVDESTCOLOR: return 255 - dc;
    default: return 255;
    }
}

// Everything a pixel needs, resolved once per draw call.
struct Pipeline {
    const RasterState* st;
    PixelBuffer* target;
    PixelBuffer* depth;
    bool textured;
    Sampler samp;
    bool depthOn;
    uint32_t alphaRef;
    DWORD alphaFunc;
    bool colorDisabled;
    LONG clipX1, clipY1, clipX2, clipY2;  // scissor: viewport within the target, exclusive ends
    float zScale, zBias;                  // viewport depth range
    bool plain32;                         // target of 32-bit format
    bool targetAlpha;

    // Shades and writes pixel (x, y) with texel `tex` (opaque white without texture),
    // diffuse colour `dif` and depth z (0..1).
    inline void Pixel(int x, int y, uint32_t tex, uint32_t dif, float z) const {
        const RasterState& s = *st;
        uint32_t color;
        if (colorDisabled) {
            color = dif;
        } else {
            uint32_t c1 = Arg(s.colorArg1, tex, dif), c2 = Arg(s.colorArg2, tex, dif);
            uint32_t a1 = Arg(s.alphaArg1, tex, dif), a2 = Arg(s.alphaArg2, tex, dif);
            uint32_t r = Op(s.colorOp, Channel(c1, 2), Channel(c2, 2));
            uint32_t g = Op(s.colorOp, Channel(c1, 1), Channel(c2, 1));
            uint32_t b = Op(s.colorOp, Channel(c1, 0), Channel(c2, 0));
            uint32_t a = s.alphaOp == D3DTOP_DISABLE ? Channel(dif, 3) : Op(s.alphaOp, Channel(a1, 3), Channel(a2, 3));
            color = (a << 24) | (r << 16) | (g << 8) | b;
        }
        if (!Compare(alphaFunc, color >> 24, alphaRef)) return;
        uint32_t* dz = nullptr;
        uint32_t z24 = 0;
        if (depthOn && UINT(x) < depth->width && UINT(y) < depth->height) {
            dz = &depth->pixels[size_t(y) * depth->width + x];
            float zc = z > 0.0f ? (z < 1.0f ? z : 1.0f) : 0.0f;  // NaN reads as 0
            z24 = uint32_t(double(zc) * 16777215.0 + 0.5);  // 1.0 is 0xFFFFFF (in float the sum rounds up)
            if (!Compare(s.zFunc, z24, *dz)) return;
        }
        uint32_t* dp = &target->pixels[size_t(y) * target->width + x];
        uint32_t d = *dp;
        uint32_t out = color;
        if (s.alphaBlend) {
            uint32_t sa = color >> 24, da = targetAlpha ? d >> 24 : 255;
            out = 0;
            for (int i = 0; i < 4; ++i) {
                uint32_t sc = Channel(color, i), dc = Channel(d, i);
                uint32_t fs = BlendFactor(s.srcBlend, sc, sa, dc, da);
                uint32_t fd = BlendFactor(s.destBlend, sc, sa, dc, da);
                uint32_t v = std::min<uint32_t>(255, Div255(sc * fs + dc * fd));
                out |= v << (8 * i);
            }
        }
        if (s.colorWrite != 0xF) {
            uint32_t keep = 0;
            if (!(s.colorWrite & 1)) keep |= 0x00FF0000u;
            if (!(s.colorWrite & 2)) keep |= 0x0000FF00u;
            if (!(s.colorWrite & 4)) keep |= 0x000000FFu;
            if (!(s.colorWrite & 8)) keep |= 0xFF000000u;
            out = (out & ~keep) | (d & keep);
        }
        *dp = plain32 ? (targetAlpha ? out : out | 0xFF000000u) : Quantize(target->format, out);
        if (dz && s.zWrite) *dz = z24;
    }
};

bool SetupPipeline(const RasterState& st, Pipeline* p) {
    p->st = &st;
    p->target = st.target;
    p->depth = st.depth;
    if (!p->target || p->target->pixels.empty()) return false;
    const D3DVIEWPORT9& vp = st.viewport;
    p->clipX1 = LONG(vp.X);
    p->clipY1 = LONG(vp.Y);
    p->clipX2 = LONG(std::min<uint64_t>(uint64_t(vp.X) + vp.Width, p->target->width));
    p->clipY2 = LONG(std::min<uint64_t>(uint64_t(vp.Y) + vp.Height, p->target->height));
    if (p->clipX1 >= p->clipX2 || p->clipY1 >= p->clipY2) return false;
    p->zScale = vp.MaxZ - vp.MinZ;
    p->zBias = vp.MinZ;
    p->textured = st.texture != nullptr && !st.texture->levels.empty();
    if (!p->textured) {  // stage 0 without a texture reads opaque white (also in the fast span)
        static const uint32_t kWhite = 0xFFFFFFFFu;
        p->samp = Sampler{};
        p->samp.px = &kWhite;
    }
    p->depthOn = st.zEnable && st.depth != nullptr;
    p->alphaRef = st.alphaTest ? st.alphaRef : 0;
    p->alphaFunc = st.alphaTest ? st.alphaFunc : DWORD(D3DCMP_ALWAYS);
    p->colorDisabled = st.colorOp == D3DTOP_DISABLE;
    p->plain32 = p->target->format == D3DFMT_A8R8G8B8 || p->target->format == D3DFMT_X8R8G8B8;
    p->targetAlpha = HasAlpha(p->target->format);
    return true;
}

// Chooses the mip level and filter for a triangle from its texture-coordinate gradients
// (in texels of level 0 per pixel).
void SetupSampler(const RasterState& st, Pipeline* p, float dudx, float dvdx, float dudy, float dvdy,
                  float* scaleU, float* scaleV) {
    const TextureImpl* t = st.texture;
    float rho = std::max(std::sqrt(dudx * dudx + dvdx * dvdx), std::sqrt(dudy * dudy + dvdy * dvdy));
    bool minify = rho > 1.0f + 1e-6f;
    size_t level = 0;
    if (minify && st.mipFilter != D3DTEXF_NONE && t->levels.size() > 1) {
        // Nearest level (a LINEAR mip filter is treated as POINT).
        float lod = std::log2(rho);
        level = lod < 64.0f ? std::min<size_t>(t->levels.size() - 1, size_t(std::max(0.0f, std::floor(lod + 0.5f))))
                            : t->levels.size() - 1;
    }
    const PixelBuffer& b = t->levels[level]->buf;
    p->samp.px = b.pixels.data();
    p->samp.w = int(b.width);
    p->samp.h = int(b.height);
    p->samp.alphaOr = HasAlpha(b.format) ? 0 : 0xFF000000u;
    p->samp.linear = (minify ? st.minFilter : st.magFilter) == D3DTEXF_LINEAR;
    p->samp.addrU = st.addressU;
    p->samp.addrV = st.addressV;
    *scaleU = float(b.width);
    *scaleV = float(b.height);
}

// ---- Vertices after the transform.
struct ClipVertex {
    float x, y, z, w;
    float r, g, b, a;
    float u, v;
};

FW_INLINE ClipVertex Transform(const D3DMATRIX& m, const FvfVertex& in) {
    ClipVertex o;
    o.x = in.x * m._11 + in.y * m._21 + in.z * m._31 + m._41;
    o.y = in.x * m._12 + in.y * m._22 + in.z * m._32 + m._42;
    o.z = in.x * m._13 + in.y * m._23 + in.z * m._33 + m._43;
    o.w = in.x * m._14 + in.y * m._24 + in.z * m._34 + m._44;
    o.a = float(in.color >> 24);
    o.r = float((in.color >> 16) & 0xFF);
    o.g = float((in.color >> 8) & 0xFF);
    o.b = float(in.color & 0xFF);
    o.u = in.u;
    o.v = in.v;
    return o;
}

// In double precision: a corner far outside cut back to the guard band lands on it exactly
// enough, however far away it was.
ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, double t) {
    ClipVertex o;
    const float* pa = &a.x;
    const float* pb = &b.x;
    float* po = &o.x;
    for (int i = 0; i < 10; ++i) po[i] = float(pa[i] + (double(pb[i]) - pa[i]) * t);
    return o;
}

// Clip planes as distances that must be >= 0: z >= 0, w - z >= 0, and a guard band in x, y
// wide enough that screen positions stay far inside the fixed-point range.
constexpr float kGuard = 16.0f;
constexpr int kPlanes = 7;

FW_INLINE double PlaneDist(const ClipVertex& v, int plane) {
    const double w = v.w;
    switch (plane) {
    case 0: return v.z;
    case 1: return w - v.z;
    case 2: return kGuard * w + v.x;
    case 3: return kGuard * w - v.x;
    case 4: return kGuard * w + v.y;
    case 5: return kGuard * w - v.y;
    default: return w - 1e-6f;
    }
}

FW_INLINE bool Inside(const ClipVertex& v) {
    // With w = 1 (orthographic projections) the planes' sums are exact enough to compare in
    // single precision: the same answers, NaN outside.
    if (v.w == 1.0f)
        return v.z >= 0.0f && v.z <= 1.0f && v.x >= -kGuard && v.x <= kGuard && v.y >= -kGuard && v.y <= kGuard;
    for (int p = 0; p < kPlanes; ++p)
        if (!(PlaneDist(v, p) >= 0.0)) return false;  // NaN counts as outside
    return true;
}

// Screen-space vertex.
struct ScreenVertex {
    float x, y, z;
    float r, g, b, a;
    float u, v;
};

struct Viewport {
    float x, y, hw, hh, zScale, zBias;
};

FW_INLINE ScreenVertex ToScreen(const ClipVertex& c, const Viewport& vp) {
    const float iw = c.w == 1.0f ? 1.0f : 1.0f / c.w;  // orthographic projections need no division
    ScreenVertex s;
    s.x = vp.x + (1.0f + c.x * iw) * vp.hw;
    s.y = vp.y + (1.0f - c.y * iw) * vp.hh;
    s.z = vp.zBias + c.z * iw * vp.zScale;
    s.r = c.r, s.g = c.g, s.b = c.b, s.a = c.a, s.u = c.u, s.v = c.v;
    return s;
}

inline int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
// Whole pixels below or at, and at or above, a position in 1/16 pixel.
FW_INLINE int64_t Floor16(int64_t a) { return a >> 4; }
FW_INLINE int64_t Ceil16(int64_t a) { return -(-a >> 4); }

// For |x| < 4e18.
FW_INLINE int64_t FloorInRange(double x) {
    int64_t i = int64_t(x);
    return double(i) > x ? i - 1 : i;
}
FW_INLINE int64_t FloorToInt(double x) {
    if (!(std::fabs(x) < 4e18)) return 0;  // NaN or far out of range: any value will do
    return FloorInRange(x);
}

// Positions snapped to 1/16 pixel, and held within 2^25 pixels of the origin, so that edge and
// area products of differences stay inside 64 bits; the screen is never that large.
FW_INLINE int64_t SnapUnclamped(float v) { return FloorToInt(double(v) * 16.0 + 0.5); }
// For corners inside the guard band, whose positions are far from the limits.
FW_INLINE int64_t SnapInside(float v) { return FloorInRange(double(v) * 16.0 + 0.5); }
FW_INLINE int64_t ClampSnap(int64_t v) {
    constexpr int64_t kLimit = int64_t(1) << 29;
    return std::clamp<int64_t>(v, -kLimit, kLimit);
}
FW_INLINE int64_t Snap(float v) { return ClampSnap(SnapUnclamped(v)); }

// A texel coordinate in 32.32 fixed point, with the bias of 2^-16 texel that takes a pixel
// centre falling exactly on a texel edge (up to rounding) to the texel after the edge.
FW_INLINE int64_t StartFixed(double v) { return FloorToInt(v * 4294967296.0) + 65536; }

// The rows of a rectangle start in v at StartFixed(Vx + dvy * (float(row) - fy0)) (32.32 fixed
// point). When every step of that sum is exact, which this checks, the starts of consecutive
// rows differ by dvy * 2^32 exactly, and that step is returned; kNoStep otherwise.
//   float(row) - fy0 is exact for rows and fy0 (a multiple of 1/16) below 2^19: m / 16 with
//   |m| < 2^24. dvy = K / 2^32 and Vx = M / 2^36 with whole K, M: the product is K m / 2^36 and
//   the sum (M + K m) / 2^36, exact while |M| and |K m| stay below 2^52. Times 2^32 the start is
//   floor((M + K m) / 16) + 65536, and m grows by 16 a row: the start grows by K.
constexpr int64_t kNoStep = INT64_MIN;
inline int64_t ExactRowStep(double Vx, double dvy, float fy0, int64_t rowStart, int64_t rowEnd) {
    constexpr double k2_19 = 524288.0, k2_52 = 4503599627370496.0;
    const double K = dvy * 4294967296.0, M = Vx * 68719476736.0;
    if (!(std::fabs(fy0) < k2_19 && rowStart > -k2_19 && rowEnd < k2_19)) return kNoStep;
    if (!(std::fabs(K) < k2_52 && std::fabs(M) < k2_52)) return kNoStep;
    if (K != double(int64_t(K)) || M != double(int64_t(M))) return kNoStep;  // whole numbers
    const double mMax = 16.0 * std::max(std::fabs(double(rowStart) - fy0), std::fabs(double(rowEnd) - fy0));
    if (!(std::fabs(K) * mMax < k2_52)) return kNoStep;
    return int64_t(K);
}

// Colour channels interpolated in 16.16 fixed point (64-bit, so long spans cannot overflow).
FW_INLINE int64_t Fix16(double v) { return FloorToInt(v * 65536.0 + 0.5); }

inline uint32_t PackColor(float r, float g, float b, float a) {
    auto c = [](float v) { return v > 0.0f ? uint32_t(v < 255.0f ? v + 0.5f : 255.0f) : 0u; };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

constexpr int kSpanBatch = 64;

bool IsTexDif(DWORD a1, DWORD a2) {
    return ((a1 & 0xF) == D3DTA_TEXTURE && (a2 & 0xF) != D3DTA_TEXTURE) ||
           ((a2 & 0xF) == D3DTA_TEXTURE && (a1 & 0xF) != D3DTA_TEXTURE);
}

class TriangleRasterizer {
public:
    explicit TriangleRasterizer(const RasterState& st) : st_(st) {
        ok_ = SetupPipeline(st, &p_);
        const D3DVIEWPORT9& v = st.viewport;
        vp_ = Viewport{float(v.X), float(v.Y), float(v.Width) * 0.5f, float(v.Height) * 0.5f, v.MaxZ - v.MinZ, v.MinZ};
        // The fast path applies to the state as a whole; the sampler decides per triangle.
        const d3d9test::RasterPath path = Ctl().rasterPath;
        fastState_ = ok_ && path != d3d9test::RasterPath::General && p_.plain32 && !p_.depthOn &&
                     st.colorWrite == 0xF && (st.colorOp == D3DTOP_MODULATE || st.colorOp == D3DTOP_ADD) &&
                     IsTexDif(st.colorArg1, st.colorArg2) && st.alphaOp == D3DTOP_MODULATE &&
                     IsTexDif(st.alphaArg1, st.alphaArg2) &&
                     (!st.alphaTest || st.alphaFunc == D3DCMP_GREATEREQUAL || st.alphaFunc == D3DCMP_ALWAYS) &&
                     (!st.alphaBlend || (st.srcBlend == D3DBLEND_SRCALPHA &&
                                         (st.destBlend == D3DBLEND_INVSRCALPHA || st.destBlend == D3DBLEND_ONE)));
        if (fastState_) {
            fastBlend_ = !st.alphaBlend ? SpanBlend::None
                         : st.destBlend == D3DBLEND_ONE ? SpanBlend::One
                                                        : SpanBlend::InvSrcAlpha;
            fastRef_ = (st.alphaTest && st.alphaFunc == D3DCMP_GREATEREQUAL) ? st.alphaRef : 0;
            kernels_ = &KernelsOfPath();
            quadSpans_ = st.cullMode == D3DCULL_NONE;
            prefetchAhead_ = p_.target->pixels.size() >= (size_t(1) << 20);  // larger than caches hold
            const D3DMATRIX& m = st.transform;
            affine_ = m._14 == 0.0f && m._24 == 0.0f && m._34 == 0.0f && m._44 == 1.0f;
            if (p_.textured) {
                texW0_ = float(st.texture->levels[0]->buf.width);
                texH0_ = float(st.texture->levels[0]->buf.height);
            }
        }
    }

    bool Ok() const { return ok_; }

    // Asks the cache for the target rows of a quad with opposite corners a and c, some quads
    // before it is drawn, so that the rows of a target larger than the cache arrive in time.
    // A hint only: the quad need not be upright or visible.
    void PrefetchQuad(const FvfVertex& a, const FvfVertex& c) const {
        if (!prefetchAhead_) return;
        const D3DMATRIX& m = st_.transform;
        auto sx = [&](const FvfVertex& v) {
            return vp_.x + (1.0f + (v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41)) * vp_.hw;
        };
        auto sy = [&](const FvfVertex& v) {
            return vp_.y + (1.0f - (v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42)) * vp_.hh;
        };
        const float xa = sx(a), xc = sx(c), ya = sy(a), yc = sy(c);
        const float x0 = std::min(xa, xc), x1 = std::max(xa, xc), y0 = std::min(ya, yc), y1 = std::max(ya, yc);
        if (!(x0 >= float(p_.clipX1) && x1 < float(p_.clipX2) && y0 >= float(p_.clipY1) && y1 < float(p_.clipY2) &&
              y1 - y0 < 32.0f))
            return;
        const size_t pitch = p_.target->width;
        const uint32_t* row = &p_.target->pixels[size_t(y0) * pitch];
        for (int r = int(y0); r <= int(y1); ++r, row += pitch) {
            __builtin_prefetch(row + int(x0), 1);
            __builtin_prefetch(row + int(x1), 1);
        }
    }

    // ---- Draw calls of upright quads (a 2D engine's sprites and rectangles) under a transform
    // that scales and moves x and y apart. What holds for the whole call is checked once, by
    // StartBatch. BatchQuad then takes each quad of one colour whose corners lie on two rows or
    // two columns as given, from two of its corners straight to what QuadSpans works out for
    // it, and keeps it for a spans call that draws several; Flush draws what is kept, and must
    // come before anything else is drawn.

    // Whether the draw call may go through BatchQuad.
    bool StartBatch() {
        const D3DMATRIX& m = st_.transform;
        if (!fastState_ || !quadSpans_ || !affine_ || m._12 != 0.0f || m._13 != 0.0f || m._21 != 0.0f ||
            m._23 != 0.0f)
            return false;
        // Depths of corners inside the clip volume stay numbers.
        if (!std::isfinite(vp_.zScale) || !std::isfinite(vp_.zBias)) return false;
        // Corners inside the guard band snap far inside the clamp of Snap, and their rows and
        // columns within the range of ExactRowStep.
        constexpr float kFar = 262144.0f;
        if (!(std::fabs(vp_.x) + 17.0f * std::fabs(vp_.hw) < kFar &&
              std::fabs(vp_.y) + 17.0f * std::fabs(vp_.hh) < kFar && p_.clipX2 < LONG(kFar) && p_.clipY2 < LONG(kFar)))
            return false;
        Pipeline p = p_;
        if (p_.textured) {
            // One level and point sampling whatever the quads' gradients, as SetupSampler
            // chooses them.
            if (!(st_.texture->levels.size() == 1 || st_.mipFilter == D3DTEXF_NONE) ||
                st_.minFilter == D3DTEXF_LINEAR || st_.magFilter == D3DTEXF_LINEAR)
                return false;
            SetupSampler(st_, &p, 0, 0, 0, 0, &batchScale_[0], &batchScale_[1]);
            if (p.samp.addrU != D3DTADDRESS_WRAP || p.samp.addrV != D3DTADDRESS_WRAP ||
                (p.samp.w & (p.samp.w - 1)) != 0 || (p.samp.h & (p.samp.h - 1)) != 0)
                return false;
        }
        batchSampler_ = p.samp;
        batchSpans_ = SamplerSpans(batchSampler_, p_.targetAlpha);
        // KindOf depends on the colour only by whether it is white and whether it is opaque.
        const uint32_t examples[4] = {0x00000000u, 0, 0xFF000000u, 0xFFFFFFFFu};
        for (int i : {0, 2, 3}) kinds_[i] = KindOf(examples[i], batchSpans_.alphaOr);
        quadSetup_ = kernels_->quadSetup;
        QuadBatchConsts& q = quadConsts_;
        q.m11 = m._11, q.m21 = m._21, q.m31 = m._31, q.m41 = m._41;
        q.m12 = m._12, q.m22 = m._22, q.m32 = m._32, q.m42 = m._42;
        q.m13 = m._13, q.m23 = m._23, q.m33 = m._33, q.m43 = m._43;
        q.vpx = vp_.x, q.vpy = vp_.y, q.hw = vp_.hw, q.hh = vp_.hh;
        q.clipX1 = p_.clipX1, q.clipY1 = p_.clipY1, q.clipX2 = p_.clipX2, q.clipY2 = p_.clipY2;
        q.textured = p_.textured;
        q.su = batchScale_[0], q.sv = batchScale_[1];
        return true;
    }

    // Quads of the batch whose four vertices each start at first[i] (i < count <=
    // kQuadSetupMax), one after another as BatchQuad takes them, up to the first it does not
    // take: how many it took.
    int BatchQuads(const FvfVertex* verts, const int32_t* first, int count) {
        if (!quadSetup_) {
            for (int i = 0; i < count; ++i) {
                const FvfVertex* q = verts + first[i];
                if (!BatchQuad(q[0], q[1], q[2], q[3])) return i;
            }
            return count;
        }
        static_assert(sizeof(FvfVertex) == kVertexWords * 4 && offsetof(FvfVertex, color) == 12 &&
                      offsetof(FvfVertex, u) == 16);
        int32_t words[kQuadSetupMax];
        for (int i = 0; i < kQuadSetupMax; ++i) words[i] = first[i < count ? i : count - 1] * kVertexWords;
        quadSetup_(quadConsts_, verts, words, count, &setups_);
        const QuadSetups& o = setups_;
        uint32_t* const pixels = p_.target->pixels.data();
        const size_t pitch = p_.target->width;
        for (int i = 0; i < count; ++i) {
            const int outcome = int(o.outcome[i]);
            if (outcome == kQuadEmpty) continue;
            if (outcome != kQuadRect) return i;
            RectQuad& rq = batched_[batchedCount_];
            const uint32_t col = verts[first[i]].color;
            rq.dst = pixels + size_t(o.rowStart[i]) * pitch + size_t(o.xs[i]);
            rq.n = int(o.n[i]);
            rq.rows = int(o.rows[i]);
            rq.U = int64_t(o.U[i]) + 65536;
            rq.V0 = int64_t(o.V0[i]) + 65536;
            rq.vStep = int64_t(o.vStep[i]);
            rq.dU = int64_t(o.dU[i]);
            rq.dV = int64_t(o.dV[i]);
            rq.color = col;
            KeepRect(KindIndex(col));
        }
        return count;
    }

    bool BatchQuad(const FvfVertex& a, const FvfVertex& b, const FvfVertex& c, const FvfVertex& d) {
        const uint32_t col = a.color;
        if (b.color != col || c.color != col || d.color != col) return false;
        // One depth, and b and d where a and c put them: on the rows of a and c, or on their
        // columns.
        if (!(a.z == b.z && a.z == c.z && a.z == d.z)) return false;
        const bool rows = a.y == b.y && c.y == d.y && a.x == d.x && b.x == c.x;
        if (!rows && !(a.x == b.x && c.x == d.x && a.y == d.y && b.y == c.y)) return false;
        if (b.u + d.u != a.u + c.u || b.v + d.v != a.v + c.v) return false;
        // Transform, Inside and ToScreen of a and c, as QuadSpans does them. x depends on the
        // corners' x and z alone, y on their y and z, z on their z: b and d, with finite
        // coordinates where those of a and c are, land where a and c put them (up to the sign of
        // a zero), inside as well.
        const D3DMATRIX& m = st_.transform;
        const float xa = a.x * m._11 + a.y * m._21 + a.z * m._31 + m._41;
        const float ya = a.x * m._12 + a.y * m._22 + a.z * m._32 + m._42;
        const float za = a.x * m._13 + a.y * m._23 + a.z * m._33 + m._43;
        const float xc = c.x * m._11 + c.y * m._21 + c.z * m._31 + m._41;
        const float yc = c.x * m._12 + c.y * m._22 + c.z * m._32 + m._42;
        if (!(std::fabs(xa) <= kGuard && std::fabs(ya) <= kGuard && std::fabs(xc) <= kGuard &&
              std::fabs(yc) <= kGuard && za >= 0.0f && za <= 1.0f))
            return false;
        const int64_t x0 = SnapInside(vp_.x + (1.0f + xa) * vp_.hw), y0 = SnapInside(vp_.y + (1.0f - ya) * vp_.hh);
        int64_t x2 = SnapInside(vp_.x + (1.0f + xc) * vp_.hw), y2 = SnapInside(vp_.y + (1.0f - yc) * vp_.hh);
        if (x0 == x2 || y0 == y2) return false;
        // The corners' depths are one number: they lie on a plane. The rest as QuadSpans.
        int64_t x1 = rows ? x2 : x0, y1 = rows ? y0 : y2;
        const FvfVertex* v1 = &b;
        const FvfVertex* v2 = &c;
        const int64_t rectLo = std::max<int64_t>(Ceil16(std::min(x0, x2)), p_.clipX1);
        const int64_t rectHi = std::min<int64_t>(Ceil16(std::max(x0, x2)) - 1, int64_t(p_.clipX2) - 1);
        const int64_t rowStart = std::max<int64_t>(Ceil16(std::min(y0, y2)), p_.clipY1);
        const int64_t rowEnd = std::min<int64_t>(Ceil16(std::max(y0, y2)) - 1, p_.clipY2 - 1);
        if (rectLo > rectHi || rowStart > rowEnd) return true;
        if ((x1 - x0) * (y2 - y0) < (x2 - x0) * (y1 - y0)) {  // the area's sign
            std::swap(v1, v2);
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const float fx0 = float(x0) / 16.0f, fy0 = float(y0) / 16.0f;
        double dux = 0, duy = 0, dvx = 0, dvy = 0, U0 = 0, V0 = 0;
        if (p_.textured) {
            TexelPlanes(x0, y0, x1, y1, x2, y2, a, *v1, *v2, batchScale_[0], batchScale_[1], &U0, &V0, &dux, &duy,
                        &dvx, &dvy);
        }
        if (duy != 0.0) return false;
        RectQuad& rq = batched_[batchedCount_];
        RectPlan plan;
        const int kind = KindIndex(col);
        plan.kind = kinds_[kind];
        SetupRect(&rq, &plan, col, rowStart, rowEnd, rectLo, rectHi, fx0, fy0, U0, V0, dux, duy, dvx, dvy);
        if (rq.rows > kRectRowsMax || (rq.vStep = ExactRowStep(plan.Vx, dvy, fy0, rowStart, rowEnd)) == kNoStep) {
            Flush();
            DrawRect(rq, plan, &batchSpans_);
            return true;
        }
        rq.V0 = StartFixed(plan.Vx + dvy * (float(rowStart) - fy0));
        KeepRect(kind);
        return true;
    }

    FW_INLINE void Flush() {
        if (batchedCount_ > 0) DrawKept(batchedCount_);
    }

private:
    // KindOf's index in kinds_ for a colour.
    static int KindIndex(uint32_t col) { return (col == 0xFFFFFFFFu) | (col >> 24 == 255) << 1; }

    // Keeps the rectangle of kinds_[kind] worked out in batched_[batchedCount_], and draws the
    // oldest once kBatchMax are kept. In a target larger than the caches the cache is asked for
    // its rows now, and the last kAhead kept wait while they arrive.
    FW_INLINE void KeepRect(int kind) {
        const RectQuad& rq = batched_[batchedCount_];
        batchedKinds_[batchedCount_] = uint8_t(kind);
        if (prefetchAhead_) {
            const size_t pitch = p_.target->width;
            const uint32_t* row = rq.dst;
            for (int j = 0; j < rq.rows; ++j, row += pitch) {
                __builtin_prefetch(row, 1);
                __builtin_prefetch(row + rq.n - 1, 1);
            }
        }
        if (++batchedCount_ == kBatchMax) DrawKept(prefetchAhead_ ? kBatchMax - kAhead : kBatchMax);
    }

    // Draws the first `count` rectangles kept, those of one kind in one call, and keeps the rest.
    void DrawKept(int count) {
        const size_t pitch = p_.target->width;
        for (int i = 0; i < count;) {
            const int kind = batchedKinds_[i];
            int j = i + 1;
            while (j < count && batchedKinds_[j] == kind) ++j;
            batchSpans_.ref = kinds_[kind].ref;
            batchSpans_.rowsRepeat = kinds_[kind].rowsRepeat;
            kinds_[kind].fn(batchSpans_, pitch, &batched_[i], j - i);
            i = j;
        }
        batchedCount_ -= count;
        for (int i = 0; i < batchedCount_; ++i)
            batched_[i] = batched_[count + i], batchedKinds_[i] = batchedKinds_[count + i];
    }

public:
    // Upright quads of one colour with point sampling (sprites, rectangles), from their
    // vertices straight to the rectangle spans: what DrawQuad and Raster work out for them,
    // with less work. False, with nothing drawn, for any other quad.
    bool QuadSpans(const FvfVertex& a, const FvfVertex& b, const FvfVertex& c, const FvfVertex& d) {
        const uint32_t col = a.color;
        if (!quadSpans_ || b.color != col || c.color != col || d.color != col) return false;
        // Transform (w = 1 only), Inside, ToScreen and the snap of DrawQuad.
        const FvfVertex* q[4] = {&a, &b, &c, &d};
        const D3DMATRIX& m = st_.transform;
        float sx[4], sy[4], sz[4];
        int64_t X[4], Y[4];
        for (int i = 0; i < 4; ++i) {
            const FvfVertex& in = *q[i];
            // With the last column (0, 0, 0, 1) w is 1 for finite corners, and any other corner
            // makes x, y and z NaN or infinite, outside.
            if (!affine_) {
                const float w = in.x * m._14 + in.y * m._24 + in.z * m._34 + m._44;
                if (w != 1.0f) return false;
            }
            const float x = in.x * m._11 + in.y * m._21 + in.z * m._31 + m._41;
            const float y = in.x * m._12 + in.y * m._22 + in.z * m._32 + m._42;
            const float z = in.x * m._13 + in.y * m._23 + in.z * m._33 + m._43;
            if (!(std::fabs(x) <= kGuard && std::fabs(y) <= kGuard && z >= 0.0f && z <= 1.0f)) return false;
            sx[i] = vp_.x + (1.0f + x) * vp_.hw;
            sy[i] = vp_.y + (1.0f - y) * vp_.hh;
            sz[i] = vp_.zBias + z * vp_.zScale;
            X[i] = SnapInside(sx[i]), Y[i] = SnapInside(sy[i]);
        }
        const bool rows = Y[0] == Y[1] && Y[2] == Y[3] && X[0] == X[3] && X[1] == X[2];
        const bool cols = X[0] == X[1] && X[2] == X[3] && Y[0] == Y[3] && Y[1] == Y[2];
        if (!(rows || cols) || X[0] == X[2] || Y[0] == Y[2]) return false;
        // Planes through the corners (the colour is one).
        if (sz[1] + sz[3] != sz[0] + sz[2] || b.u + d.u != a.u + c.u || b.v + d.v != a.v + c.v) return false;

        // Raster with the rectangle, for a flat colour and the spans.
        const int64_t x0 = ClampSnap(X[0]), y0 = ClampSnap(Y[0]);
        int64_t x1 = ClampSnap(X[1]), y1 = ClampSnap(Y[1]), x2 = ClampSnap(X[2]), y2 = ClampSnap(Y[2]);
        const int64_t area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
        if (area == 0) return true;
        const FvfVertex* v1 = &b;
        const FvfVertex* v2 = &c;
        if (area < 0) {
            std::swap(v1, v2);
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const int64_t rowStart = std::max<int64_t>(Ceil16(std::min(Y[0], Y[2])), p_.clipY1);
        const int64_t rowEnd = std::min<int64_t>(Ceil16(std::max(Y[0], Y[2])) - 1, p_.clipY2 - 1);
        const int64_t rectLo = std::max<int64_t>(Ceil16(std::min(X[0], X[2])), p_.clipX1);
        const int64_t rectHi = std::min<int64_t>(Ceil16(std::max(X[0], X[2])) - 1, int64_t(p_.clipX2) - 1);
        if (rectLo > rectHi || rowStart > rowEnd) return true;
        const float fx0 = float(x0) / 16.0f, fy0 = float(y0) / 16.0f;
        double dux = 0, duy = 0, dvx = 0, dvy = 0, U0 = 0, V0 = 0;
        if (p_.textured) {
            const float ex1 = float(x1 - x0) / 16.0f, ey1 = float(y1 - y0) / 16.0f;
            const float ex2 = float(x2 - x0) / 16.0f, ey2 = float(y2 - y0) / 16.0f;
            const float inv = 1.0f / (ex1 * ey2 - ex2 * ey1);
            auto grad = [&](float a0, float a1, float a2, float* dx, float* dy) {
                float d1 = a1 - a0, d2 = a2 - a0;
                *dx = (d1 * ey2 - d2 * ey1) * inv;
                *dy = (d2 * ex1 - d1 * ex2) * inv;
            };
            float g[4];
            grad(a.u * texW0_, v1->u * texW0_, v2->u * texW0_, &g[0], &g[2]);
            grad(a.v * texH0_, v1->v * texH0_, v2->v * texH0_, &g[1], &g[3]);
            if (!SamplerKept(g)) {
                SetupSampler(st_, &p_, g[0], g[1], g[2], g[3], &samplerScale_[0], &samplerScale_[1]);
                std::memcpy(samplerKey_, g, sizeof g);
                samplerSet_ = true;
            }
            if (p_.samp.linear || p_.samp.addrU != D3DTADDRESS_WRAP || p_.samp.addrV != D3DTADDRESS_WRAP ||
                (p_.samp.w & (p_.samp.w - 1)) != 0 || (p_.samp.h & (p_.samp.h - 1)) != 0)
                return false;
            TexelPlanes(x0, y0, x1, y1, x2, y2, a, *v1, *v2, samplerScale_[0], samplerScale_[1], &U0, &V0, &dux,
                        &duy, &dvx, &dvy);
        }
        if (duy != 0.0) return false;  // u starts differently in each row
        SpanParams sp = SamplerSpans(p_.samp, p_.targetAlpha);
        RectQuad rq;
        RectPlan plan;
        plan.kind = KindOf(col, sp.alphaOr);
        SetupRect(&rq, &plan, col, rowStart, rowEnd, rectLo, rectHi, fx0, fy0, U0, V0, dux, duy, dvx, dvy);
        DrawRect(rq, plan, &sp);
        return true;
    }

private:
    // How a rectangle of one colour is drawn: the kernels of its blend and mode, and the spans'
    // arguments that go with them.
    struct RectKind {
        RectsFn fn;
        RectFn rectFn;
        uint32_t ref;
        bool rowsRepeat;
    };

    RectKind KindOf(uint32_t col, uint32_t alphaOr) const {
        RectKind kind;
        const int mode = st_.colorOp == D3DTOP_ADD ? kAdd : (col != 0xFFFFFFFFu ? kModulate : kTexel);
        const SpanBlend blend = BlendFor(mode, col, alphaOr, &kind.ref);
        kind.rowsRepeat = blend == SpanBlend::None && kind.ref == 0;
        kind.fn = kernels_->rects[int(blend)][mode];
        kind.rectFn = kernels_->rect[int(blend)][mode];
        return kind;
    }

    // The texel planes U0 + dux x + duy y and V0 + dvx x + dvy y of a triangle with corners
    // (x0, y0), (x1, y1), (x2, y2) in 1/16 pixels and vertices a, v1, v2, x and y counted from
    // the first corner; the texture coordinates scaled by (su, sv).
    static void TexelPlanes(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                            const FvfVertex& a, const FvfVertex& v1, const FvfVertex& v2, float su, float sv,
                            double* U0, double* V0, double* dux, double* duy, double* dvx, double* dvy) {
        const double dx1 = double(x1 - x0) / 16.0, dy1 = double(y1 - y0) / 16.0;
        const double dx2 = double(x2 - x0) / 16.0, dy2 = double(y2 - y0) / 16.0;
        const double id = 1.0 / (dx1 * dy2 - dx2 * dy1);
        auto gradD = [&](double a0, double a1, double a2, double* dx, double* dy) {
            double d1 = a1 - a0, d2 = a2 - a0;
            *dx = (d1 * dy2 - d2 * dy1) * id;
            *dy = (d2 * dx1 - d1 * dx2) * id;
        };
        *U0 = double(a.u) * su, *V0 = double(a.v) * sv;
        gradD(*U0, double(v1.u) * su, double(v2.u) * su, dux, duy);
        gradD(*V0, double(v1.v) * sv, double(v2.v) * sv, dvx, dvy);
    }

    // What drawing a rectangle needs beside its RectQuad.
    struct RectPlan {
        RectKind kind;
        double Vx, dvy;  // texel v of the first column at fy0, and its change per row
        float fy0;
        int64_t rowStart, rowEnd;
    };

    // Works out the rectangle [rectLo, rectHi] x [rowStart, rowEnd] of colour col with the
    // texel planes U0 + dux x + duy y, V0 + dvx x + dvy y (x, y from (fx0, fy0), duy zero): all
    // but plan->kind, which holds already, and rq's V0 and vStep.
    void SetupRect(RectQuad* rq, RectPlan* plan, uint32_t col, int64_t rowStart, int64_t rowEnd, int64_t rectLo,
                   int64_t rectHi, float fx0, float fy0, double U0, double V0, double dux, double duy, double dvx,
                   double dvy) const {
        rq->dU = FloorToInt(dux * 4294967296.0 + 0.5);
        rq->dV = FloorToInt(dvx * 4294967296.0 + 0.5);
        rq->color = col;
        const int xs = int(rectLo);
        rq->n = int(rectHi - rectLo + 1);
        rq->rows = int(std::min<int64_t>(rowEnd - rowStart + 1, INT32_MAX));
        const float ox = float(xs) - fx0;
        rq->U = StartFixed(U0 + dux * ox + duy * (float(rowStart) - fy0));
        rq->dst = &p_.target->pixels[size_t(rowStart) * p_.target->width + xs];
        plan->Vx = V0 + dvx * ox;
        plan->dvy = dvy;
        plan->fy0 = fy0;
        plan->rowStart = rowStart;
        plan->rowEnd = rowEnd;
    }

    // Draws a rectangle SetupRect worked out, with the sampler's spans' arguments sp, in calls
    // of up to kRectRowsMax rows.
    void DrawRect(const RectQuad& rq, const RectPlan& plan, SpanParams* sp) const {
        sp->dU = rq.dU;
        sp->dV = rq.dV;
        sp->color = rq.color;
        sp->ref = plan.kind.ref;
        sp->rowsRepeat = plan.kind.rowsRepeat;
        const size_t pitch = p_.target->width;
        uint32_t* dst = rq.dst;
        int64_t V[kRectRowsMax];
        const int64_t step = ExactRowStep(plan.Vx, plan.dvy, plan.fy0, plan.rowStart, plan.rowEnd);
        for (int64_t py = plan.rowStart; py <= plan.rowEnd;) {
            const int count = int(std::min<int64_t>(kRectRowsMax, plan.rowEnd - py + 1));
            if (step != kNoStep) {
                int64_t v = StartFixed(plan.Vx + plan.dvy * (float(py) - plan.fy0));
                for (int j = 0; j < count; ++j, v += step) V[j] = v;
            } else {
                for (int j = 0; j < count; ++j) V[j] = StartFixed(plan.Vx + plan.dvy * (float(py + j) - plan.fy0));
            }
            for (int j = 0; j < count; ++j) {
                __builtin_prefetch(dst + pitch * j, 1);
                __builtin_prefetch(dst + pitch * j + rq.n - 1, 1);
            }
            plan.kind.rectFn(*sp, RectRows{dst, pitch, rq.n, count, rq.U, V});
            py += count;
            dst += pitch * count;
        }
    }

public:
    // Two triangles (a, b, c) and (c, d, a) that make one axis-aligned rectangle on screen with
    // attributes varying linearly across it are drawn as that rectangle, in full-width spans.
    // False (nothing drawn) when they do not.
    bool DrawQuad(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipVertex& d) {
        if (st_.cullMode != D3DCULL_NONE || !Inside(a) || !Inside(b) || !Inside(c) || !Inside(d)) return false;
        ScreenVertex s[4] = {ToScreen(a, vp_), ToScreen(b, vp_), ToScreen(c, vp_), ToScreen(d, vp_)};
        int64_t X[4], Y[4];
        for (int i = 0; i < 4; ++i) X[i] = SnapInside(s[i].x), Y[i] = SnapInside(s[i].y);
        bool rows = Y[0] == Y[1] && Y[2] == Y[3] && X[0] == X[3] && X[1] == X[2];
        bool cols = X[0] == X[1] && X[2] == X[3] && Y[0] == Y[3] && Y[1] == Y[2];
        if (!(rows || cols) || X[0] == X[2] || Y[0] == Y[2]) return false;
        const float* f0 = &s[0].z;
        const float* f1 = &s[1].z;
        const float* f2 = &s[2].z;
        const float* f3 = &s[3].z;
        for (int k = 0; k < 7; ++k)  // z, colour, u, v: the fourth corner lies on the plane of the others
            if (f1[k] + f3[k] != f0[k] + f2[k]) return false;
        int64_t rect[4] = {std::min(X[0], X[2]), std::min(Y[0], Y[2]), std::max(X[0], X[2]), std::max(Y[0], Y[2])};
        const int64_t snapped[6] = {ClampSnap(X[0]), ClampSnap(Y[0]), ClampSnap(X[1]),
                                    ClampSnap(Y[1]), ClampSnap(X[2]), ClampSnap(Y[2])};
        Raster(s[0], s[1], s[2], rect, snapped);
        return true;
    }

    void Draw(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
        if (Inside(a) && Inside(b) && Inside(c)) {
            Raster(ToScreen(a, vp_), ToScreen(b, vp_), ToScreen(c, vp_));
            return;
        }
        // Wholly beyond one side of the guard band: nothing of it reaches the viewport.
        for (int p = 2; p <= 5; ++p)
            if (PlaneDist(a, p) < 0.0 && PlaneDist(b, p) < 0.0 && PlaneDist(c, p) < 0.0) return;
        // Sutherland-Hodgman against each plane, then a fan.
        ClipVertex buf1[16], buf2[16];
        ClipVertex* in = buf1;
        ClipVertex* out = buf2;
        int n = 3;
        in[0] = a, in[1] = b, in[2] = c;
        for (int p = 0; p < kPlanes && n > 0; ++p) {
            int m = 0;
            for (int i = 0; i < n; ++i) {
                const ClipVertex& s = in[i];
                const ClipVertex& e = in[i + 1 == n ? 0 : i + 1];
                double ds = PlaneDist(s, p), de = PlaneDist(e, p);
                bool si = ds >= 0.0, ei = de >= 0.0;
                if (si) out[m++] = s;
                if (si != ei && m < 15) {
                    double t = ds / (ds - de);
                    if (std::isfinite(t)) out[m++] = Lerp(s, e, t);
                }
            }
            std::swap(in, out);
            n = m;
        }
        if (n < 3) return;
        ScreenVertex s0 = ToScreen(in[0], vp_);
        for (int i = 1; i + 1 < n; ++i) Raster(s0, ToScreen(in[i], vp_), ToScreen(in[i + 1], vp_));
    }

private:
    // rect (x min, y min, x max, y max in 1/16 pixel), when given, is an axis-aligned rectangle
    // whose attribute planes the triangle defines: it replaces the triangle's edges.
    // snapped, when given, holds the corners' positions as Snap gives them (x0, y0, x1 ... y2).
    void Raster(ScreenVertex v0, ScreenVertex v1, ScreenVertex v2, const int64_t* rect = nullptr,
                const int64_t* snapped = nullptr) {
        int64_t x0, y0, x1, y1, x2, y2;
        if (snapped) {
            x0 = snapped[0], y0 = snapped[1], x1 = snapped[2], y1 = snapped[3], x2 = snapped[4], y2 = snapped[5];
        } else {
            x0 = Snap(v0.x), y0 = Snap(v0.y), x1 = Snap(v1.x), y1 = Snap(v1.y), x2 = Snap(v2.x), y2 = Snap(v2.y);
        }
        int64_t area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
        if (area == 0) return;
        // Screen y grows downward: a positive area is clockwise as seen.
        if (!rect && st_.cullMode == D3DCULL_CCW && area < 0) return;
        if (!rect && st_.cullMode == D3DCULL_CW && area > 0) return;
        if (area < 0) {
            std::swap(v1, v2);
            std::swap(x1, x2);
            std::swap(y1, y2);
            area = -area;
        }
        const int64_t X[3] = {x0, x1, x2}, Y[3] = {y0, y1, y2};

        // Row range: centres inside the bounding box and the scissor.
        int64_t minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
        int64_t rowStart = std::max<int64_t>(Ceil16(minY), p_.clipY1);
        int64_t rowEnd = std::min<int64_t>(Floor16(maxY), p_.clipY2 - 1);
        int64_t rectLo = 0, rectHi = -1;
        if (rect) {  // top and left edges in, bottom and right out
            rowStart = std::max<int64_t>(Ceil16(rect[1]), p_.clipY1);
            rowEnd = std::min<int64_t>(Ceil16(rect[3]) - 1, p_.clipY2 - 1);
            rectLo = std::max<int64_t>(Ceil16(rect[0]), p_.clipX1);
            rectHi = std::min<int64_t>(Ceil16(rect[2]) - 1, int64_t(p_.clipX2) - 1);
            if (rectLo > rectHi) return;
        }
        if (rowStart > rowEnd) return;
        // No pixel centre of the bounding box inside the scissor's columns.
        if (!rect && (Ceil16(std::min({x0, x1, x2})) >= int64_t(p_.clipX2) ||
                      Floor16(std::max({x0, x1, x2})) < p_.clipX1))
            return;

        // Attribute planes over the snapped positions.
        const float fx0 = float(x0) / 16.0f, fy0 = float(y0) / 16.0f;
        const float ex1 = float(x1 - x0) / 16.0f, ey1 = float(y1 - y0) / 16.0f;
        const float ex2 = float(x2 - x0) / 16.0f, ey2 = float(y2 - y0) / 16.0f;
        const float inv = 1.0f / (ex1 * ey2 - ex2 * ey1);
        auto grad = [&](float a0, float a1, float a2, float* dx, float* dy) {
            float d1 = a1 - a0, d2 = a2 - a0;
            *dx = (d1 * ey2 - d2 * ey1) * inv;
            *dy = (d2 * ex1 - d1 * ex2) * inv;
        };
        bool flat = v0.r == v1.r && v0.r == v2.r && v0.g == v1.g && v0.g == v2.g && v0.b == v1.b && v0.b == v2.b &&
                    v0.a == v1.a && v0.a == v2.a;
        float drx = 0, dry = 0, dgx = 0, dgy = 0, dbx = 0, dby = 0, dax = 0, day = 0;
        if (!flat) {
            grad(v0.r, v1.r, v2.r, &drx, &dry);
            grad(v0.g, v1.g, v2.g, &dgx, &dgy);
            grad(v0.b, v1.b, v2.b, &dbx, &dby);
            grad(v0.a, v1.a, v2.a, &dax, &day);
        }
        // Texture coordinates in texels of the sampled level, evaluated in double precision.
        float su = 1, sv = 1;
        double dux = 0, duy = 0, dvx = 0, dvy = 0, U0 = 0, V0 = 0;
        const double dx1 = double(x1 - x0) / 16.0, dy1 = double(y1 - y0) / 16.0;
        const double dx2 = double(x2 - x0) / 16.0, dy2 = double(y2 - y0) / 16.0;
        auto gradD = [&, id = 1.0 / (dx1 * dy2 - dx2 * dy1)](double a0, double a1, double a2, double* dx, double* dy) {
            double d1 = a1 - a0, d2 = a2 - a0;
            *dx = (d1 * dy2 - d2 * dy1) * id;
            *dy = (d2 * dx1 - d1 * dx2) * id;
        };
        if (p_.textured) {
            const PixelBuffer& l0 = st_.texture->levels[0]->buf;
            float w0 = float(l0.width), h0 = float(l0.height);
            float g[4];
            grad(v0.u * w0, v1.u * w0, v2.u * w0, &g[0], &g[2]);
            grad(v0.v * h0, v1.v * h0, v2.v * h0, &g[1], &g[3]);
            // Quads of one size and texture share the sampler's choice.
            if (!SamplerKept(g)) {
                SetupSampler(st_, &p_, g[0], g[1], g[2], g[3], &samplerScale_[0], &samplerScale_[1]);
                std::memcpy(samplerKey_, g, sizeof g);
                samplerSet_ = true;
            }
            su = samplerScale_[0], sv = samplerScale_[1];
            U0 = double(v0.u) * su, V0 = double(v0.v) * sv;
            gradD(U0, double(v1.u) * su, double(v2.u) * su, &dux, &duy);
            gradD(V0, double(v1.v) * sv, double(v2.v) * sv, &dvx, &dvy);
        }
        const uint32_t flatColor = PackColor(v0.r, v0.g, v0.b, v0.a);

        // Fast path for this triangle?
        // Interpolated colours go the fast way too when they are modulated.
        const bool gouraud = !flat;
        bool fast = fastState_ && (flat || st_.colorOp == D3DTOP_MODULATE) && p_.samp.addrU == D3DTADDRESS_WRAP &&
                    p_.samp.addrV == D3DTADDRESS_WRAP && (p_.samp.w & (p_.samp.w - 1)) == 0 &&
                    (p_.samp.h & (p_.samp.h - 1)) == 0;
        const int fastMode = st_.colorOp == D3DTOP_ADD ? 2 : (flatColor != 0xFFFFFFFFu ? 1 : 0);

        // Edges a -> b with inside where E > 0; a pixel on an edge belongs to the triangle
        // when the edge is a top edge (horizontal, interior below) or a left edge.
        struct Edge {
            int64_t dx, dy, ax, ay, bias;
            // floor(c / den) stepped from row to row: c grows by 16 dx per row.
            int64_t den, q, r, qi, ri;
            int64_t c0;  // c of a horizontal edge, stepped from row to row
        } edges[3];
        for (int i = 0; i < 3 && !rect; ++i) {
            int j = (i + 1) % 3;
            Edge& e = edges[i];
            e.dx = X[j] - X[i];
            e.dy = Y[j] - Y[i];
            e.ax = X[i];
            e.ay = Y[i];
            bool topLeft = (e.dy == 0 && e.dx > 0) || e.dy < 0;
            e.bias = topLeft ? 0 : 1;
            // E(px) = dx * (py16 - ay) - dy * (16 px - ax); the pixel is in when E - bias >= 0,
            // that is px <= floor(c / 16dy) for dy > 0 and px >= -floor(c / -16dy) for dy < 0.
            int64_t c = e.dx * (rowStart * 16 - e.ay) + e.dy * e.ax - e.bias;
            e.c0 = c;
            if (e.dy != 0) {
                e.den = 16 * (e.dy > 0 ? e.dy : -e.dy);
                e.q = FloorDiv(c, e.den);
                e.r = c - e.q * e.den;
                int64_t inc = 16 * e.dx;
                e.qi = FloorDiv(inc, e.den);
                e.ri = inc - e.qi * e.den;
            }
        }
        // 32.32 fixed point. A bias of 2^-16 texel takes a pixel centre that falls exactly on a
        // texel edge (up to rounding) to the texel after the edge, whichever triangle draws it.
        const int64_t duFixed = FloorToInt(dux * 4294967296.0 + 0.5), dvFixed = FloorToInt(dvx * 4294967296.0 + 0.5);
        auto startFixed = [](double v) { return FloorToInt(v * 4294967296.0) + 65536; };
        const int64_t rStep = Fix16(drx), gStep = Fix16(dgx), bStep = Fix16(dbx), aStep = Fix16(dax);

        // The spans' arguments that hold for the whole triangle.
        SpanParams sp;
        SpanFn span = nullptr;
        RectFn rectSpan = nullptr;
        if (fast) {
            const int mode = gouraud ? kGouraud : fastMode;
            const SpanBlend blend = SetupSpans(&sp, mode, duFixed, dvFixed, flatColor);
            sp.dr = rStep, sp.dg = gStep, sp.db = bStep, sp.da = aStep;
            span = kernels_->span[int(blend)][mode][p_.samp.linear ? 1 : 0];
            if (mode != kGouraud && !p_.samp.linear) rectSpan = kernels_->rect[int(blend)][mode];
        }
        float dzx = 0, dzy = 0;
        if (!fast) grad(v0.z, v1.z, v2.z, &dzx, &dzy);
        SpanRow batch[kSpanBatch];
        int batched = 0;

        // Upright rectangles in spans: the same columns in every row, and what depends on the
        // column alone worked out once.
        if (rect && fast) {
            const int xs = int(rectLo), n = int(rectHi - rectLo + 1);
            const float ox = float(xs) - fx0;
            const double Ux = U0 + dux * ox, Vx = V0 + dvx * ox;
            const float rx = v0.r + drx * ox, gx = v0.g + dgx * ox, bx = v0.b + dbx * ox, ax = v0.a + dax * ox;
            // Without a step per row, the start in u is the same in every row (up to the sign
            // of a zero).
            const bool uPerRow = duy != 0.0;
            int64_t U = startFixed(Ux + duy * (float(rowStart) - fy0));
            uint32_t* dst = &p_.target->pixels[size_t(rowStart) * p_.target->width + xs];
            const size_t pitch = p_.target->width;
            if (rectSpan && !uPerRow) {  // rows that differ in v alone
                int64_t V[kRectRowsMax];
                for (int64_t py = rowStart; py <= rowEnd;) {
                    const int count = int(std::min<int64_t>(kRectRowsMax, rowEnd - py + 1));
                    for (int j = 0; j < count; ++j) {
                        V[j] = startFixed(Vx + dvy * (float(py + j) - fy0));
                        __builtin_prefetch(dst + pitch * j, 1);
                        __builtin_prefetch(dst + pitch * j + n - 1, 1);
                    }
                    rectSpan(sp, RectRows{dst, pitch, n, count, U, V});
                    py += count;
                    dst += pitch * count;
                }
                return;
            }
            for (int64_t py = rowStart; py <= rowEnd; ++py, dst += pitch) {
                const float oy = float(py) - fy0;
                SpanRow& row = batch[batched++];
                row.dst = dst;
                row.n = n;
                row.U = uPerRow ? startFixed(Ux + duy * oy) : U;
                row.V = startFixed(Vx + dvy * oy);
                if (gouraud) {
                    row.r = Fix16(rx + dry * oy), row.g = Fix16(gx + dgy * oy);
                    row.b = Fix16(bx + dby * oy), row.a = Fix16(ax + day * oy);
                }
                __builtin_prefetch(dst, 1);
                __builtin_prefetch(dst + n - 1, 1);
                if (batched == kSpanBatch) span(sp, batch, batched), batched = 0;
            }
            if (batched) span(sp, batch, batched);
            return;
        }

        for (int64_t py = rowStart; py <= rowEnd; ++py) {
            int64_t lo = p_.clipX1, hi = int64_t(p_.clipX2) - 1;
            bool empty = false;
            if (rect) lo = rectLo, hi = rectHi;
            else for (Edge& e : edges) {
                if (e.dy == 0) {  // c = dx * (16 py - ay) - bias: the row is out when it is negative
                    if (e.c0 < 0) empty = true;
                    e.c0 += 16 * e.dx;
                    continue;
                }
                if (e.dy > 0) hi = std::min(hi, e.q);
                else lo = std::max(lo, -e.q);
                e.q += e.qi;
                e.r += e.ri;
                if (e.r >= e.den) ++e.q, e.r -= e.den;
            }
            if (empty || lo > hi) continue;
            const int y = int(py);
            const int xs = int(lo);
            const int n = int(hi - lo + 1);
            const float ox = float(xs) - fx0, oy = float(py) - fy0;
            if (fast) {
                SpanRow& row = batch[batched++];
                row.dst = &p_.target->pixels[size_t(y) * p_.target->width + xs];
                row.n = n;
                row.U = startFixed(U0 + dux * ox + duy * oy);
                row.V = startFixed(V0 + dvx * ox + dvy * oy);
                if (gouraud) {
                    row.r = Fix16(v0.r + drx * ox + dry * oy), row.g = Fix16(v0.g + dgx * ox + dgy * oy);
                    row.b = Fix16(v0.b + dbx * ox + dby * oy), row.a = Fix16(v0.a + dax * ox + day * oy);
                }
                __builtin_prefetch(row.dst, 1);
                __builtin_prefetch(row.dst + n - 1, 1);
                if (batched == kSpanBatch) span(sp, batch, batched), batched = 0;
                continue;
            }
            float z = v0.z + dzx * ox + dzy * oy;
            // Texture coordinates step in 16.16 fixed point, as in the fast path.
            int64_t Uf = startFixed(U0 + dux * ox + duy * oy);
            int64_t Vf = startFixed(V0 + dvx * ox + dvy * oy);
            int64_t r = Fix16(v0.r + drx * ox + dry * oy), g = Fix16(v0.g + dgx * ox + dgy * oy);
            int64_t b = Fix16(v0.b + dbx * ox + dby * oy), a = Fix16(v0.a + dax * ox + day * oy);
            for (int i = 0; i < n; ++i) {
                uint32_t tex = 0xFFFFFFFFu;
                if (p_.textured) {
                    tex = p_.samp.Fetch(Uf >> 16, Vf >> 16);
                }
                uint32_t dif = flat ? flatColor : PackFixed(r, g, b, a);
                p_.Pixel(xs + i, y, tex, dif, z);
                z += dzx, Uf = WrapAdd(Uf, duFixed), Vf = WrapAdd(Vf, dvFixed);
                if (!flat) r += rStep, g += gStep, b += bStep, a += aStep;
            }
        }
        if (batched) span(sp, batch, batched);
    }

    // Whether the sampler's last choice was made for these gradients (bit for bit).
    bool SamplerKept(const float g[4]) const {
        if (!samplerSet_) return false;
        uint32_t a[4], b[4];
        std::memcpy(a, g, sizeof a);
        std::memcpy(b, samplerKey_, sizeof b);
        return ((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2]) | (a[3] ^ b[3])) == 0;
    }

    // The spans' arguments that come from the sampler alone.
    static SpanParams SamplerSpans(const Sampler& samp, bool targetAlpha) {
        SpanParams sp;
        sp.tex = samp.px;
        sp.texW = samp.w;
        sp.shiftW = __builtin_ctz(unsigned(samp.w));
        sp.maskU = uint32_t(samp.w - 1);
        sp.maskV = uint32_t(samp.h - 1);
        sp.alphaOr = samp.alphaOr;
        sp.forceA = targetAlpha ? 0 : 0xFF000000u;
        sp.linear = samp.linear ? &samp : nullptr;
        return sp;
    }

    // The blend a primitive drawn in the given mode with texels `alphaOr` draws with, and the
    // reference of its alpha test.
    SpanBlend BlendFor(int mode, uint32_t color, uint32_t alphaOr, uint32_t* ref) const {
        *ref = fastRef_;
        SpanBlend blend = fastBlend_;
        // Every shaded alpha 255 (texels without alpha, or none, and an opaque colour): the
        // alpha test passes and blending with INVSRCALPHA gives the shaded texel.
        const bool opaque = (!p_.textured || alphaOr == 0xFF000000u) && mode != kGouraud &&
                            (mode == kTexel || color >> 24 == 255) && *ref <= 255;
        if (opaque && blend != SpanBlend::One) blend = SpanBlend::None, *ref = 0;
        return blend;
    }

    // Completes the sampler's spans' arguments for a primitive drawn in the given mode, without
    // the Gouraud steps; returns the blend they draw with.
    SpanBlend FinishSpans(SpanParams* sp, int mode, int64_t dU, int64_t dV, uint32_t color) const {
        sp->dU = dU;
        sp->dV = dV;
        sp->color = color;
        const SpanBlend blend = BlendFor(mode, color, sp->alphaOr, &sp->ref);
        sp->rowsRepeat = mode != kGouraud && blend == SpanBlend::None && sp->ref == 0;
        return blend;
    }

    SpanBlend SetupSpans(SpanParams* sp, int mode, int64_t dU, int64_t dV, uint32_t color) {
        *sp = SamplerSpans(p_.samp, p_.targetAlpha);
        return FinishSpans(sp, mode, dU, dV, color);
    }

    const RasterState& st_;
    Pipeline p_{};
    Viewport vp_{};
    bool ok_ = false;
    bool fastState_ = false;
    SpanBlend fastBlend_ = SpanBlend::None;
    uint32_t fastRef_ = 0;
    const SpanKernels* kernels_ = nullptr;
    bool quadSpans_ = false;  // QuadSpans may draw
    bool affine_ = false;     // the transform's last column is (0, 0, 0, 1)
    bool prefetchAhead_ = false;
    // The draw call's batch of upright quads: the sampler and scale it has for every quad, the
    // kinds of its rectangles by KindOf's index, and the rectangles kept for Flush.
    Sampler batchSampler_;
    SpanParams batchSpans_;
    float batchScale_[2] = {1, 1};
    RectKind kinds_[4] = {};
    QuadSetupFn quadSetup_ = nullptr;  // the SIMD build's BatchQuad, several at a time
    QuadBatchConsts quadConsts_{};
    QuadSetups setups_;
    static constexpr int kBatchMax = 16, kAhead = 8;
    RectQuad batched_[kBatchMax];
    uint8_t batchedKinds_[kBatchMax];
    int batchedCount_ = 0;
    float texW0_ = 1, texH0_ = 1;  // size of the texture's first level
    // The sampler's last choice and the gradients it was made for.
    bool samplerSet_ = false;
    float samplerKey_[4] = {};
    float samplerScale_[2] = {1, 1};
};

}  // namespace

void DrawTriangles(const RasterState& st, const FvfVertex* verts, size_t vertexCount, const uint16_t* indices,
                   size_t triangleCount, int baseVertex) {
    TriangleRasterizer tr(st);
    if (!tr.Ok()) return;
    const bool batch = indices && tr.StartBatch();
    for (size_t t = 0; t < triangleCount; ++t) {
        bool batchTried = false;
        if (batch) {  // runs of quads of the pattern below, vertices n .. n+3 in order
            int32_t first[kQuadSetupMax];
            for (;;) {
                int count = 0;
                for (size_t u = t; count < kQuadSetupMax && u + 1 < triangleCount; u += 2, ++count) {
                    const uint16_t* q = indices + u * 3;
                    const int64_t n = int64_t(q[0]) + baseVertex;
                    if (q[1] != q[0] + 1 || q[2] != q[0] + 2 || q[3] != q[2] || q[4] != q[0] + 3 || q[5] != q[0] ||
                        n < 0 || size_t(n) + 3 >= vertexCount)
                        break;
                    first[count] = int32_t(n);
                }
                if (count == 0) break;
                const int taken = tr.BatchQuads(verts, first, count);
                t += 2 * size_t(taken);
                if (taken < count) {
                    batchTried = true;
                    break;
                }
            }
            if (t >= triangleCount) break;
        }
        // Quads of the shared index pattern (n, n+1, n+2), (n+2, n+3, n).
        if (indices && t + 1 < triangleCount) {
            const uint16_t* q = indices + t * 3;
            if (!batch && t + 5 < triangleCount) {  // the quad after next
                const int64_t a = int64_t(q[12]) + baseVertex, c = int64_t(q[14]) + baseVertex;
                if (a >= 0 && c >= 0 && size_t(a) < vertexCount && size_t(c) < vertexCount)
                    tr.PrefetchQuad(verts[a], verts[c]);
            }
            if (q[3] == q[2] && q[5] == q[0]) {
                int64_t i0 = int64_t(q[0]) + baseVertex, i1 = int64_t(q[1]) + baseVertex;
                int64_t i2 = int64_t(q[2]) + baseVertex, i3 = int64_t(q[4]) + baseVertex;
                if (i0 >= 0 && i1 >= 0 && i2 >= 0 && i3 >= 0 && size_t(i0) < vertexCount &&
                    size_t(i1) < vertexCount && size_t(i2) < vertexCount && size_t(i3) < vertexCount) {
                    if (batch && !batchTried && tr.BatchQuad(verts[i0], verts[i1], verts[i2], verts[i3])) {
                        ++t;
                        continue;
                    }
                    tr.Flush();
                    if (tr.QuadSpans(verts[i0], verts[i1], verts[i2], verts[i3]) ||
                        tr.DrawQuad(Transform(st.transform, verts[i0]), Transform(st.transform, verts[i1]),
                                    Transform(st.transform, verts[i2]), Transform(st.transform, verts[i3]))) {
                        ++t;
                        continue;
                    }
                }
            }
        }
        tr.Flush();
        int64_t idx[3];
        for (int k = 0; k < 3; ++k) idx[k] = indices ? int64_t(indices[t * 3 + k]) + baseVertex : int64_t(t * 3 + k);
        if (idx[0] < 0 || idx[1] < 0 || idx[2] < 0 || size_t(idx[0]) >= vertexCount ||
            size_t(idx[1]) >= vertexCount || size_t(idx[2]) >= vertexCount)
            continue;  // an index outside the vertices draws nothing
        tr.Draw(Transform(st.transform, verts[idx[0]]), Transform(st.transform, verts[idx[1]]),
                Transform(st.transform, verts[idx[2]]));
    }
    tr.Flush();
}

void DrawLines(const RasterState& st, const FvfVertex* verts, size_t vertexCount, size_t lineCount) {
    Pipeline p{};
    if (!SetupPipeline(st, &p)) return;
    const D3DVIEWPORT9& v = st.viewport;
    Viewport vp{float(v.X), float(v.Y), float(v.Width) * 0.5f, float(v.Height) * 0.5f, v.MaxZ - v.MinZ, v.MinZ};
    for (size_t l = 0; l < lineCount && l * 2 + 1 < vertexCount; ++l) {
        ClipVertex a = Transform(st.transform, verts[l * 2]);
        ClipVertex b = Transform(st.transform, verts[l * 2 + 1]);
        // Parametric clipping against the planes.
        float t0 = 0.0f, t1 = 1.0f;
        bool visible = true;
        for (int pl = 0; pl < kPlanes && visible; ++pl) {
            float da = PlaneDist(a, pl), db = PlaneDist(b, pl);
            if (!(da >= 0.0f) && !(db >= 0.0f)) visible = false;
            else if (da < 0.0f) t0 = std::max(t0, da / (da - db));
            else if (db < 0.0f) t1 = std::min(t1, da / (da - db));
        }
        if (!visible || t0 >= t1) continue;
        ClipVertex ca = t0 > 0.0f ? Lerp(a, b, t0) : a;
        ClipVertex cb = t1 < 1.0f ? Lerp(a, b, t1) : b;
        ScreenVertex s = ToScreen(ca, vp), e = ToScreen(cb, vp);
        if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(e.x) || !std::isfinite(e.y)) continue;
        float dx = e.x - s.x, dy = e.y - s.y;
        bool xMajor = std::fabs(dx) >= std::fabs(dy);
        float major0 = xMajor ? s.x : s.y, major1 = xMajor ? e.x : e.y;
        if (major0 > major1) {
            std::swap(s, e);
            std::swap(major0, major1);
            dx = -dx, dy = -dy;
        }
        float len = major1 - major0;
        if (len <= 0.0f) continue;
        int64_t first = int64_t(std::floor(major0 + 0.5f)), last = int64_t(std::floor(major1 + 0.5f)) - 1;
        if (xMajor) first = std::max<int64_t>(first, p.clipX1), last = std::min<int64_t>(last, p.clipX2 - 1);
        else first = std::max<int64_t>(first, p.clipY1), last = std::min<int64_t>(last, p.clipY2 - 1);
        float su = 1, sv = 1;
        if (p.textured) SetupSampler(st, &p, 0, 0, 0, 0, &su, &sv);
        for (int64_t m = first; m <= last; ++m) {
            float t = (float(m) - major0) / len;
            float minor = xMajor ? s.y + dy * t : s.x + dx * t;
            int64_t mi = int64_t(std::floor(minor + 0.5f));
            int64_t px = xMajor ? m : mi, py = xMajor ? mi : m;
            if (px < p.clipX1 || px >= p.clipX2 || py < p.clipY1 || py >= p.clipY2) continue;
            auto at = [&](float a0, float a1) { return a0 + (a1 - a0) * t; };
            uint32_t dif = PackColor(at(s.r, e.r), at(s.g, e.g), at(s.b, e.b), at(s.a, e.a));
            uint32_t tex = p.textured ? p.samp.Sample(at(s.u, e.u) * su, at(s.v, e.v) * sv) : 0xFFFFFFFFu;
            p.Pixel(int(px), int(py), tex, dif, at(s.z, e.z));
        }
    }
}

}  // namespace d3d9impl

bool d3d9test::SetRasterPath(RasterPath path, const std::string& simd) {
    const std::vector<std::string> targets = d3d9impl::SimdTargets();
    if (!simd.empty() && std::find(targets.begin(), targets.end(), simd) == targets.end()) return false;
    d3d9impl::Ctl().rasterPath = path;
    d3d9impl::Ctl().rasterSimd = simd;
    return true;
}

std::vector<std::string> d3d9test::RasterSimdTargets() { return d3d9impl::SimdTargets(); }
