// The SDL2 side of the window system: real windows, window events as window messages,
// cursor and mouse, message boxes and presentation.
#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/backend/backend_internal.h"
#include "platform/backend/sdl_input.h"

namespace platform::sdl {

namespace {
enum class VideoState { Untried, Up, Failed };
VideoState g_video = VideoState::Untried;
}  // namespace

bool EnsureVideo() {
    if (g_video == VideoState::Up) return true;
    // A failure is not kept: a later call tries again (the environment may have changed).
    g_video = VideoState::Failed;
    const char* asked = getenv("SDL_VIDEODRIVER");
    // Presentation copies into the window surface; no GL renderer behind it is needed.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        return false;
    }
    // Never run invisibly by accident: the drivers without a display count only when asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    if ((!asked || !*asked) && driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy") ||
                                          !strcmp(driver, "evdev"))) {
        fprintf(stderr, "SDL video: no display (driver %s was not asked for)\n", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    g_video = VideoState::Up;
    return true;
}

void* CreateSdlWindow(const char* title, int x, int y, int w, int h, bool bordered, bool visible) {
    if (!EnsureVideo()) return nullptr;
    Uint32 flags = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (!bordered) flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* win = SDL_CreateWindow(title ? title : "", x, y, w > 0 ? w : 1, h > 0 ? h : 1, flags);
    if (!win) fprintf(stderr, "SDL window: %s\n", SDL_GetError());
    return win;
}

void DestroySdlWindow(void* window) {
    if (window && g_video == VideoState::Up) SDL_DestroyWindow(static_cast<SDL_Window*>(window));
}

void SetTitle(void* window, const char* title) {
    if (window) SDL_SetWindowTitle(static_cast<SDL_Window*>(window), title ? title : "");
}

void SetGeometry(void* window, int x, int y, int w, int h, bool bordered, bool fullScreen) {
    if (!window) return;
    SDL_Window* win = static_cast<SDL_Window*>(window);
    bool isFull = (SDL_GetWindowFlags(win) & SDL_WINDOW_FULLSCREEN) != 0;
    if (fullScreen) {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_UNKNOWN, w, h, 0, nullptr};
        SDL_SetWindowDisplayMode(win, &mode);
        if (!isFull && SDL_SetWindowFullscreen(win, SDL_WINDOW_FULLSCREEN) == 0) return;
        if (isFull) return;
    } else if (isFull) {
        SDL_SetWindowFullscreen(win, 0);
    }
    SDL_SetWindowBordered(win, bordered ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(win, w > 0 ? w : 1, h > 0 ? h : 1);
    SDL_SetWindowPosition(win, x, y);
}

void Show(void* window, bool show) {
    if (!window) return;
    if (show)
        SDL_ShowWindow(static_cast<SDL_Window*>(window));
    else
        SDL_HideWindow(static_cast<SDL_Window*>(window));
}

void ShowCursor(bool show) {
    if (g_video == VideoState::Up) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void CaptureMouse(bool capture) {
    if (g_video == VideoState::Up) SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

void WarpMouse(int x, int y) {
    if (g_video == VideoState::Up) SDL_WarpMouseGlobal(x, y);
}

bool GlobalMouse(int* x, int* y) {
    if (g_video != VideoState::Up) return false;
    SDL_GetGlobalMouseState(x, y);
    return true;
}

void* MouseFocus() { return g_video == VideoState::Up ? SDL_GetMouseFocus() : nullptr; }

bool DesktopSize(int* w, int* h) {
    if (g_video != VideoState::Up) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return false;
    *w = mode.w;
    *h = mode.h;
    return true;
}

namespace {
// The process that shows a message box, 0 when none is up. SDL's X11 box draws in a forked
// child while the process waits for it; SDL's own SIGINT and SIGTERM handlers only post a quit
// event, so without the handlers below neither process would end on those signals.
std::atomic<pid_t> g_boxOwner{0};
// In a child forked while a box was up: the process that shows the box.
std::atomic<pid_t> g_drawsFor{0};

void EndOnSignal(int sig) {
    // Ending the drawer alone would make SDL try its next kind of box.
    pid_t owner = g_drawsFor.load();
    if (owner != 0) kill(owner, sig);
    _exit(0);
}

// A child forked while a box is up dies with the thread that waits for it.
void DieWithBoxOwner() {
    pid_t owner = g_boxOwner.load();
    if (owner == 0) return;
    g_boxOwner.store(0);
    g_drawsFor.store(owner);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != owner) _exit(0);  // the owner went before the line above
}

// While it lives, SIGINT and SIGTERM end the process at once, as OK would (signals the process
// was started with ignored stay ignored).
class SignalsEndBox {
public:
    SignalsEndBox() {
        static const bool registered = pthread_atfork(nullptr, nullptr, DieWithBoxOwner) == 0;
        (void)registered;
        g_boxOwner.store(getpid());
        struct sigaction end {};
        end.sa_handler = EndOnSignal;
        sigemptyset(&end.sa_mask);
        for (int i = 0; i < 2; ++i) {
            sigaction(kSignals[i], nullptr, &old_[i]);
            if (old_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &end, nullptr);
        }
    }
    ~SignalsEndBox() {
        for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &old_[i], nullptr);
        g_boxOwner.store(0);
    }
    SignalsEndBox(const SignalsEndBox&) = delete;
    SignalsEndBox& operator=(const SignalsEndBox&) = delete;

private:
    static constexpr int kSignals[2] = {SIGINT, SIGTERM};
    struct sigaction old_[2];
};
}  // namespace

bool ShowMessageBox(const char* caption, const char* text, unsigned type, void* parent) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == 0x10) flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & 0xF0) == 0x30) flags = SDL_MESSAGEBOX_WARNING;
    SignalsEndBox endOnSignal;
    return SDL_ShowSimpleMessageBox(flags, caption, text, static_cast<SDL_Window*>(parent)) == 0;
}

bool Present(void* window, int dx, int dy, int dw, int dh, const uint32_t* pixels, int w, int h, int pitch) {
    if (!window || !pixels || w <= 0 || h <= 0 || dw <= 0 || dh <= 0) return false;
    SDL_Window* win = static_cast<SDL_Window*>(window);
    SDL_Surface* dst = SDL_GetWindowSurface(win);
    if (!dst) return false;
    // The caller's pixels are read in place through a wrapper that is kept while they stay
    // where they are, so a steady present makes no surface.
    static SDL_Surface* src = nullptr;
    if (!src || src->pixels != pixels || src->w != w || src->h != h || src->pitch != pitch) {
        if (src) SDL_FreeSurface(src);
        src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), w, h, 32, pitch,
                                                 SDL_PIXELFORMAT_ARGB8888);
        if (!src) return false;
        SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
    }
    SDL_Rect to{dx, dy, dw, dh};
    if (SDL_GetWindowFlags(win) & SDL_WINDOW_FULLSCREEN) {
        // The display mode may be larger than asked for: fill it, keeping the proportions.
        if (dst->w != dw || dst->h != dh) {
            SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 0, 0, 0));
            double scale = std::min(double(dst->w) / dw, double(dst->h) / dh);
            to.w = int(dw * scale);
            to.h = int(dh * scale);
            to.x = (dst->w - to.w) / 2;
            to.y = (dst->h - to.h) / 2;
        }
    }
    dw = to.w;
    dh = to.h;
    int rc = (dw == w && dh == h) ? SDL_BlitSurface(src, nullptr, dst, &to) : SDL_BlitScaled(src, nullptr, dst, &to);
    if (rc != 0) return false;
    return SDL_UpdateWindowSurface(win) == 0;
}

namespace {
Uint32 EventWindowId(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return e.key.windowID;
    case SDL_TEXTINPUT:
        return e.text.windowID;
    case SDL_TEXTEDITING:
        return e.edit.windowID;
    case SDL_MOUSEMOTION:
        return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return e.button.windowID;
    case SDL_MOUSEWHEEL:
        return e.wheel.windowID;
    default:
        return 0;
    }
}

HWND HwndOfId(Uint32 id) {
    if (!id) return nullptr;
    return detail::WindowOfSdl(SDL_GetWindowFromID(id));
}
}  // namespace

void PumpEvents() {
    if (g_video != VideoState::Up) return;
    SDL_Event e;
    bool closeSeen = false;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_WINDOWEVENT) {
            HWND hwnd = HwndOfId(e.window.windowID);
            if (!hwnd) continue;
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                closeSeen = true;
                PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                detail::NoteSdlActivation(hwnd, true);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                detail::NoteSdlActivation(hwnd, false);
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                detail::NoteSdlMinimized(hwnd, true);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                detail::NoteSdlMinimized(hwnd, false);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                InvalidateRect(hwnd, nullptr, FALSE);
                break;
            case SDL_WINDOWEVENT_MOVED:
                detail::NoteSdlMoved(hwnd, e.window.data1, e.window.data2);
                break;
            default:
                platform::SdlTranslateInputEvent(&e, hwnd);
                break;
            }
            continue;
        }
        if (e.type == SDL_QUIT) {
            // The last window's close box gives both a close event and a quit; ask only once.
            if (!closeSeen)
                for (HWND hwnd : detail::TopLevelWindows())
                    if (detail::SdlOfWindow(hwnd)) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            continue;
        }
        Uint32 id = EventWindowId(e);
        HWND hwnd = id ? HwndOfId(id) : nullptr;
        if (!hwnd) hwnd = GetActiveWindow();
        platform::SdlTranslateInputEvent(&e, hwnd);
    }
}

}  // namespace platform::sdl

namespace platform {

void* SdlWindowOf(HWND hwnd) { return detail::SdlOfWindow(hwnd); }

bool PresentToWindow(HWND hwnd, const uint32_t* pixels, int width, int height, int pitchBytes) {
    HWND top = nullptr;
    RECT client{};
    if (!detail::WindowClientInTopLevel(hwnd, &top, &client)) return false;
    if (detail::IsHeadless()) {
        ++detail::Headless().presents[hwnd];
        return true;
    }
    void* win = detail::SdlOfWindow(top);
    if (!win) return false;
    return sdl::Present(win, client.left, client.top, client.right - client.left, client.bottom - client.top, pixels,
                        width, height, pitchBytes);
}

}  // namespace platform
