// Every specialised path of the rasterizer draws exactly what the general per-pixel path draws.
// Each round makes a random target, background, texture, state, clip rectangle and list of
// primitives from a seed, draws it once per path onto the same background, and compares the
// pictures bit for bit.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/platform/d3d9_fixture.h"

namespace {

struct Rng {
    uint32_t s;
    uint32_t Next() {
        s ^= s << 13, s ^= s >> 17, s ^= s << 5;
        return s;
    }
    int In(int lo, int hi) { return lo + int(Next() % uint32_t(hi - lo + 1)); }  // inclusive
    bool Chance(int percent) { return int(Next() % 100) < percent; }
    float Unit() { return float(Next() >> 8) / float(1 << 24); }
    template <class T, size_t N>
    T Pick(const T (&list)[N]) {
        return list[Next() % N];
    }
};

struct PathName {
    d3d9test::RasterPath path;
    std::string name, simd;
};

// The scalar path, each SIMD instruction set this processor runs, and the fastest of them.
std::vector<PathName> Paths() {
    std::vector<PathName> paths = {{d3d9test::RasterPath::Scalar, "scalar", ""}};
    for (const std::string& simd : d3d9test::RasterSimdTargets())
        paths.push_back({d3d9test::RasterPath::Fastest, simd, simd});
    paths.push_back({d3d9test::RasterPath::Fastest, "fastest", ""});
    return paths;
}

// How RandomBatch lays out a draw call's quads: how many; how many in a hundred are placed
// near the quad before (within 36 pixels) rather than anywhere, are plain (upright, of one
// colour and depth, neither tall nor with an odd corner or texture), and are turned by any
// angle about their centre.
struct Layout {
    int fewest = 10, most = 70;
    int near = 0, plain = 0, turned = 0;
};

class RasterPaths : public DeviceTest {
protected:
    // A coordinate of a corner: whole, half, sixteenth or any fraction, now and then far away,
    // huge or not a number.
    float Coord(Rng& r, int extent) {
        const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
        int kind = r.In(0, 99);
        float whole = float(r.In(-8, extent + 8));
        if (kind < 40) return whole;
        if (kind < 55) return whole + 0.5f;
        if (kind < 70) return whole + float(r.In(0, 15)) / 16.0f;
        if (kind < 90) return whole + r.Unit();
        if (kind < 93) return float(r.In(-1, 1)) * 1e9f + whole;
        if (kind < 96) return r.Chance(50) ? 3e5f : -3e5f;
        if (kind < 98) return r.Chance(50) ? inf : -inf;
        return nan;
    }

    DWORD Colour(Rng& r) {
        switch (r.In(0, 5)) {
        case 0:
        case 1: return 0xFFFFFFFF;
        case 2: return 0xFF000000u | (r.Next() & 0xFFFFFF);
        case 3: return r.Chance(50) ? 0x00FFFFFFu : 0x80FFFFFFu;
        default: return r.Next();
        }
    }

    IDirect3DTexture9* RandomTexture(Rng& r) {
        const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8,
                                     D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4};
        D3DFORMAT fmt = r.Pick(formats);
        bool pow2 = r.Chance(80);
        d3d9test::SetPow2Rounding(pow2);
        UINT w = pow2 ? 1u << r.In(0, 6) : UINT(r.In(1, 70)), h = pow2 ? 1u << r.In(0, 6) : UINT(r.In(1, 70));
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(D3DXCreateTexture(dev, w, h, r.Chance(70) ? 1 : 0, 0, fmt, D3DPOOL_MANAGED, &t), D3D_OK);
        d3d9test::SetPow2Rounding(true);
        if (!t) return nullptr;
        // Alpha: all clear, all opaque, in runs or anything.
        int alphaKind = r.In(0, 3);
        for (UINT level = 0; level < t->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc;
            t->GetLevelDesc(level, &desc);
            D3DLOCKED_RECT lr;
            if (t->LockRect(level, &lr, nullptr, 0) != D3D_OK) continue;
            size_t n = size_t(desc.Width) * desc.Height;
            for (size_t i = 0; i < n; ++i) {
                uint32_t c = r.Next();
                if (alphaKind == 0) c &= 0x00FFFFFFu;
                if (alphaKind == 1) c |= 0xFF000000u;
                if (alphaKind == 2) c = (i / 3 % 2) ? c | 0xFF000000u : c & 0x00FFFFFFu;
                if (desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8)
                    static_cast<uint32_t*>(lr.pBits)[i] = c;
                else
                    static_cast<uint16_t*>(lr.pBits)[i] = uint16_t(c ^ (c >> 16));
            }
            t->UnlockRect(level);
        }
        return t;
    }

    void RandomState(Rng& r) {
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, r.Chance(75));
        dev->SetRenderState(D3DRS_SRCBLEND, r.Chance(85) ? DWORD(D3DBLEND_SRCALPHA) : DWORD(r.In(1, 11)));
        const DWORD dests[] = {D3DBLEND_INVSRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLEND_ONE, D3DBLEND_ZERO};
        dev->SetRenderState(D3DRS_DESTBLEND, r.Chance(85) ? r.Pick(dests) : DWORD(r.In(1, 11)));
        const DWORD ops[] = {D3DTOP_MODULATE, D3DTOP_MODULATE, D3DTOP_ADD, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2,
                             D3DTOP_MODULATE2X, D3DTOP_DISABLE};
        dev->SetTextureStageState(0, D3DTSS_COLOROP, r.Chance(80) ? DWORD(r.Chance(70) ? D3DTOP_MODULATE : D3DTOP_ADD)
                                                                  : r.Pick(ops));
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, r.Chance(85) ? DWORD(D3DTOP_MODULATE) : r.Pick(ops));
        bool swap = r.Chance(15);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, swap ? D3DTA_DIFFUSE : D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, swap ? D3DTA_TEXTURE : D3DTA_DIFFUSE);
        swap = r.Chance(10);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, swap ? D3DTA_DIFFUSE : D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, swap ? D3DTA_TEXTURE : D3DTA_DIFFUSE);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, r.Chance(70));
        dev->SetRenderState(D3DRS_ALPHAREF, r.Chance(60) ? 1 : DWORD(r.In(0, 255)));
        dev->SetRenderState(D3DRS_ALPHAFUNC, r.Chance(85) ? DWORD(D3DCMP_GREATEREQUAL) : DWORD(r.In(1, 8)));
        DWORD filter = r.Chance(70) ? DWORD(D3DTEXF_POINT) : DWORD(D3DTEXF_LINEAR);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        const DWORD other = DWORD(D3DTEXF_LINEAR + D3DTEXF_POINT) - filter;
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, r.Chance(80) ? filter : other);
        dev->SetSamplerState(0, D3DSAMP_MIPFILTER, r.Chance(50) ? DWORD(D3DTEXF_POINT) : DWORD(D3DTEXF_NONE));
        const DWORD address[] = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR};
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, r.Chance(85) ? DWORD(D3DTADDRESS_WRAP) : r.Pick(address));
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, r.Chance(85) ? DWORD(D3DTADDRESS_WRAP) : r.Pick(address));
        dev->SetRenderState(D3DRS_COLORWRITEENABLE, r.Chance(90) ? 0xF : DWORD(r.In(0, 15)));
        dev->SetRenderState(D3DRS_ZENABLE, r.Chance(20));
        dev->SetRenderState(D3DRS_ZWRITEENABLE, r.Chance(50));
        dev->SetRenderState(D3DRS_ZFUNC, r.Chance(50) ? DWORD(D3DCMP_LESSEQUAL) : DWORD(r.In(1, 8)));
    }

    void RandomViewport(Rng& r, UINT w, UINT h) {
        if (r.Chance(70)) return;
        D3DVIEWPORT9 vp{DWORD(r.In(0, int(w) + 2)), DWORD(r.In(0, int(h) + 2)), DWORD(r.In(0, int(w))),
                        DWORD(r.In(0, int(h))), 0.0f, 1.0f};
        if (r.Chance(10)) vp.Width = 0xFFFFFFF0u;
        dev->SetViewport(&vp);
    }

    // Upright quads (corners clockwise from the top left, or starting elsewhere), turned quads
    // and loose triangles, with texture coordinates that map texel to pixel, double the
    // texture, or anything.
    void RandomPrimitives(Rng& r, UINT w, UINT h, UINT texW, UINT texH) {
        int count = r.In(1, 10);
        for (int k = 0; k < count; ++k) {
            int kind = r.In(0, 99);
            float x1 = Coord(r, int(w)), y1 = Coord(r, int(h));
            float x2 = r.Chance(60) ? x1 + float(r.In(-2, int(w))) : Coord(r, int(w));
            float y2 = r.Chance(60) ? y1 + float(r.In(-2, int(h))) : Coord(r, int(h));
            float scale = r.Chance(50) ? 1.0f : (r.Chance(60) ? 0.5f : 1.0f / float(r.In(1, 5)));
            float u1 = float(r.In(-2, 2)) + (r.Chance(50) ? 0.0f : r.Unit()), v1 = float(r.In(-2, 2));
            float u2 = u1 + (x2 - x1) * scale / float(texW), v2 = v1 + (y2 - y1) * scale / float(texH);
            if (r.Chance(20)) u2 = u1 + r.Unit() * 4 - 2, v2 = v1 + r.Unit() * 4 - 2;
            if (r.Chance(25)) {  // a sprite: whole pixels, texel to pixel or doubled, widths about a vector
                const int widths[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33};
                const float s = r.Chance(70) ? 1.0f : 2.0f;
                x1 = float(r.In(-4, int(w))), y1 = float(r.In(-4, int(h)));
                x2 = x1 + float(r.Pick(widths)) * s, y2 = y1 + float(r.In(1, 12)) * s;
                u1 = float(r.In(0, int(texW) - 1)) / float(texW), v1 = float(r.In(0, int(texH) - 1)) / float(texH);
                u2 = u1 + (x2 - x1) / s / float(texW), v2 = v1 + (y2 - y1) / s / float(texH);
            }
            DWORD c[4];
            c[0] = Colour(r);
            if (r.Chance(70)) {
                c[1] = c[2] = c[3] = c[0];
            } else if (r.Chance(50)) {  // varying linearly across the quad: c3 = c0 + c2 - c1
                c[1] = Colour(r), c[2] = Colour(r);
                c[3] = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    int v = int((c[0] >> sh) & 0xFF) + int((c[2] >> sh) & 0xFF) - int((c[1] >> sh) & 0xFF);
                    c[3] |= DWORD(std::clamp(v, 0, 255)) << sh;
                }
            } else {
                c[1] = Colour(r), c[2] = Colour(r), c[3] = Colour(r);
            }
            float z = r.Chance(80) ? 0.5f : r.Unit() * 1.2f - 0.1f;
            if (kind < 70) {
                FwVertex q[4] = {{x1, y1, z, c[0], u1, v1},
                                 {x2, y1, z, c[1], u2, v1},
                                 {x2, y2, z, c[2], u2, v2},
                                 {x1, y2, z, c[3], u1, v2}};
                if (r.Chance(15)) {  // the texture turned on the quad: u and v change down its rows
                    const int k = r.In(1, 3);
                    const float us[4] = {u1, u2, u2, u1}, vs[4] = {v1, v1, v2, v2};
                    for (int i = 0; i < 4; ++i) q[i].u = us[(i + k) % 4], q[i].v = vs[(i + k) % 4];
                }
                if (r.Chance(8)) {  // one corner off the plane of the others
                    FwVertex& corner = q[r.In(0, 3)];
                    (r.Chance(50) ? corner.v : corner.z) += r.Chance(50) ? 0.25f : 1.0f / 1024;
                }
                int turn = r.Chance(75) ? 0 : r.In(1, 3);
                FwVertex t[4];
                for (int i = 0; i < 4; ++i) t[i] = q[(i + turn) % 4];
                if (r.Chance(10)) std::swap(t[1], t[3]);  // counter-clockwise
                DrawQuads(t, 1);
            } else if (kind < 85) {
                float a = r.Unit() * 6.2832f, cs = std::cos(a), sn = std::sin(a);
                float cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, hw = (x2 - x1) / 2, hh = (y2 - y1) / 2;
                const float ox[4] = {-hw, hw, hw, -hw}, oy[4] = {-hh, -hh, hh, hh};
                const float us[4] = {u1, u2, u2, u1}, vs[4] = {v1, v1, v2, v2};
                FwVertex q[4];
                for (int i = 0; i < 4; ++i)
                    q[i] = {cx + ox[i] * cs - oy[i] * sn, cy + ox[i] * sn + oy[i] * cs, z, c[i], us[i], vs[i]};
                DrawQuads(q, 1);
            } else if (kind < 97) {
                FwVertex t[3] = {{x1, y1, z, c[0], u1, v1},
                                 {x2, Coord(r, int(h)), z, c[1], u2, v1},
                                 {Coord(r, int(w)), y2, z, c[2], u1, v2}};
                Triangles(t, 1);
            } else {
                Line(x1, y1, x2, y2, c[0]);
            }
        }
    }

    // The size of t's first level, when there is a t.
    static void FirstLevelSize(IDirect3DTexture9* t, UINT* w, UINT* h) {
        if (!t) return;
        D3DSURFACE_DESC desc;
        t->GetLevelDesc(0, &desc);
        *w = desc.Width, *h = desc.Height;
    }

    // Random pixels in the w x h render target; those of one state of r made once, for every
    // path that draws the round.
    void RandomBackground(Rng& r, UINT w, UINT h) {
        if (r.s != bgFrom_ || bg_.width != w || bg_.height != h) {
            bgFrom_ = r.s;
            bg_.width = w, bg_.height = h;
            bg_.pixels.resize(size_t(w) * h);
            for (uint32_t& p : bg_.pixels) p = r.Next();
            bgTo_ = r.s;
        }
        r.s = bgTo_;
        IDirect3DSurface9* back = nullptr;
        dev->GetRenderTarget(0, &back);
        EXPECT_TRUE(d3d9test::WriteSurface(back, bg_));
        back->Release();
    }

    // One round drawn with the current path.
    d3d9test::Image Round(uint32_t seed) {
        Rng r{seed * 2654435761u + 1};
        const D3DFORMAT targets[] = {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
                                     D3DFMT_A8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5};
        UINT w = UINT(r.In(1, 72)), h = UINT(r.In(1, 40));
        Make(w, h, r.Pick(targets), r.Chance(20));
        RandomBackground(r, w, h);
        if (r.Chance(20)) dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, r.Unit(), 0);
        IDirect3DTexture9* t = r.Chance(85) ? RandomTexture(r) : nullptr;
        UINT texW = 1, texH = 1;
        FirstLevelSize(t, &texW, &texH);
        dev->SetTexture(0, t);
        int batches = r.In(1, 3);
        for (int b = 0; b < batches; ++b) {
            RandomState(r);
            RandomViewport(r, w, h);
            if (r.Chance(15)) dev->Clear(0, nullptr, D3DCLEAR_TARGET, r.Next(), 1.0f, 0);  // the viewport's rows
            RandomPrimitives(r, w, h, texW, texH);
        }
        d3d9test::Image img = Back();
        dev->SetTexture(0, nullptr);
        if (t) t->Release();
        Release();
        return img;
    }
    // A corner coordinate of a quad in a batch: mostly whole, half or sixteenth pixels, now and
    // then any fraction, or, unless tame, far outside, huge or not a number.
    float BatchCoord(Rng& r, int extent, bool tame = false) {
        const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
        const float whole = float(r.In(-12, extent + 12));
        const int kind = r.In(0, tame ? 191 : 199);
        if (kind < 120) return whole;
        if (kind < 150) return whole + 0.5f;
        if (kind < 175) return whole + float(r.In(1, 15)) / 16.0f;
        if (kind < 192) return whole + r.Unit();
        if (kind < 195) return r.Chance(50) ? float(extent) * 20.0f : -float(extent) * 20.0f;
        if (kind < 197) return r.Chance(50) ? 3e9f : -3e9f;
        if (kind < 199) return r.Chance(50) ? inf : -inf;
        return nan;
    }

    // A transform that scales and moves x and y apart (the 2D engine's case), now and then with
    // z feeding x and y, or x and y feeding each other, z or w.
    void RandomWorld(Rng& r) {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        if (r.Chance(50)) {
            const float scales[] = {1.0f, 1.0f, 2.0f, 0.5f, -1.0f, 1.5f, 3.0f, 0.25f, -2.0f, 1.0f / 3.0f};
            m._11 = r.Pick(scales), m._22 = r.Pick(scales);
            m._41 = float(r.In(-20, 20)) + (r.Chance(50) ? 0.0f : r.Unit());
            m._42 = float(r.In(-20, 20)) + (r.Chance(50) ? 0.0f : float(r.In(0, 15)) / 16.0f);
        }
        if (r.Chance(10)) m._31 = r.Unit() * 4 - 2, m._32 = r.Unit() * 4 - 2;
        if (r.Chance(5)) m._33 = r.Chance(50) ? 0.5f : -1.0f, m._43 = r.Chance(50) ? 0.25f : 1.0f;
        if (r.Chance(4)) m._21 = 0.125f;
        if (r.Chance(4)) m._12 = -0.0625f;
        if (r.Chance(4)) m._13 = 0.001f;
        if (r.Chance(3)) m._14 = 0.001f;
        dev->SetTransform(D3DTS_WORLD, &m);
    }

    // Up to layout.most quads in one draw: sprites and rectangles of whole texels or any, their
    // corners given from any of the four, flipped, tall, at the viewport's edges, and now and
    // then one whose colours, depths or texture coordinates differ at a corner, or with a bad
    // corner.
    void RandomBatch(Rng& r, UINT w, UINT h, UINT texW, UINT texH, const Layout& layout = {}) {
        const int count = r.Chance(20) ? r.In(1, 4) : r.In(layout.fewest, layout.most);
        std::vector<FwVertex> v;
        const DWORD common = Colour(r);
        const float z = r.Chance(70) ? 0.0f : (r.Chance(60) ? 0.5f : r.Unit() * 1.2f - 0.1f);
        const int widths[] = {1, 2, 3, 4, 5, 7, 8, 8, 8, 9, 15, 16, 17, 31, 32, 33};
        float nearX = float(w / 2), nearY = float(h / 2);
        for (int k = 0; k < count; ++k) {
            const bool plain = layout.plain && r.Chance(layout.plain);
            auto odd = [&](int percent) { return r.Chance(percent) && !plain; };
            float x1, y1;
            if (layout.near && r.Chance(layout.near)) {
                x1 = nearX + BatchCoord(r, 48, plain) - 24.0f, y1 = nearY + BatchCoord(r, 48, plain) - 24.0f;
            } else {
                x1 = BatchCoord(r, int(w), plain), y1 = BatchCoord(r, int(h), plain);
            }
            if (layout.near && std::isfinite(x1) && std::isfinite(y1))
                nearX = std::clamp(std::floor(x1), 0.0f, float(w)), nearY = std::clamp(std::floor(y1), 0.0f, float(h));
            const float s = r.Chance(75) ? 1.0f : (r.Chance(50) ? 2.0f : 0.5f);
            float x2 = x1 + float(r.Pick(widths)) * s * (r.Chance(10) ? -1.0f : 1.0f);
            float y2 = y1 + float(odd(8) ? r.In(60, 150) : r.Pick(widths)) * s * (r.Chance(10) ? -1.0f : 1.0f);
            if (odd(5)) x2 = BatchCoord(r, int(w));
            if (odd(5)) y2 = x1 == x2 ? y1 : BatchCoord(r, int(h));
            float u1 = float(r.In(0, int(texW) - 1)) / float(texW), v1 = float(r.In(0, int(texH) - 1)) / float(texH);
            if (r.Chance(15)) u1 += r.Unit() / float(texW), v1 -= float(r.In(0, 3));
            float u2 = u1 + (x2 - x1) / s / float(texW), v2 = v1 + (y2 - y1) / s / float(texH);
            if (odd(8)) u2 = u1 + r.Unit() * 2 - 1, v2 = v1 + r.Unit() * 2 - 1;
            if (r.Chance(5)) std::swap(v1, v2);
            DWORD c = r.Chance(85) ? common : Colour(r);
            FwVertex q[4] = {
                {x1, y1, z, c, u1, v1}, {x2, y1, z, c, u2, v1}, {x2, y2, z, c, u2, v2}, {x1, y2, z, c, u1, v2}};
            if (odd(6)) q[r.In(0, 3)].col ^= 0x01000001u;
            if (odd(4)) q[r.In(0, 3)].z += r.Chance(50) ? 0.25f : -0.0f - 1.0f / 1024;
            if (odd(3)) q[r.In(1, 3)].v += 0.125f;
            if (odd(3)) q[r.In(0, 3)].x += 1.0f / 64;  // within one snap step or not
            if (odd(8)) {  // the texture turned on the quad
                const int turn = r.In(1, 3);
                const float us[4] = {u1, u2, u2, u1}, vs[4] = {v1, v1, v2, v2};
                for (int i = 0; i < 4; ++i) q[i].u = us[(i + turn) % 4], q[i].v = vs[(i + turn) % 4];
            }
            if (layout.turned && r.Chance(layout.turned)) {
                const float a = r.Unit() * 6.2832f, cs = std::cos(a), sn = std::sin(a);
                const float cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
                for (FwVertex& corner : q) {
                    const float dx = corner.x - cx, dy = corner.y - cy;
                    corner.x = cx + dx * cs - dy * sn, corner.y = cy + dx * sn + dy * cs;
                }
            }
            const int start = r.Chance(75) ? 0 : r.In(1, 3);
            const bool reverse = r.Chance(10);
            for (int i = 0; i < 4; ++i) v.push_back(q[(start + (reverse ? 4 - i : i)) % 4]);
        }
        const bool indexVariation = r.Chance(15);
        if (indexVariation) {  // quads from other vertices, loose triangles and indices past the end
            void* p = nullptr;
            ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
            auto* idx = static_cast<uint16_t*>(p);
            for (int k = 0; k < count; ++k) {
                const int n = r.Chance(80) ? 4 * k : 4 * r.In(0, count - 1) + r.In(0, 1);
                const uint16_t q[6] = {uint16_t(n), uint16_t(n + 1), uint16_t(n + 2), uint16_t(n + 2), uint16_t(n + 3),
                                       uint16_t(n)};
                for (int i = 0; i < 6; ++i) idx[6 * k + i] = q[i];
                if (r.Chance(5)) idx[6 * k + r.In(0, 5)] = uint16_t(r.In(0, 4 * count + 2));
            }
            ib->Unlock();
        }
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, v.data(), sizeof(FwVertex) * v.size());
        vb->Unlock();
        const int base = r.Chance(90) ? 0 : r.In(-4, 4);
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0, UINT(v.size()), 0, UINT(2 * count));
        if (indexVariation) {
            void* q = nullptr;
            ASSERT_EQ(ib->Lock(0, 0, &q, 0), D3D_OK);
            auto* idx = static_cast<uint16_t*>(q);
            for (int n = 0; n < 4000; n += 4) {
                *idx++ = uint16_t(n), *idx++ = uint16_t(n + 1), *idx++ = uint16_t(n + 2);
                *idx++ = uint16_t(n + 2), *idx++ = uint16_t(n + 3), *idx++ = uint16_t(n);
            }
            ib->Unlock();
        }
    }

    // One of the engine's blend modes (alpha or additive blending, colour modulated or added,
    // the alpha test on or off), now and then any state.
    void RandomBlendMode(Rng& r) {
        if (r.Chance(10)) return RandomState(r);
        EngineState();
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, r.Chance(70) ? D3DTOP_MODULATE : D3DTOP_ADD);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, r.Chance(85));
        dev->SetRenderState(D3DRS_DESTBLEND, r.Chance(70) ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, r.Chance(80));
        dev->SetRenderState(D3DRS_ALPHAREF, r.Chance(70) ? 1 : DWORD(r.In(0, 255)));
    }

    // One round of batches drawn with the current path: on a small target, or, when large, on
    // a target larger than the caches hold, in more and longer draw calls of the engine's blend
    // modes whose quads lie mostly near one another, plain or turned in proportions of the call.
    d3d9test::Image BatchRound(uint32_t seed, bool large = false) {
        Rng r{seed * 2246822519u + 7};
        const D3DFORMAT targets[] = {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
        const D3DFORMAT wide[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
        UINT w = large ? 1920 : UINT(r.In(1, 160)), h = large ? 1080 : UINT(r.In(1, 100));
        Make(w, h, large ? r.Pick(wide) : r.Pick(targets));
        RandomBackground(r, w, h);
        // Mostly a sprite sheet: one level of 32-bit texels.
        IDirect3DTexture9* t = nullptr;
        if (r.Chance(65)) {
            const UINT tw = 1u << r.In(0, 6), th = 1u << r.In(0, 6);
            const uint32_t alpha = r.Pick({0x00FFFFFFu, 0xFFFFFFFFu, 0x80FFFFFFu, 0xFFFFFFFFu});
            const uint32_t salt = r.Next();
            t = Texture(
                tw, th, [&](UINT x, UINT y) { return (x * 2654435761u ^ y * 40503u ^ salt) & alpha; },
                r.Chance(75) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
        } else if (r.Chance(80)) {
            t = RandomTexture(r);
        }
        UINT texW = 1, texH = 1;
        FirstLevelSize(t, &texW, &texH);
        dev->SetTexture(0, t);
        const int batches = large ? r.In(10, 20) : r.In(1, 3);
        for (int b = 0; b < batches; ++b) {
            if (large) RandomBlendMode(r);
            else if (r.Chance(20)) RandomState(r);
            RandomWorld(r);
            RandomViewport(r, w, h);
            if (r.Chance(10)) {
                D3DVIEWPORT9 vp;
                dev->GetViewport(&vp);
                vp.MinZ = r.Chance(50) ? 0.25f : std::numeric_limits<float>::infinity(), vp.MaxZ = 1.0f;
                dev->SetViewport(&vp);
            }
            Layout layout;
            if (large) layout = {100, 900, 90, r.Pick({100, 97, 85}), r.Pick({0, 1, 4, 15})};
            RandomBatch(r, w, h, texW, texH, layout);
        }
        d3d9test::Image img = Back();
        dev->SetTexture(0, nullptr);
        if (t) t->Release();
        Release();
        return img;
    }

    // Draws `round` with the general path, then with each other path, and reports where the
    // pictures differ; false once five rounds have.
    template <class RoundFn>
    void ExpectEveryPathAlike(int rounds, RoundFn round) {
        int differing = 0;
        for (int seed = 0; seed < rounds && differing < 5; ++seed) {
            d3d9test::SetRasterPath(d3d9test::RasterPath::General);
            d3d9test::Image want = round(uint32_t(seed));
            for (const PathName& p : Paths()) {
                ASSERT_TRUE(d3d9test::SetRasterPath(p.path, p.simd));
                d3d9test::Image got = round(uint32_t(seed));
                ASSERT_EQ(got.pixels.size(), want.pixels.size());
                if (got.pixels == want.pixels) continue;
                for (size_t i = 0; i < got.pixels.size(); ++i)
                    if (got.pixels[i] != want.pixels[i]) {
                        ADD_FAILURE() << p.name << ", seed " << seed << ": pixel " << i % want.width << ","
                                      << i / want.width << " is " << std::hex << got.pixels[i] << ", not "
                                      << want.pixels[i];
                        ++differing;
                        break;
                    }
            }
        }
        d3d9test::SetRasterPath(d3d9test::RasterPath::Fastest);
    }

    d3d9test::Image bg_;
    uint32_t bgFrom_ = 0, bgTo_ = 0;
};

TEST_F(RasterPaths, EveryPathDrawsWhatTheGeneralPathDraws) {
    ExpectEveryPathAlike(1500, [this](uint32_t seed) { return Round(seed); });
}

TEST_F(RasterPaths, EveryPathDrawsBatchesOfQuadsAsTheGeneralPathDoes) {
    ExpectEveryPathAlike(800, [this](uint32_t seed) { return BatchRound(seed); });
}

// A target larger than the caches: the upright quads kept for a spans call are drawn half at a
// time, the rest moved down to wait for their rows.
TEST_F(RasterPaths, EveryPathDrawsLongBatchesOnALargeTargetAsTheGeneralPathDoes) {
    ExpectEveryPathAlike(6, [this](uint32_t seed) { return BatchRound(seed, true); });
}

}  // namespace

namespace {

TEST(RasterPathSwitch, NamesOnlyInstructionSetsThisProcessorRuns) {
    d3d9test::ResetControls();
    const std::vector<std::string> targets = d3d9test::RasterSimdTargets();
    for (const std::string& t : targets) {
        EXPECT_NE(t, "SCALAR");
        EXPECT_NE(t, "EMU128");
        EXPECT_TRUE(d3d9test::SetRasterPath(d3d9test::RasterPath::Fastest, t)) << t;
    }
    EXPECT_FALSE(d3d9test::SetRasterPath(d3d9test::RasterPath::Scalar, "no such set"));
    EXPECT_TRUE(d3d9test::SetRasterPath(d3d9test::RasterPath::Fastest));
    d3d9test::ResetControls();
}

}  // namespace

namespace {

// Draws with every path onto the same background and expects the general path's picture.
class PathsAgree : public DeviceTest {
protected:
    template <class Draw>
    void ExpectSameOnEveryPath(UINT w, UINT h, D3DFORMAT fmt, Draw draw) {
        d3d9test::Image want;
        std::vector<PathName> paths = Paths();
        paths.insert(paths.begin(), PathName{d3d9test::RasterPath::General, "general", ""});
        for (const PathName& p : paths) {
            ASSERT_TRUE(d3d9test::SetRasterPath(p.path, p.simd));
            Make(w, h, fmt);
            IDirect3DSurface9* back = nullptr;
            dev->GetRenderTarget(0, &back);
            d3d9test::Image bg;
            bg.width = w, bg.height = h;
            for (UINT i = 0; i < w * h; ++i) bg.pixels.push_back(0xFF000000u | (i * 2654435761u >> 8));
            EXPECT_TRUE(d3d9test::WriteSurface(back, bg));
            back->Release();
            draw();
            d3d9test::Image got = Back();
            dev->SetTexture(0, nullptr);
            Release();
            if (p.path == d3d9test::RasterPath::General) {
                want = got;
                continue;
            }
            for (size_t i = 0; i < got.pixels.size(); ++i)
                ASSERT_EQ(got.pixels[i], want.pixels[i]) << p.name << " at " << i % w << "," << i / w;
        }
        d3d9test::SetRasterPath(d3d9test::RasterPath::Fastest);
    }
};

// The game's second pass: its 320 x 240 target (X8R8G8B8, stored 512 x 256) drawn white and
// alpha-blended at twice its size: every texel becomes two by two opaque pixels.
TEST_F(PathsAgree, TheDoubledTargetIsEachTexelTwoByTwo) {
    std::vector<uint32_t> texels(512 * 256);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint32_t(i * 2246822519u);  // alpha bits too
    IDirect3DTexture9* t = nullptr;
    ExpectSameOnEveryPath(640, 480, D3DFMT_X8R8G8B8, [&] {
        t = Texture(512, 256, [&](UINT x, UINT y) { return texels[y * 512 + x]; }, D3DFMT_X8R8G8B8);
        dev->SetTexture(0, t);
        Rect(0, 0, 640, 480, 0xFFFFFFFF, 0.5f, 0, 0, 320.0f / 512, 240.0f / 256);
        d3d9test::Image img = Back();
        for (UINT y = 0; y < 480; y += 7)
            for (UINT x = 0; x < 640; x += 3)
                ASSERT_EQ(img.At(x, y), texels[(y / 2) * 512 + x / 2] | 0xFF000000u) << x << "," << y;
        dev->SetTexture(0, nullptr);
        t->Release();
    });
}

// What the general path takes, the others take alike: corners not a number, infinite, far away
// or huge; inverted, empty and one-pixel quads; empty and outside clip rectangles; the smallest
// and largest textures.
TEST_F(PathsAgree, BadInputDrawsAsTheGeneralPathDrawsIt) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float corners[][4] = {{nan, 2, 9, 9},   {2, 2, inf, 9},     {-inf, -inf, inf, inf}, {1e9f, 3, 1e9f + 8, 9},
                                {-3e6f, -3e6f, 3e6f, 3e6f}, {9, 9, 2, 2},  {5, 2, 5, 9},  {2, 5, 9, 5},
                                {3, 3, 4, 4},     {-1e30f, 0, 1e30f, 7}, {2.5f, 2.5f, 2.5f, 2.5f}};
    const D3DVIEWPORT9 viewports[] = {{0, 0, 24, 16, 0, 1}, {0, 0, 0, 0, 0, 1},        {30, 20, 5, 5, 0, 1},
                                      {3, 3, 1, 1, 0, 1},   {0, 0, 0xFFFFFFFFu, 4, 0, 1}};
    for (UINT size : {1u, 2u, 4096u}) {
        IDirect3DTexture9* t = nullptr;
        ExpectSameOnEveryPath(24, 16, D3DFMT_A8R8G8B8, [&] {
            t = Texture(size, size > 2 ? 1 : size, [](UINT x, UINT y) { return 0x80FFFFFFu ^ (x * 77 + y * 3); });
            dev->SetTexture(0, t);
            for (const D3DVIEWPORT9& vp : viewports) {
                dev->SetViewport(&vp);
                for (const auto& c : corners) {
                    Rect(c[0], c[1], c[2], c[3], 0xC0FF8040, 0.5f, 0, 0, 1, 1);
                    Rect(c[0], c[1], c[2], c[3], 0xFFFFFFFF, 0.5f, -nan, 0, inf, 1);
                }
            }
            dev->SetTexture(0, nullptr);
            t->Release();
        });
    }
}

}  // namespace
