// Shared set-up of the system, state and frame-loop tests: a fresh headless window system
// and one engine reference; optionally the engine's window made by hand (class, window, a
// bare Direct3D object) so the frame loop and the window procedure run without graphics.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_impl.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/win32/win32.h"

namespace fwtest {

namespace hl = platform::headless;

class EngineTest : public ::testing::Test {
protected:
    Engine* engine = nullptr;
    EngineImpl* e = nullptr;
    bool manual = false;

    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
        d3d9test::ResetControls();
        engine = CreateEngine(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        e = static_cast<EngineImpl*>(engine);
    }

    void TearDown() override {
        if (manual) {
            e->Input_ClearQueue();
            if (e->window) DestroyWindow(e->window);
            e->window = nullptr;
            if (e->d3d) e->d3d->Release();
            e->d3d = nullptr;
            UnregisterClassA("ZEV__WNDCLASS", e->instance);
        }
        engine->System_Release();
        hl::Reset();
        d3d9test::ResetControls();
    }

    // The engine's window as System_Initiate makes it, without devices: the class with the
    // engine's procedure, a windowed window (or a child of the parent state), a bare
    // Direct3D object so activation reaches the engine, and the timer reset.
    void ManualStart(int width = 64, int height = 48) {
        manual = true;
        WNDCLASSA wc;
        memset(&wc, 0, sizeof(wc));
        wc.lpfnWndProc = EngineImpl::System_WindowProc;
        wc.hInstance = e->instance;
        wc.lpszClassName = "ZEV__WNDCLASS";
        ASSERT_NE(RegisterClassA(&wc), 0);
        e->screenWidth = width;
        e->screenHeight = height;
        DWORD style = e->parentWindow ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
        e->windowed = true;
        e->window = CreateWindowExA(0, "ZEV__WNDCLASS", "test", style, 0, 0, width, height, e->parentWindow,
                                    nullptr, e->instance, nullptr);
        ASSERT_NE(e->window, nullptr);
        e->d3d = Direct3DCreate9(D3D_SDK_VERSION);
        MSG msg;  // creation's own messages (the first paint) are done with before the test
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        e->time = 0.0f;
        e->t0 = e->t0fps = timeGetTime();
        e->dt = 0;
        e->cfps = 0;
        e->fpsShown = 0;
    }

    std::vector<std::string> Lines() { return hl::DebugLines(); }
};

}  // namespace fwtest
