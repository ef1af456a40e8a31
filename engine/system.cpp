// Start-up, shutdown, the window procedure, the log, posted errors and launching.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/engine_impl.h"

namespace {

const char* const kWindowClass = "ZEV__WNDCLASS";

// The log line buffer shared by every caller: at most 255 characters, always terminated.
char g_logLine[256];

// The key code of the button a mouse button message is about.
int ButtonKey(UINT msg) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return VK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return VK_RBUTTON;
    default: return VK_MBUTTON;
    }
}

}  // namespace

bool EngineImpl::System_Initiate() {
    SYSTEMTIME tm;
    OSVERSIONINFOA os;
    MEMORYSTATUS mem;

    System_Log("ZEV Started..\n");
    System_Log("ZEV version: %X.%X", ENGINE_VERSION >> 8, ENGINE_VERSION & 0xFF);
    GetLocalTime(&tm);
    System_Log("Date: %02d.%02d.%d, %02d:%02d:%02d\n", tm.wDay, tm.wMonth, tm.wYear, tm.wHour, tm.wMinute,
               tm.wSecond);
    System_Log("Application: %s", winTitle);
    memset(&os, 0, sizeof(os));
    os.dwOSVersionInfoSize = sizeof(os);
    GetVersionExA(&os);
    System_Log("OS: Windows %ld.%ld.%ld", static_cast<long>(os.dwMajorVersion), static_cast<long>(os.dwMinorVersion),
               static_cast<long>(os.dwBuildNumber));
    GlobalMemoryStatus(&mem);
    System_Log("Memory: %ldK total, %ldK free\n", static_cast<long>(mem.dwTotalPhys >> 10),
               static_cast<long>(mem.dwAvailPhys >> 10));

    WNDCLASSA wc;
    wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = System_WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = iconName ? LoadIconA(instance, iconName) : LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) {
        System_PostError("Can't register window class");
        return false;
    }

    int width = screenWidth + GetSystemMetrics(SM_CXFIXEDFRAME) * 2;
    int height = screenHeight + GetSystemMetrics(SM_CYFIXEDFRAME) * 2 + GetSystemMetrics(SM_CYCAPTION);
    rectW.left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    rectW.top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    rectW.right = rectW.left + width;
    rectW.bottom = rectW.top + height;
    styleW = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

    rectFS.left = 0;
    rectFS.top = 0;
    rectFS.right = screenWidth;
    rectFS.bottom = screenHeight;
    styleFS = WS_POPUP | WS_VISIBLE;

    if (parentWindow) {
        rectW.left = 0;
        rectW.top = 0;
        rectW.right = screenWidth;
        rectW.bottom = screenHeight;
        styleW = WS_CHILD | WS_VISIBLE;
        windowed = true;
    }

    if (windowed)
        window = CreateWindowExA(0, kWindowClass, winTitle, styleW, rectW.left, rectW.top, rectW.right - rectW.left,
                                 rectW.bottom - rectW.top, parentWindow, nullptr, instance, nullptr);
    else
        window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, winTitle, styleFS, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    if (!window) {
        System_PostError("Can't create window");
        return false;
    }
    ShowWindow(window, SW_SHOW);

    timeBeginPeriod(1);
    Random_Seed(0);
    Power_Init();
    Input_Init();
    if (!Gfx_Init()) {
        System_Shutdown();
        return false;
    }
    if (!Sound_Init()) {
        System_Shutdown();
        return false;
    }

    System_Log("Init done.\n");

    time = 0.0f;
    t0 = t0fps = timeGetTime();
    dt = 0;
    cfps = 0;
    fpsShown = 0;
    return true;
}

void EngineImpl::System_Shutdown() {
    System_Log("\nFinishing..");
    timeEndPeriod(1);
    if (search) {
        FindClose(search);
        search = nullptr;
    }
    Input_ClearQueue();
    Sound_Done();
    Gfx_Done();
    Power_Done();
    if (window) {
        DestroyWindow(window);
        window = nullptr;
    }
    if (instance) UnregisterClassA(kWindowClass, instance);
    System_Log("The End.");
}

char* EngineImpl::System_GetErrorMessage() { return errorText; }

void EngineImpl::System_Log(const char* format, ...) {
    if (format) {
        va_list ap;
        va_start(ap, format);
        vsnprintf(g_logLine, sizeof(g_logLine), format, ap);
        va_end(ap);
    } else {
        g_logLine[0] = 0;
    }
    OutputDebugStringA(g_logLine);
    OutputDebugStringA("\n");
}

bool EngineImpl::System_Launch(const char* url) {
    HINSTANCE r = ShellExecuteA(window, nullptr, url, nullptr, nullptr, SW_SHOWMAXIMIZED);
    return reinterpret_cast<intptr_t>(r) > 32;
}

void EngineImpl::System_PostError(const char* message) {
    const char* text = message ? message : "";
    System_Log("%s", text);
    size_t n = strlen(text);
    if (n > sizeof(errorText) - 1) n = sizeof(errorText) - 1;
    memmove(errorText, text, n);
    errorText[n] = 0;
}

void EngineImpl::System_PostLoadError(const char* message, const char* filename, DWORD size) {
    if (size || !filename) {
        System_PostError(message);
        return;
    }
    char text[sizeof(errorText)];
    snprintf(text, sizeof(text), "%s: %s", message, filename);
    System_PostError(text);
}

void EngineImpl::System_FocusChange(bool act) {
    active = act;
    if (active) {
        if (focusGainFunc) focusGainFunc();
    } else {
        if (focusLostFunc) focusLostFunc();
    }
}

LRESULT CALLBACK EngineImpl::System_WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    EngineImpl* e = pEngine;
    if (!e) return DefWindowProcA(hwnd, msg, wparam, lparam);

    const int x = GET_X_LPARAM(lparam);
    const int y = GET_Y_LPARAM(lparam);
    const int scan = static_cast<int>((static_cast<DWORD>(lparam) >> 16) & 0xFF);
    const int repeat = (static_cast<DWORD>(lparam) & (1u << 30)) ? INPUT_FLAG_REPEAT : 0;

    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (e->d3d && wparam == SIZE_RESTORED) e->Gfx_Resize(LOWORD(lparam), HIWORD(lparam));
        break;
    case WM_ACTIVATE: {
        bool act = LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0;
        if (e->d3d && act != e->active) e->System_FocusChange(act);
        return 0;
    }
    case WM_PAINT:
        if (e->active && e->d3d && e->renderFunc && e->windowed) e->renderFunc();
        break;
    case WM_SETCURSOR:
        if (e->active && LOWORD(lparam) == HTCLIENT && e->hideMouse)
            SetCursor(nullptr);
        else
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        return 0;
    case WM_SYSKEYDOWN:
        if (wparam == VK_F4) {
            if (e->exitFunc && !e->exitFunc()) return 0;
            break;
        }
        if (wparam == VK_RETURN) {
            e->System_SetState(STATE_WINDOWED, !e->System_GetState(STATE_WINDOWED));
            return 0;
        }
        [[fallthrough]];
    case WM_KEYDOWN:
        e->Input_BuildEvent(INPUT_KEYDOWN, static_cast<int>(wparam), scan, repeat, -1, -1);
        return 0;
    case WM_SYSKEYUP:
    case WM_KEYUP:
        e->Input_BuildEvent(INPUT_KEYUP, static_cast<int>(wparam), scan, 0, -1, -1);
        return 0;
    case WM_MOUSEMOVE:
        e->Input_BuildEvent(INPUT_MOUSEMOVE, 0, 0, 0, x, y);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(hwnd);
        e->Input_BuildEvent(INPUT_MBUTTONDOWN, ButtonKey(msg), 0, 0, x, y);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        e->Input_BuildEvent(INPUT_MBUTTONUP, ButtonKey(msg), 0, 0, x, y);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        e->Input_BuildEvent(INPUT_MBUTTONDOWN, ButtonKey(msg), 0, INPUT_FLAG_REPEAT, x, y);
        return 0;
    case WM_MOUSEWHEEL:
        e->Input_BuildEvent(INPUT_MOUSEWHEEL, GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA, 0, 0, x, y);
        return 0;
    case WM_SYSCOMMAND:
        if (wparam == SC_CLOSE) {
            if (e->exitFunc && !e->exitFunc()) return 0;
            e->active = false;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}
