// The frame loop and the timer.
#include "engine/engine_impl.h"

bool EngineImpl::System_Start() {
    if (!window) {
        System_PostError("System_Start: System_Initiate wasn't called");
        return false;
    }
    if (!frameFunc) {
        System_PostError("System_Start: No frame function defined");
        return false;
    }

    active = true;
    for (;;) {
        if (!parentWindow) {
            MSG msg;
            bool quit = false;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    break;
                }
                DispatchMessageA(&msg);
            }
            if (quit) break;
        }

        Input_UpdateMouse();

        if (active || dontSuspend) {
            do {
                dt = timeGetTime() - t0;
            } while (dt < 1);

            if (dt >= fixedDelta) {
                deltaTime = static_cast<float>(dt / 1000.0);
                if (deltaTime > 0.2f) deltaTime = fixedDelta ? static_cast<float>(fixedDelta / 1000.0) : 0.01f;
                time += deltaTime;

                t0 = timeGetTime();
                if (t0 - t0fps <= 1000) {
                    cfps++;
                } else {
                    fpsShown = cfps;
                    cfps = 0;
                    t0fps = t0;
                    Power_Update();
                }

                // The callback may have been cleared meanwhile: a missing one asks for nothing.
                if (frameFunc && frameFunc()) break;
                if (renderFunc) renderFunc();
                if (parentWindow) break;
                Input_ClearQueue();
            } else if (fixedDelta && dt + 3 < fixedDelta) {
                Sleep(1);
            }
        } else {
            Sleep(1);
        }
    }

    Input_ClearQueue();
    active = false;
    return true;
}

float EngineImpl::Timer_GetTime() { return time; }
float EngineImpl::Timer_GetDelta() { return deltaTime; }
int EngineImpl::Timer_GetFPS() { return fpsShown; }
