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
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/d3d9/d3d9_impl.h"

#if defined(__GNUC__)
#define FW_INLINE inline __attribute__((always_inline))
#define FW_LAMBDA_INLINE __attribute__((always_inline))
#else
#define FW_INLINE inline
#define FW_LAMBDA_INLINE
#endif

namespace d3d9impl {

void FillRect(PixelBuffer& buf, LONG x1, LONG y1, LONG x2, LONG y2, uint32_t value) {
    x1 = std::max<LONG>(x1, 0), y1 = std::max<LONG>(y1, 0);
    x2 = std::min<LONG>(x2, LONG(buf.width)), y2 = std::min<LONG>(y2, LONG(buf.height));
    if (x1 >= x2 || y1 >= y2) return;
    for (LONG y = y1; y < y2; ++y) {
        uint32_t* row = &buf.pixels[size_t(y) * buf.width];
        std::fill(row + x1, row + x2, value);
    }
}

namespace {

// Exact round(a * b / 255) for a, b in 0..255 (and sums of such products up to 65025).
FW_INLINE uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}
FW_INLINE uint32_t Mul255(uint32_t a, uint32_t b) { return Div255(a * b); }

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
        auto mix = [](uint32_t p, uint32_t q, uint32_t w) { return ((p & M) * (256 - w) + (q & M) * w) >> 8 & M; };
        uint32_t rb = mix(mix(a, b, wu), mix(c, d, wu), wv);
        uint32_t ag = mix(mix(a >> 8, b >> 8, wu), mix(c >> 8, d >> 8, wu), wv);
        return rb | (ag << 8);
    }

    uint32_t Sample(float U, float V) const {
        auto fix = [](float x) -> int64_t {
            if (!(x > -1e9f && x < 1e9f)) return 0;
            return int64_t(std::floor(double(x) * 65536.0));
        };
        return Fetch(fix(U), fix(V));
    }
};

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

ClipVertex Transform(const D3DMATRIX& m, const FvfVertex& in) {
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

inline double PlaneDist(const ClipVertex& v, int plane) {
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

inline bool Inside(const ClipVertex& v) {
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

ScreenVertex ToScreen(const ClipVertex& c, const Viewport& vp) {
    float iw = 1.0f / c.w;
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
inline int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

FW_INLINE int64_t FloorToInt(double x) {
    if (!(x > -4e18 && x < 4e18)) return 0;  // NaN or far out of range: any value will do
    int64_t i = int64_t(x);
    return double(i) > x ? i - 1 : i;
}

// Colour channels interpolated in 16.16 fixed point (64-bit, so long spans cannot overflow).
FW_INLINE int64_t Fix16(double v) { return FloorToInt(v * 65536.0 + 0.5); }
FW_INLINE uint32_t PackFixed(int64_t r, int64_t g, int64_t b, int64_t a) {
    auto c = [](int64_t v) {
        int64_t x = (v + 32768) >> 16;
        return uint32_t(x < 0 ? 0 : (x > 255 ? 255 : x));
    };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

inline uint32_t PackColor(float r, float g, float b, float a) {
    auto c = [](float v) { return v > 0.0f ? uint32_t(v < 255.0f ? v + 0.5f : 255.0f) : 0u; };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

// Fast span for the common case: 32-bit target and texture, point sampling with wrap on
// power-of-two sizes, modulate or add colour, modulated alpha, alpha test >= ref, blending
// with SRCALPHA and INVSRCALPHA or ONE (or none), flat colour, no depth. Channels are
// blended two at a time (red with blue, green with alpha) with the exact rounding of Div255.
enum class FastBlend { None, InvSrcAlpha, One };

FW_INLINE uint32_t Div255Packed(uint32_t x) {  // two 16-bit lanes, each at most 65025
    x += 0x00800080u;
    return ((x + ((x >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

FW_INLINE uint32_t SatAddPacked(uint32_t x, uint32_t y) {  // two lanes of 0..255 each
    uint32_t s = x + y;
    uint32_t over = s & 0x01000100u;
    return (s | (over - (over >> 8))) & 0x00FF00FFu;
}

struct FastConst;

struct FastArgs {
    const FastConst* fc;
    const Sampler* samp;
    uint32_t* dst;
    int n;
    const uint32_t* tex;
    int texW, maskU, maskV;
    int64_t U, V, dU, dV;  // texel coordinates and steps, 32.32 fixed point
    int64_t r, g, b, a, drx, dgx, dbx, dax;  // interpolated colour at the span start and its steps, 16.16
    uint32_t color;
    uint32_t alphaOr, ref, forceA;
};

struct FastConst {
    uint32_t da, dr, dg, db, drb, alphaOr, ref, forceA;
#if defined(__SSE2__)
    __m128i color16;   // modulate factors per 16-bit lane: B, G, R, A of each pixel
    __m128i rgb8;      // added colour bytes, alpha byte 0
    __m128i alpha16;   // 255, 255, 255, da: alpha modulation after an add
    __m128i alphaOr4, forceA4, refMinus1;
#endif
    FastConst() = default;
    explicit FastConst(const FastArgs& f) {
        da = f.color >> 24, dr = (f.color >> 16) & 0xFF, dg = (f.color >> 8) & 0xFF, db = f.color & 0xFF;
        drb = (dr << 16) | db;
        alphaOr = f.alphaOr, ref = f.ref, forceA = f.forceA;
#if defined(__SSE2__)
        color16 = _mm_set_epi16(short(da), short(dr), short(dg), short(db), short(da), short(dr), short(dg), short(db));
        rgb8 = _mm_set1_epi32(int(f.color & 0x00FFFFFFu));
        alpha16 = _mm_set_epi16(short(da), 255, 255, 255, short(da), 255, 255, 255);
        alphaOr4 = _mm_set1_epi32(int(alphaOr));
        forceA4 = _mm_set1_epi32(int(forceA));
        refMinus1 = _mm_set1_epi32(int(ref) - 1);
#endif
    }
};

template <FastBlend B, int MODE>
FW_INLINE uint32_t Shade1(uint32_t t, uint32_t d, const FastConst& c, uint32_t color) {
    t |= c.alphaOr;
    if (MODE == 1) {  // modulate: two channels per multiply
        const uint32_t da = color >> 24, dr = (color >> 16) & 0xFF, dg = (color >> 8) & 0xFF, db = color & 0xFF;
        uint32_t rb = Div255Packed((((t >> 16) & 0xFFu) * dr << 16) | ((t & 0xFFu) * db));
        uint32_t ga = Div255Packed(((t >> 24) * da << 16) | (((t >> 8) & 0xFFu) * dg));
        t = rb | (ga << 8);
    } else if (MODE == 2) {  // add colour, modulate alpha
        uint32_t rb = SatAddPacked(t & 0x00FF00FFu, c.drb);
        uint32_t g = std::min<uint32_t>(255, ((t >> 8) & 0xFFu) + c.dg);
        uint32_t a0 = Mul255(t >> 24, c.da);
        t = rb | (g << 8) | (a0 << 24);
    }
    const uint32_t a = t >> 24;
    uint32_t out;
    if (B == FastBlend::InvSrcAlpha) {
        const uint32_t ia = 255 - a;
        uint32_t rb = Div255Packed((t & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * ia);
        uint32_t ga = Div255Packed(((t >> 8) & 0x00FF00FFu) * a + ((d >> 8) & 0x00FF00FFu) * ia);
        out = rb | (ga << 8);
    } else if (B == FastBlend::One) {
        uint32_t rb = SatAddPacked(Div255Packed((t & 0x00FF00FFu) * a), d & 0x00FF00FFu);
        uint32_t ga = SatAddPacked(Div255Packed(((t >> 8) & 0x00FF00FFu) * a), (d >> 8) & 0x00FF00FFu);
        out = rb | (ga << 8);
    } else {
        out = t;
    }
    out |= c.forceA;
    const uint32_t keep = 0u - uint32_t(a >= c.ref);
    return (out & keep) | (d & ~keep);
}

#if defined(__SSE2__)
FW_INLINE __m128i Div255x16(__m128i x) {  // eight 16-bit lanes, each at most 65025
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// The same as Shade1 for four pixels.
template <FastBlend B, int MODE>
FW_INLINE __m128i Shade4(__m128i t, __m128i d, const FastConst& c, __m128i colLo, __m128i colHi) {
    const __m128i zero = _mm_setzero_si128();
    t = _mm_or_si128(t, c.alphaOr4);
    if (MODE == 2) t = _mm_adds_epu8(t, c.rgb8);
    __m128i tl = _mm_unpacklo_epi8(t, zero), th = _mm_unpackhi_epi8(t, zero);
    if (MODE == 1) {
        tl = Div255x16(_mm_mullo_epi16(tl, colLo));
        th = Div255x16(_mm_mullo_epi16(th, colHi));
    } else if (MODE == 2) {
        tl = Div255x16(_mm_mullo_epi16(tl, c.alpha16));
        th = Div255x16(_mm_mullo_epi16(th, c.alpha16));
    }
    __m128i shaded = (MODE == 0) ? t : _mm_packus_epi16(tl, th);
    __m128i out;
    // Four texels all opaque or all clear blend to exactly the texels or the target.
    const __m128i alpha4 = _mm_srli_epi32(shaded, 24);
    const int opaque = B == FastBlend::InvSrcAlpha
                           ? _mm_movemask_epi8(_mm_cmpeq_epi32(alpha4, _mm_set1_epi32(255))) : 0;
    const int clear = B != FastBlend::None ? _mm_movemask_epi8(_mm_cmpeq_epi32(alpha4, zero)) : 0;
    if (B == FastBlend::None || opaque == 0xFFFF) {
        out = shaded;
    } else if (clear == 0xFFFF) {
        out = d;
    } else {
        __m128i al = _mm_shufflehi_epi16(_mm_shufflelo_epi16(tl, 0xFF), 0xFF);
        __m128i ah = _mm_shufflehi_epi16(_mm_shufflelo_epi16(th, 0xFF), 0xFF);
        __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
        if (B == FastBlend::InvSrcAlpha) {
            const __m128i ff = _mm_set1_epi16(255);
            __m128i il = _mm_sub_epi16(ff, al), ih = _mm_sub_epi16(ff, ah);
            __m128i rl = Div255x16(_mm_add_epi16(_mm_mullo_epi16(tl, al), _mm_mullo_epi16(dl, il)));
            __m128i rh = Div255x16(_mm_add_epi16(_mm_mullo_epi16(th, ah), _mm_mullo_epi16(dh, ih)));
            out = _mm_packus_epi16(rl, rh);
        } else {
            __m128i sl = Div255x16(_mm_mullo_epi16(tl, al)), sh = Div255x16(_mm_mullo_epi16(th, ah));
            out = _mm_adds_epu8(_mm_packus_epi16(sl, sh), d);
        }
    }
    out = _mm_or_si128(out, c.forceA4);
    __m128i keep = _mm_cmpgt_epi32(alpha4, c.refMinus1);
    return _mm_or_si128(_mm_and_si128(keep, out), _mm_andnot_si128(keep, d));
}
#endif

template <FastBlend B, int MODE, bool CONTIG, bool LINEAR, bool GOURAUD>
void FastSpan(const FastArgs& f) {
    // Interpolated diffuse colour, stepped per pixel as the general path steps it.
    int64_t cr = f.r, cg = f.g, cb = f.b, ca = f.a;
    auto colour = [&]() FW_LAMBDA_INLINE -> uint32_t {
        if (!GOURAUD) return f.color;
        uint32_t c = PackFixed(cr, cg, cb, ca);
        cr += f.drx, cg += f.dgx, cb += f.dbx, ca += f.dax;
        return c;
    };
    const FastConst& c = *f.fc;
    uint32_t* dst = f.dst;
    const int n = f.n;
    const uint32_t* row = f.tex + size_t(int(f.V >> 32) & f.maskV) * f.texW + (CONTIG ? int(f.U >> 32) : 0);
    int64_t U = f.U, V = f.V;
    auto fetch = [&](int i) FW_LAMBDA_INLINE -> uint32_t {
        if (CONTIG) return row[i];
        uint32_t t = LINEAR ? f.samp->Fetch(U >> 16, V >> 16)
                            : f.tex[size_t(int(V >> 32) & f.maskV) * f.texW + (int(U >> 32) & f.maskU)];
        U += f.dU, V += f.dV;
        return t;
    };
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        __m128i t;
        if (CONTIG) {
            t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        } else {
            uint32_t t0 = fetch(i), t1 = fetch(i + 1), t2 = fetch(i + 2), t3 = fetch(i + 3);
            t = _mm_set_epi32(int(t3), int(t2), int(t1), int(t0));
        }
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i lo = c.color16, hi = c.color16;
        if (GOURAUD) {
            uint32_t c0 = colour(), c1 = colour(), c2 = colour(), c3 = colour();
            __m128i cv = _mm_set_epi32(int(c3), int(c2), int(c1), int(c0));
            lo = _mm_unpacklo_epi8(cv, _mm_setzero_si128());
            hi = _mm_unpackhi_epi8(cv, _mm_setzero_si128());
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Shade4<B, MODE>(t, d, c, lo, hi));
    }
#endif
    for (; i < n; ++i) {
        uint32_t col = colour();
        dst[i] = Shade1<B, MODE>(fetch(i), dst[i], c, col);
    }
}

using FastSpanFn = void (*)(const FastArgs&);

template <FastBlend B>
FastSpanFn PickFast(int mode, bool contig, bool linear, bool gouraud) {
    if (gouraud) {  // modulate only
        if (linear) return FastSpan<B, 1, false, true, true>;
        return contig ? FastSpan<B, 1, true, false, true> : FastSpan<B, 1, false, false, true>;
    }
    if (linear) {
        if (mode == 1) return FastSpan<B, 1, false, true, false>;
        if (mode == 2) return FastSpan<B, 2, false, true, false>;
        return FastSpan<B, 0, false, true, false>;
    }
    if (mode == 1) return contig ? FastSpan<B, 1, true, false, false> : FastSpan<B, 1, false, false, false>;
    if (mode == 2) return contig ? FastSpan<B, 2, true, false, false> : FastSpan<B, 2, false, false, false>;
    return contig ? FastSpan<B, 0, true, false, false> : FastSpan<B, 0, false, false, false>;
}

FastSpanFn PickFast(FastBlend b, int mode, bool contig, bool linear, bool gouraud) {
    switch (b) {
    case FastBlend::None: return PickFast<FastBlend::None>(mode, contig, linear, gouraud);
    case FastBlend::One: return PickFast<FastBlend::One>(mode, contig, linear, gouraud);
    default: return PickFast<FastBlend::InvSrcAlpha>(mode, contig, linear, gouraud);
    }
}

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
        fastState_ = ok_ && Ctl().rasterPath != d3d9test::RasterPath::General && p_.plain32 && !p_.depthOn && st.colorWrite == 0xF &&
                     (st.colorOp == D3DTOP_MODULATE || st.colorOp == D3DTOP_ADD) &&
                     IsTexDif(st.colorArg1, st.colorArg2) && st.alphaOp == D3DTOP_MODULATE &&
                     IsTexDif(st.alphaArg1, st.alphaArg2) &&
                     (!st.alphaTest || st.alphaFunc == D3DCMP_GREATEREQUAL || st.alphaFunc == D3DCMP_ALWAYS) &&
                     (!st.alphaBlend || (st.srcBlend == D3DBLEND_SRCALPHA &&
                                         (st.destBlend == D3DBLEND_INVSRCALPHA || st.destBlend == D3DBLEND_ONE)));
        if (fastState_ && p_.textured) {
            D3DFORMAT f = st.texture->format;
            fastState_ = f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8;
        }
        if (fastState_) {
            fastBlend_ = !st.alphaBlend ? FastBlend::None
                         : st.destBlend == D3DBLEND_ONE ? FastBlend::One
                                                        : FastBlend::InvSrcAlpha;
            fastRef_ = (st.alphaTest && st.alphaFunc == D3DCMP_GREATEREQUAL) ? st.alphaRef : 0;
        }
    }

    bool Ok() const { return ok_; }

    // Two triangles (a, b, c) and (c, d, a) that make one axis-aligned rectangle on screen with
    // attributes varying linearly across it are drawn as that rectangle, in full-width spans.
    // False (nothing drawn) when they do not.
    bool DrawQuad(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ClipVertex& d) {
        if (st_.cullMode != D3DCULL_NONE || !Inside(a) || !Inside(b) || !Inside(c) || !Inside(d)) return false;
        ScreenVertex s[4] = {ToScreen(a, vp_), ToScreen(b, vp_), ToScreen(c, vp_), ToScreen(d, vp_)};
        int64_t X[4], Y[4];
        for (int i = 0; i < 4; ++i) {
            X[i] = FloorToInt(double(s[i].x) * 16.0 + 0.5);
            Y[i] = FloorToInt(double(s[i].y) * 16.0 + 0.5);
        }
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
        Raster(s[0], s[1], s[2], rect);
        return true;
    }

    void Draw(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
        if (Inside(a) && Inside(b) && Inside(c)) {
            Raster(ToScreen(a, vp_), ToScreen(b, vp_), ToScreen(c, vp_));
            return;
        }
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
                const ClipVertex& e = in[(i + 1) % n];
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
    void Raster(ScreenVertex v0, ScreenVertex v1, ScreenVertex v2, const int64_t* rect = nullptr) {
        // Snapped to 1/16 pixel and held within 2^25 pixels of the origin, so that edge and
        // area products of differences stay inside 64 bits; the screen is never that large.
        auto snap = [](float v) {
            constexpr int64_t kLimit = int64_t(1) << 29;
            return std::clamp<int64_t>(FloorToInt(double(v) * 16.0 + 0.5), -kLimit, kLimit);
        };
        int64_t x0 = snap(v0.x), y0 = snap(v0.y);
        int64_t x1 = snap(v1.x), y1 = snap(v1.y);
        int64_t x2 = snap(v2.x), y2 = snap(v2.y);
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
        int64_t rowStart = std::max<int64_t>(CeilDiv(minY, 16), p_.clipY1);
        int64_t rowEnd = std::min<int64_t>(FloorDiv(maxY, 16), p_.clipY2 - 1);
        int64_t rectLo = 0, rectHi = -1;
        if (rect) {  // top and left edges in, bottom and right out
            rowStart = std::max<int64_t>(CeilDiv(rect[1], 16), p_.clipY1);
            rowEnd = std::min<int64_t>(CeilDiv(rect[3], 16) - 1, p_.clipY2 - 1);
            rectLo = std::max<int64_t>(CeilDiv(rect[0], 16), p_.clipX1);
            rectHi = std::min<int64_t>(CeilDiv(rect[2], 16) - 1, int64_t(p_.clipX2) - 1);
            if (rectLo > rectHi) return;
        }
        if (rowStart > rowEnd) return;

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
        float dzx, dzy;
        grad(v0.z, v1.z, v2.z, &dzx, &dzy);
        // Texture coordinates in texels of the sampled level, evaluated in double precision.
        float su = 1, sv = 1;
        double dux = 0, duy = 0, dvx = 0, dvy = 0, U0 = 0, V0 = 0;
        auto gradD = [&](double a0, double a1, double a2, double* dx, double* dy) {
            const double dx1 = double(x1 - x0) / 16.0, dy1 = double(y1 - y0) / 16.0;
            const double dx2 = double(x2 - x0) / 16.0, dy2 = double(y2 - y0) / 16.0;
            const double id = 1.0 / (dx1 * dy2 - dx2 * dy1);
            double d1 = a1 - a0, d2 = a2 - a0;
            *dx = (d1 * dy2 - d2 * dy1) * id;
            *dy = (d2 * dx1 - d1 * dx2) * id;
        };
        if (p_.textured) {
            const PixelBuffer& l0 = st_.texture->levels[0]->buf;
            float w0 = float(l0.width), h0 = float(l0.height);
            float gux, guy, gvx, gvy;
            grad(v0.u * w0, v1.u * w0, v2.u * w0, &gux, &guy);
            grad(v0.v * h0, v1.v * h0, v2.v * h0, &gvx, &gvy);
            SetupSampler(st_, &p_, gux, gvx, guy, gvy, &su, &sv);
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
        for (int i = 0; i < 3; ++i) {
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

        // The fast span's arguments that hold for the whole triangle.
        FastArgs fa{};
        FastConst fc;
        FastSpanFn spanContig = nullptr, spanStepped = nullptr;
        if (fast) {
            fa.fc = &fc;
            fa.samp = &p_.samp;
            fa.tex = p_.samp.px;
            fa.texW = p_.samp.w;
            fa.maskU = p_.samp.w - 1;
            fa.maskV = p_.samp.h - 1;
            fa.dU = duFixed;
            fa.dV = dvFixed;
            fa.color = flatColor;
            fa.alphaOr = p_.samp.alphaOr;
            fa.ref = fastRef_;
            fa.forceA = p_.targetAlpha ? 0 : 0xFF000000u;
            fc = FastConst(fa);
            fa.drx = rStep, fa.dgx = gStep, fa.dbx = bStep, fa.dax = aStep;
            spanStepped = PickFast(fastBlend_, fastMode, false, p_.samp.linear, gouraud);
            if (!p_.samp.linear && dvFixed == 0 && duFixed == (int64_t(1) << 32))
                spanContig = PickFast(fastBlend_, fastMode, true, false, gouraud);
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
                double U = U0 + dux * ox + duy * oy, V = V0 + dvx * ox + dvy * oy;
                fa.dst = &p_.target->pixels[size_t(y) * p_.target->width + xs];
                fa.n = n;
                fa.U = startFixed(U);
                fa.V = startFixed(V);
                if (gouraud) {
                    fa.r = Fix16(v0.r + drx * ox + dry * oy), fa.g = Fix16(v0.g + dgx * ox + dgy * oy);
                    fa.b = Fix16(v0.b + dbx * ox + dby * oy), fa.a = Fix16(v0.a + dax * ox + day * oy);
                }
                // Texels read one after another from one row without wrapping?
                int64_t u0 = fa.U >> 32;
                bool contig = spanContig && u0 >= 0 && u0 + n <= fa.texW;
                (contig ? spanContig : spanStepped)(fa);
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
                z += dzx, Uf += duFixed, Vf += dvFixed;
                if (!flat) r += rStep, g += gStep, b += bStep, a += aStep;
            }
        }
    }

    const RasterState& st_;
    Pipeline p_{};
    Viewport vp_{};
    bool ok_ = false;
    bool fastState_ = false;
    FastBlend fastBlend_ = FastBlend::None;
    uint32_t fastRef_ = 0;
};

}  // namespace

void DrawTriangles(const RasterState& st, const FvfVertex* verts, size_t vertexCount, const uint16_t* indices,
                   size_t triangleCount, int baseVertex) {
    TriangleRasterizer tr(st);
    if (!tr.Ok()) return;
    for (size_t t = 0; t < triangleCount; ++t) {
        // Quads of the shared index pattern (n, n+1, n+2), (n+2, n+3, n).
        if (indices && t + 1 < triangleCount) {
            const uint16_t* q = indices + t * 3;
            if (q[3] == q[2] && q[5] == q[0]) {
                int64_t i0 = int64_t(q[0]) + baseVertex, i1 = int64_t(q[1]) + baseVertex;
                int64_t i2 = int64_t(q[2]) + baseVertex, i3 = int64_t(q[4]) + baseVertex;
                if (i0 >= 0 && i1 >= 0 && i2 >= 0 && i3 >= 0 && size_t(i0) < vertexCount &&
                    size_t(i1) < vertexCount && size_t(i2) < vertexCount && size_t(i3) < vertexCount &&
                    tr.DrawQuad(Transform(st.transform, verts[i0]), Transform(st.transform, verts[i1]),
                                Transform(st.transform, verts[i2]), Transform(st.transform, verts[i3]))) {
                    ++t;
                    continue;
                }
            }
        }
        int64_t idx[3];
        for (int k = 0; k < 3; ++k) idx[k] = indices ? int64_t(indices[t * 3 + k]) + baseVertex : int64_t(t * 3 + k);
        if (idx[0] < 0 || idx[1] < 0 || idx[2] < 0 || size_t(idx[0]) >= vertexCount ||
            size_t(idx[1]) >= vertexCount || size_t(idx[2]) >= vertexCount)
            continue;  // an index outside the vertices draws nothing
        tr.Draw(Transform(st.transform, verts[idx[0]]), Transform(st.transform, verts[idx[1]]),
                Transform(st.transform, verts[idx[2]]));
    }
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

void d3d9test::SetRasterPath(RasterPath path) { d3d9impl::Ctl().rasterPath = path; }
