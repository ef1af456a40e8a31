// Shared set-up of the graphics tests: one engine with a headless window and its device made
// by Gfx_Init directly, without the rest of start-up.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_impl.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/win32/win32.h"

struct GfxOptions {
    int width = 64;
    int height = 64;
    bool windowed = true;
    bool zbuffer = false;
    bool filter = false;
    int bpp = 32;
    int fps = 0;
};

class GfxTest : public ::testing::Test {
protected:
    Engine* engine = nullptr;
    EngineImpl* e = nullptr;
    HWND hwnd = nullptr;

    void SetUp() override {
        platform::headless::Reset();
        platform::headless::SetDebugEcho(false);
        d3d9test::ResetControls();
        d3d9test::EnableJournal(true);
        engine = CreateEngine(ENGINE_VERSION);
        e = static_cast<EngineImpl*>(engine);
    }

    void TearDown() override {
        e->Gfx_Done();
        if (hwnd) DestroyWindow(hwnd);
        e->window = nullptr;
        engine->System_Release();
        EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
        d3d9test::ResetControls();
        platform::headless::Reset();
    }

    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

    // Makes the window and sets the states Gfx_Init reads; false when Gfx_Init fails.
    bool Start(const GfxOptions& o = GfxOptions()) {
        WNDCLASSA wc;
        memset(&wc, 0, sizeof(wc));
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GFX_TEST_WND";
        RegisterClassA(&wc);
        LONG style = static_cast<LONG>(WS_POPUP | WS_VISIBLE);
        hwnd = CreateWindowExA(0, "GFX_TEST_WND", "gfx", static_cast<DWORD>(style), 0, 0, o.width, o.height,
                               nullptr, nullptr, wc.hInstance, nullptr);
        e->window = hwnd;
        e->screenWidth = o.width;
        e->screenHeight = o.height;
        e->screenBPP = o.bpp;
        e->windowed = o.windowed;
        e->zBuffer = o.zbuffer;
        e->textureFilter = o.filter;
        e->fps = o.fps;
        e->rectW = RECT{0, 0, o.width, o.height};
        e->styleW = style;
        e->rectFS = RECT{0, 0, o.width, o.height};
        e->styleFS = style;
        return e->Gfx_Init();
    }

    std::string Error() { return engine->System_GetErrorMessage(); }

    // A quad covering (x, y) to (x + w, y + h) with texture coordinates 0..1.
    static Quad MakeQuad(float x, float y, float w, float h, DWORD color, TextureHandle tex = nullptr,
                         int blend = BLENDMODE_DEFAULT, float z = 0.0f) {
        Quad q;
        memset(&q, 0, sizeof(q));
        const float xs[4] = {x, x + w, x + w, x};
        const float ys[4] = {y, y, y + h, y + h};
        const float us[4] = {0, 1, 1, 0};
        const float vs[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; i++) {
            q.v[i].x = xs[i];
            q.v[i].y = ys[i];
            q.v[i].z = z;
            q.v[i].col = color;
            q.v[i].tx = us[i];
            q.v[i].ty = vs[i];
        }
        q.tex = tex;
        q.blend = blend;
        return q;
    }

    static Triangle MakeTriangle(float x0, float y0, float x1, float y1, float x2, float y2, DWORD color,
                                 TextureHandle tex = nullptr, int blend = BLENDMODE_DEFAULT) {
        Triangle t;
        memset(&t, 0, sizeof(t));
        const float xs[3] = {x0, x1, x2};
        const float ys[3] = {y0, y1, y2};
        for (int i = 0; i < 3; i++) {
            t.v[i].x = xs[i];
            t.v[i].y = ys[i];
            t.v[i].col = color;
            t.v[i].tx = xs[i] / 64.0f;
            t.v[i].ty = ys[i] / 64.0f;
        }
        t.tex = tex;
        t.blend = blend;
        return t;
    }

    // A managed texture of w x h filled by fill(x, y) -> ARGB.
    template <typename F>
    TextureHandle MakeTexture(int w, int h, F fill) {
        TextureHandle tex = engine->Texture_Create(w, h);
        if (!tex) return nullptr;
        DWORD* p = engine->Texture_Lock(tex, false);
        if (!p) return tex;
        int tw = engine->Texture_GetWidth(tex);
        int th = engine->Texture_GetHeight(tex);
        for (int y = 0; y < th; y++)
            for (int x = 0; x < tw; x++) p[y * tw + x] = fill(x, y);
        engine->Texture_Unlock(tex);
        return tex;
    }

    d3d9test::Image BackBuffer() { return d3d9test::ReadBackBuffer(e->d3dDevice); }
};
