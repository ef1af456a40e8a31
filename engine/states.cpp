// Engine states: the setters carry a change into the window, the device or the sound at once.
#include <cstdio>
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/win32/win_path.h"

namespace {

// Copies at most size - 1 characters and terminates; the source may lie in the destination
// (a title set from the title's own text).
void CopyText(char* dst, const char* src, size_t size) {
    size_t n = strlen(src);
    if (n > size - 1) n = size - 1;
    memmove(dst, src, n);
    dst[n] = 0;
}

// Sets a file-name state to the full path of a name; null clears it. A name whose full path
// does not fit is refused and leaves the state as it was. False when nothing was set.
bool SetFullPath(EngineImpl* e, char* dst, size_t size, const char* name) {
    if (!name) {
        dst[0] = 0;
        return false;
    }
    const char* full = e->Resource_FullPath(name);
    if (!full[0]) return false;
    CopyText(dst, full, size);
    return true;
}

}  // namespace

void EngineImpl::System_SetStateBool(BoolState state, bool value) {
    switch (state) {
    case STATE_WINDOWED:
        if (vertArray || parentWindow) break;
        if (!d3dDevice || value == windowed) {
            windowed = value;
            break;
        }
        if (d3dppW.BackBufferFormat == D3DFMT_UNKNOWN || d3dppFS.BackBufferFormat == D3DFMT_UNKNOWN) break;
        if (windowed) GetWindowRect(window, &rectW);
        windowed = value;
        d3dpp = windowed ? &d3dppW : &d3dppFS;
        screenBPP = Gfx_FormatId(d3dpp->BackBufferFormat) < 4 ? 16 : 32;
        Gfx_Restore();
        Gfx_AdjustWindow();
        break;
    case STATE_ZBUFFER:
        if (!d3dDevice) zBuffer = value;
        break;
    case STATE_TEXTURE_FILTER:
        textureFilter = value;
        if (d3dDevice) {
            Gfx_RenderBatch();
            DWORD filter = value ? D3DTEXF_LINEAR : D3DTEXF_POINT;
            d3dDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
            d3dDevice->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        }
        break;
    case STATE_USE_SOUND:
        if (value == useSound) break;
        useSound = value;
        if (window) {
            if (useSound)
                Sound_Init();
            else
                Sound_Done();
        }
        break;
    case STATE_DONT_SUSPEND:
        dontSuspend = value;
        break;
    case STATE_HIDE_MOUSE:
        hideMouse = value;
        break;
    default:
        break;
    }
}

void EngineImpl::System_SetStateFunc(FuncState state, EngineCallback value) {
    switch (state) {
    case STATE_FRAME_FUNC: frameFunc = value; break;
    case STATE_RENDER_FUNC: renderFunc = value; break;
    case STATE_FOCUS_LOST_FUNC: focusLostFunc = value; break;
    case STATE_FOCUS_GAIN_FUNC: focusGainFunc = value; break;
    case STATE_GFX_RESTORE_FUNC: gfxRestoreFunc = value; break;
    case STATE_EXIT_FUNC: exitFunc = value; break;
    default: break;
    }
}

void EngineImpl::System_SetStateHwnd(HwndState state, HWND value) {
    if (state == STATE_PARENT_WINDOW && !window) parentWindow = value;
}

void EngineImpl::System_SetStateInt(IntState state, int value) {
    switch (state) {
    case STATE_SCREEN_WIDTH:
        if (!d3dDevice) screenWidth = value;
        break;
    case STATE_SCREEN_HEIGHT:
        if (!d3dDevice) screenHeight = value;
        break;
    case STATE_SCREEN_BPP:
        if (!d3dDevice) screenBPP = value;
        break;
    case STATE_SAMPLE_RATE:
        if (!soundLib) sampleRate = value;
        break;
    case STATE_EFFECT_VOLUME:
        fxVolume = value;
        Sound_SetEffectVolume(fxVolume);
        break;
    case STATE_MUSIC_VOLUME:
        musVolume = value;
        Sound_SetMusicVolume(musVolume);
        break;
    case STATE_STREAM_VOLUME:
        streamVolume = value;
        Sound_SetStreamVolume(streamVolume);
        break;
    case STATE_FPS:
        if (vertArray) break;
        if (d3dDevice && ((fps >= 0) != (value >= 0))) {
            d3dppW.SwapEffect = D3DSWAPEFFECT_COPY;
            if (value == FPS_VSYNC) {
                d3dppW.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
                d3dppFS.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
            } else {
                d3dppFS.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
            }
            Gfx_Restore();
        }
        fps = value;
        fixedDelta = fps > 0 ? static_cast<DWORD>(1000.0 / fps) : 0;
        break;
    default:
        break;
    }
}

void EngineImpl::System_SetStateString(StringState state, const char* value) {
    switch (state) {
    case STATE_ICON:
        iconName = value;
        if (window) SetClassLongA(window, GCL_HICON, static_cast<LONG>(reinterpret_cast<uintptr_t>(LoadIconA(instance, iconName))));
        break;
    case STATE_TITLE:
        if (!value) break;  // a null title is not accepted
        CopyText(winTitle, value, sizeof(winTitle));
        if (window) SetWindowTextA(window, winTitle);
        break;
    case STATE_INI_FILE:
        SetFullPath(this, iniFile, sizeof(iniFile), value);
        break;
    case STATE_LOG_FILE: {
        if (!SetFullPath(this, logFile, sizeof(logFile), value)) break;
        FILE* f = fopen(platform::TranslatePath(logFile).c_str(), "w");
        if (f)
            fclose(f);
        else
            logFile[0] = 0;
        break;
    }
    default:
        break;
    }
}

bool EngineImpl::System_GetStateBool(BoolState state) {
    switch (state) {
    case STATE_WINDOWED: return windowed;
    case STATE_ZBUFFER: return zBuffer;
    case STATE_TEXTURE_FILTER: return textureFilter;
    case STATE_USE_SOUND: return useSound;
    case STATE_DONT_SUSPEND: return dontSuspend;
    case STATE_HIDE_MOUSE: return hideMouse;
    default: return false;
    }
}

EngineCallback EngineImpl::System_GetStateFunc(FuncState state) {
    switch (state) {
    case STATE_FRAME_FUNC: return frameFunc;
    case STATE_RENDER_FUNC: return renderFunc;
    case STATE_FOCUS_LOST_FUNC: return focusLostFunc;
    case STATE_FOCUS_GAIN_FUNC: return focusGainFunc;
    case STATE_GFX_RESTORE_FUNC: return gfxRestoreFunc;
    case STATE_EXIT_FUNC: return exitFunc;
    default: return nullptr;
    }
}

HWND EngineImpl::System_GetStateHwnd(HwndState state) {
    switch (state) {
    case STATE_WINDOW: return window;
    case STATE_PARENT_WINDOW: return parentWindow;
    default: return nullptr;
    }
}

int EngineImpl::System_GetStateInt(IntState state) {
    switch (state) {
    case STATE_SCREEN_WIDTH: return screenWidth;
    case STATE_SCREEN_HEIGHT: return screenHeight;
    case STATE_SCREEN_BPP: return screenBPP;
    case STATE_SAMPLE_RATE: return sampleRate;
    case STATE_EFFECT_VOLUME: return fxVolume;
    case STATE_MUSIC_VOLUME: return musVolume;
    case STATE_STREAM_VOLUME: return streamVolume;
    case STATE_FPS: return fps;
    case STATE_POWER_STATUS: return powerStatus;
    default: return 0;
    }
}

const char* EngineImpl::System_GetStateString(StringState state) {
    switch (state) {
    case STATE_ICON: return iconName;
    case STATE_TITLE: return winTitle;
    case STATE_INI_FILE: return iniFile[0] ? iniFile : nullptr;
    case STATE_LOG_FILE: return logFile[0] ? logFile : nullptr;
    default: return nullptr;
    }
}
