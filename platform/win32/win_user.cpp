#include "platform/win32/win_user.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/backend/backend_internal.h"
#include "platform/backend/sdl_input.h"
#include "platform/win32/win_kernel.h"

using platform::detail::Headless;
using platform::detail::IsHeadless;

namespace {

struct WindowClass {
    std::string name;
    WNDCLASSA wc;
};

struct Window {
    HWND handle = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // outer; a child's relative to its parent's client area
    HWND parent = nullptr;
    std::string title;
    bool paint = false;
    bool destroying = false;
    void* sdl = nullptr;
};

struct WindowSystem {
    std::map<std::string, WindowClass> classes;  // by lower-case name
    std::map<uintptr_t, Window> windows;
    uintptr_t nextHandle = 0x100;
    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    HWND focus = nullptr;
    HWND capture = nullptr;
    HWND active = nullptr;
    HCURSOR cursor = nullptr;
    int showCount = 0;
};

WindowSystem& Sys() {
    static WindowSystem* sys = new WindowSystem();
    return *sys;
}

const uintptr_t kIconBase = 0x10000;
const uintptr_t kCursorBase = 0x20000;

std::string Lower(const char* s) {
    std::string out;
    for (; s && *s; ++s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

Window* Find(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = Sys().windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == Sys().windows.end() ? nullptr : &it->second;
}

WindowClass* FindClass(const char* name) {
    if (!name) return nullptr;
    std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : Lower(name);
    auto it = Sys().classes.find(key);
    return it == Sys().classes.end() ? nullptr : &it->second;
}

int Metric(int index) { return GetSystemMetrics(index); }

bool HasCaption(const Window& w) {
    return !(w.style & WS_CHILD) && (w.style & WS_CAPTION) == static_cast<DWORD>(WS_CAPTION);
}

// Offsets of the client area inside the outer rectangle: left, top, right, bottom.
void FrameOf(const Window& w, int* l, int* t, int* r, int* b) {
    if (HasCaption(w)) {
        int fx = Metric(SM_CXFIXEDFRAME), fy = Metric(SM_CYFIXEDFRAME), cap = Metric(SM_CYCAPTION);
        *l = fx;
        *r = fx;
        *t = fy + cap;
        *b = fy;
    } else {
        *l = *t = *r = *b = 0;
    }
}

int ClientWidth(const Window& w) {
    int l, t, r, b;
    FrameOf(w, &l, &t, &r, &b);
    int cw = (w.rect.right - w.rect.left) - l - r;
    return cw < 0 ? 0 : cw;
}

int ClientHeight(const Window& w) {
    int l, t, r, b;
    FrameOf(w, &l, &t, &r, &b);
    int ch = (w.rect.bottom - w.rect.top) - t - b;
    return ch < 0 ? 0 : ch;
}

// Top-left of the outer rectangle in screen coordinates.
POINT OuterOrigin(const Window& w);

// Top-left of the client area in screen coordinates.
POINT ClientOrigin(const Window& w) {
    POINT o = OuterOrigin(w);
    int l, t, r, b;
    FrameOf(w, &l, &t, &r, &b);
    return POINT{o.x + l, o.y + t};
}

POINT OuterOrigin(const Window& w) {
    POINT o{w.rect.left, w.rect.top};
    if (Window* p = Find(w.parent)) {
        POINT po = ClientOrigin(*p);
        o.x += po.x;
        o.y += po.y;
    }
    return o;
}

HWND RootOf(HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && w->parent && Find(w->parent)) w = Find(w->parent);
    return w ? w->handle : nullptr;
}

bool IsSelfOrDescendant(HWND candidate, HWND ancestor) {
    for (Window* w = Find(candidate); w; w = Find(w->parent))
        if (w->handle == ancestor) return true;
    return false;
}

LPARAM SizeParam(const Window& w) { return MAKELPARAM(ClientWidth(w), ClientHeight(w)); }

LPARAM MoveParam(const Window& w) {
    POINT c = ClientOrigin(w);
    if (Window* p = Find(w.parent)) {
        POINT pc = ClientOrigin(*p);
        c.x -= pc.x;
        c.y -= pc.y;
    }
    return MAKELPARAM(c.x, c.y);
}

// Calls the procedure of a live window, recording the call when headless and traced.
LRESULT Call(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    WNDPROC proc = w->proc;
    size_t index = 0;
    bool trace = IsHeadless() && Headless().traceOn;
    if (trace) {
        index = Headless().trace.size();
        Headless().trace.push_back({hwnd, msg, wp, lp, 0});
    }
    LRESULT r = proc(hwnd, msg, wp, lp);
    if (trace && index < Headless().trace.size()) Headless().trace[index].result = r;
    return r;
}

void SyncSdlGeometry(Window& w) {
    if (!w.sdl) return;
    POINT c = ClientOrigin(w);
    // A top-most popup without caption at the origin is the full-screen presentation.
    bool fullScreen = !(w.style & WS_CHILD) && !HasCaption(w) && (w.exStyle & WS_EX_TOPMOST) && w.rect.left == 0 &&
                      w.rect.top == 0 && ClientWidth(w) > 0 && ClientHeight(w) > 0;
    platform::sdl::SetGeometry(w.sdl, c.x, c.y, ClientWidth(w), ClientHeight(w), HasCaption(w), fullScreen);
}

platform::ActivationObserver& Observer() {
    static platform::ActivationObserver observer = nullptr;
    return observer;
}

// The active top-level window changes; the observer hears of the one that lost it and the
// one that gained it.
void SetActive(HWND hwnd) {
    HWND old = Sys().active;
    if (old == hwnd) return;
    Sys().active = hwnd;
    if (platform::ActivationObserver observe = Observer()) {
        if (old) observe(old, false);
        if (hwnd) observe(hwnd, true);
    }
}

void SetFocusInternal(HWND hwnd) {
    HWND old = Sys().focus;
    if (old == hwnd) return;
    Sys().focus = hwnd;
    if (old && Find(old)) Call(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && Find(hwnd) && Sys().focus == hwnd) Call(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void DeactivateInternal(HWND hwnd, bool minimized) {
    if (!Find(hwnd)) return;
    if (Sys().active == hwnd) SetActive(nullptr);
    Call(hwnd, WM_NCACTIVATE, FALSE, 0);
    Call(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimized ? 1 : 0), 0);
    if (Sys().focus && IsSelfOrDescendant(Sys().focus, hwnd)) SetFocusInternal(nullptr);
}

void ActivateInternal(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_CHILD)) return;
    HWND old = Sys().active;
    if (old == hwnd) return;
    if (old && Find(old)) DeactivateInternal(old, false);
    SetActive(hwnd);
    Call(hwnd, WM_NCACTIVATE, TRUE, 0);
    Call(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
    if (Sys().active == hwnd && !(Sys().focus && IsSelfOrDescendant(Sys().focus, hwnd))) SetFocusInternal(hwnd);
}

void MinimizeInternal(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_MINIMIZE)) return;
    w->style |= WS_MINIMIZE;
    Call(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    if (Find(hwnd)) {
        if (Sys().active == hwnd) SetActive(nullptr);
        Call(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    }
}

void RestoreInternal(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    bool wasMin = (w->style & WS_MINIMIZE) != 0;
    w->style &= ~static_cast<DWORD>(WS_MINIMIZE);
    if (wasMin) {
        Call(hwnd, WM_SIZE, SIZE_RESTORED, SizeParam(*w));
        if ((w = Find(hwnd))) w->paint = true;
    }
    Sys().active = nullptr;
    ActivateInternal(hwnd);
}

void DestroyTree(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->destroying = true;
    Call(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    for (auto& [id, c] : Sys().windows)
        if (c.parent == hwnd && !c.destroying) children.push_back(c.handle);
    for (HWND c : children) DestroyTree(c);
    Call(hwnd, WM_NCDESTROY, 0, 0);
    if ((w = Find(hwnd))) {
        if (w->sdl) platform::sdl::DestroySdlWindow(w->sdl);
        Sys().windows.erase(reinterpret_cast<uintptr_t>(hwnd));
    }
    if (Sys().focus == hwnd) Sys().focus = nullptr;
    if (Sys().active == hwnd) Sys().active = nullptr;
    if (Sys().capture == hwnd) Sys().capture = nullptr;
}

bool InFilter(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

bool MatchesWindow(HWND msgWnd, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(intptr_t(-1))) return msgWnd == nullptr;
    return msgWnd && IsSelfOrDescendant(msgWnd, filter);
}

}  // namespace

// ---------------------------------------------------------------- internal hooks

namespace platform {
void SetActivationObserver(ActivationObserver observer) { Observer() = observer; }
}  // namespace platform

namespace platform::detail {

void ResetWindowSystem() {
    WindowSystem& s = Sys();
    for (auto& [id, w] : s.windows)
        if (w.sdl) sdl::DestroySdlWindow(w.sdl);
    s = WindowSystem();
}

HWND WindowOfSdl(void* sdlWindow) {
    if (!sdlWindow) return nullptr;
    for (auto& [id, w] : Sys().windows)
        if (w.sdl == sdlWindow) return w.handle;
    return nullptr;
}

void* SdlOfWindow(HWND hwnd) {
    Window* w = Find(RootOf(hwnd));
    return w ? w->sdl : nullptr;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> out;
    for (auto& [id, w] : Sys().windows)
        if (!(w.style & WS_CHILD)) out.push_back(w.handle);
    return out;
}

void NoteSdlMoved(HWND hwnd, int clientX, int clientY) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_CHILD)) return;
    POINT c = ClientOrigin(*w);
    int dx = clientX - c.x, dy = clientY - c.y;
    if (!dx && !dy) return;
    w->rect.left += dx;
    w->rect.right += dx;
    w->rect.top += dy;
    w->rect.bottom += dy;
    PostMessageA(hwnd, WM_MOVE, 0, MoveParam(*w));
}

void NoteSdlActivation(HWND hwnd, bool gained) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (gained) {
        if (Sys().active == hwnd) return;
        SetActive(hwnd);
        if (!(Sys().focus && IsSelfOrDescendant(Sys().focus, hwnd))) Sys().focus = hwnd;
        PostMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, (w->style & WS_MINIMIZE) ? 1 : 0), 0);
    } else {
        if (Sys().active != hwnd) return;
        SetActive(nullptr);
        if (Sys().focus && IsSelfOrDescendant(Sys().focus, hwnd)) Sys().focus = nullptr;
        PostMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (w->style & WS_MINIMIZE) ? 1 : 0), 0);
    }
}

void NoteSdlMinimized(HWND hwnd, bool minimized) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (minimized) {
        if (w->style & WS_MINIMIZE) return;
        w->style |= WS_MINIMIZE;
        PostMessageA(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        if (Sys().active == hwnd) SetActive(nullptr);
        PostMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    } else {
        if (!(w->style & WS_MINIMIZE)) return;
        w->style &= ~static_cast<DWORD>(WS_MINIMIZE);
        w->paint = true;
        PostMessageA(hwnd, WM_SIZE, SIZE_RESTORED, SizeParam(*w));
    }
}

bool WindowClientInTopLevel(HWND hwnd, HWND* top, RECT* client) {
    Window* w = Find(hwnd);
    if (!w) return false;
    Window* t = Find(RootOf(hwnd));
    if (!t) return false;
    POINT c = ClientOrigin(*w), tc = ClientOrigin(*t);
    *top = t->handle;
    client->left = c.x - tc.x;
    client->top = c.y - tc.y;
    client->right = client->left + ClientWidth(*w);
    client->bottom = client->top + ClientHeight(*w);
    return true;
}

}  // namespace platform::detail

// ---------------------------------------------------------------- headless window controls

namespace platform::headless {

WindowInfo Inspect(HWND hwnd) {
    WindowInfo info;
    Window* w = Find(hwnd);
    if (!w) return info;
    info.alive = true;
    info.className = w->className;
    info.title = w->title;
    info.style = w->style;
    info.exStyle = w->exStyle;
    info.parent = w->parent;
    POINT o = OuterOrigin(*w), c = ClientOrigin(*w);
    info.windowRect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    info.clientRect = RECT{c.x, c.y, c.x + ClientWidth(*w), c.y + ClientHeight(*w)};
    info.paintPending = w->paint;
    if (WindowClass* cls = FindClass(w->className.c_str())) {
        info.classIcon = cls->wc.hIcon;
        info.classCursor = cls->wc.hCursor;
        info.classBackground = cls->wc.hbrBackground;
        info.classStyle = cls->wc.style;
    }
    return info;
}

std::vector<HWND> Windows() {
    std::vector<HWND> out;
    for (auto& [id, w] : Sys().windows) out.push_back(w.handle);
    return out;
}

bool ClassRegistered(const char* className) { return FindClass(className) != nullptr; }

size_t QueuedMessageCount() { return Sys().queue.size() + (Sys().quitPending ? 1 : 0); }

void DrainQueue() {
    Sys().queue.clear();
    Sys().quitPending = false;
}

HCURSOR CurrentCursor() { return Sys().cursor; }
int ShowCursorCount() { return Sys().showCount; }
bool CursorShown() { return Sys().cursor && Sys().showCount >= 0; }

void Activate(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (Sys().active == hwnd) Sys().active = nullptr;  // send again even when already active
    ActivateInternal(hwnd);
}
void Deactivate(HWND hwnd) { DeactivateInternal(hwnd, false); }
void Minimize(HWND hwnd) { MinimizeInternal(hwnd); }
void Restore(HWND hwnd) { RestoreInternal(hwnd); }

}  // namespace platform::headless

// ---------------------------------------------------------------- classes and windows

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc) return 0;
    if (Headless().failRegister) return 0;
    if (FindClass(wndClass->lpszClassName)) return 0;
    static ATOM nextAtom = 0xC000;
    WindowClass cls;
    cls.wc = *wndClass;
    if (IS_INTRESOURCE(wndClass->lpszClassName)) {
        cls.name = "#" + std::to_string(reinterpret_cast<uintptr_t>(wndClass->lpszClassName));
        Sys().classes[cls.name] = cls;
    } else {
        cls.name = wndClass->lpszClassName;
        Sys().classes[Lower(wndClass->lpszClassName)] = cls;
    }
    FindClass(wndClass->lpszClassName)->wc.lpszClassName = FindClass(wndClass->lpszClassName)->name.c_str();
    FindClass(wndClass->lpszClassName)->wc.lpszMenuName = nullptr;
    if (nextAtom == 0xFFFF) nextAtom = 0xC000;
    return nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    WindowClass* cls = FindClass(className);
    if (!cls) return FALSE;
    std::string name = cls->name;
    for (auto& [id, w] : Sys().windows)
        if (Lower(w.className.c_str()) == Lower(name.c_str())) return FALSE;
    for (auto it = Sys().classes.begin(); it != Sys().classes.end(); ++it) {
        if (&it->second == cls) {
            Sys().classes.erase(it);
            break;
        }
    }
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU /*menu*/, HINSTANCE instance, LPVOID /*param*/) {
    if (Headless().failCreate) return nullptr;
    WindowClass* cls = FindClass(className);
    if (!cls) return nullptr;
    if ((style & WS_CHILD) && !Find(parent)) return nullptr;
    if (parent && !Find(parent)) return nullptr;
    if (width < 0) width = 0;
    if (height < 0) height = 0;

    Window w;
    w.handle = reinterpret_cast<HWND>(Sys().nextHandle);
    Sys().nextHandle += 4;
    w.className = cls->name;
    w.proc = cls->wc.lpfnWndProc;
    w.instance = instance;
    w.style = style;
    w.exStyle = exStyle;
    w.rect = RECT{x, y, x + width, y + height};
    w.parent = parent;
    w.title = windowName ? windowName : "";
    bool visible = (style & WS_VISIBLE) != 0;
    bool child = (style & WS_CHILD) != 0;

    if (platform::CurrentBackend() == platform::Backend::Sdl && !child) {
        if (!platform::sdl::EnsureVideo()) return nullptr;
        POINT c = ClientOrigin(w);
        w.sdl = platform::sdl::CreateSdlWindow(w.title.c_str(), c.x, c.y, ClientWidth(w), ClientHeight(w),
                                               HasCaption(w), visible);
        if (!w.sdl) return nullptr;
    }
    HWND hwnd = w.handle;
    Sys().windows[reinterpret_cast<uintptr_t>(hwnd)] = w;

    if (!Call(hwnd, WM_NCCREATE, 0, 0) || Call(hwnd, WM_CREATE, 0, 0) == -1) {
        if (Find(hwnd)) DestroyTree(hwnd);
        return nullptr;
    }
    if (!Find(hwnd)) return nullptr;
    if (visible) {
        Call(hwnd, WM_SHOWWINDOW, TRUE, 0);
        bool activate = platform::CurrentBackend() == platform::Backend::Sdl || Headless().activateOnCreate;
        if (!child && activate) ActivateInternal(hwnd);
    }
    if (Window* pw = Find(hwnd)) {
        Call(hwnd, WM_SIZE, SIZE_RESTORED, SizeParam(*pw));
        if ((pw = Find(hwnd))) Call(hwnd, WM_MOVE, 0, MoveParam(*pw));
        if ((pw = Find(hwnd))) pw->paint = visible;
    }
    return Find(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    if (Sys().active && IsSelfOrDescendant(Sys().active, hwnd)) {
        HWND a = Sys().active;
        SetActive(nullptr);
        Call(a, WM_NCACTIVATE, FALSE, 0);
        Call(a, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
        Call(a, WM_ACTIVATEAPP, FALSE, 0);
    }
    if (Sys().focus && IsSelfOrDescendant(Sys().focus, hwnd)) {
        HWND f = Sys().focus;
        Sys().focus = nullptr;
        Call(f, WM_KILLFOCUS, 0, 0);
    }
    if (Sys().capture && IsSelfOrDescendant(Sys().capture, hwnd)) {
        HWND c = Sys().capture;
        Sys().capture = nullptr;
        if (platform::CurrentBackend() == platform::Backend::Sdl) platform::sdl::CaptureMouse(false);
        Call(c, WM_CAPTURECHANGED, 0, 0);
    }
    DestroyTree(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (cmdShow) {
    case SW_HIDE:
        if (wasVisible) {
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
            if (w->sdl) platform::sdl::Show(w->sdl, false);
            Call(hwnd, WM_SHOWWINDOW, FALSE, 0);
            if (Sys().active == hwnd) DeactivateInternal(hwnd, false);
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        MinimizeInternal(hwnd);
        break;
    case SW_RESTORE:
        if (w->style & WS_MINIMIZE) {
            RestoreInternal(hwnd);
            break;
        }
        [[fallthrough]];
    default:
        if (!wasVisible) {
            w->style |= WS_VISIBLE;
            w->paint = true;
            if (w->sdl) platform::sdl::Show(w->sdl, true);
            Call(hwnd, WM_SHOWWINDOW, TRUE, 0);
            if (Find(hwnd) && !(Find(hwnd)->style & WS_CHILD)) ActivateInternal(hwnd);
        }
        break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (w->paint && (w->style & WS_VISIBLE)) Call(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    if (w->sdl) platform::sdl::SetTitle(w->sdl, w->title.c_str());
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    Window* w = Find(hwnd);
    if (!w) {
        buffer[0] = 0;
        return 0;
    }
    int n = static_cast<int>(w->title.size());
    if (n > size - 1) n = size - 1;
    memcpy(buffer, w->title.data(), n);
    buffer[n] = 0;
    return n;
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    LONG old = 0;
    if (index == GWL_STYLE) {
        old = static_cast<LONG>(w->style);
        w->style = static_cast<DWORD>(value);
    } else if (index == GWL_EXSTYLE) {
        old = static_cast<LONG>(w->exStyle);
        w->exStyle = static_cast<DWORD>(value);
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(w->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
    return 0;
}

DWORD SetClassLongA(HWND hwnd, int index, LONG value) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    WindowClass* cls = FindClass(w->className.c_str());
    if (!cls || index != GCL_HICON) return 0;
    DWORD old = static_cast<DWORD>(reinterpret_cast<uintptr_t>(cls->wc.hIcon));
    cls->wc.hIcon = reinterpret_cast<HICON>(static_cast<uintptr_t>(static_cast<DWORD>(value)));
    return old;
}

DWORD GetClassLongA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    WindowClass* cls = FindClass(w->className.c_str());
    if (!cls || index != GCL_HICON) return 0;
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(cls->wc.hIcon));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
        if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    }
    WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
    Call(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(w = Find(hwnd))) return FALSE;

    POINT oldClient = ClientOrigin(*w);
    int oldW = ClientWidth(*w), oldH = ClientHeight(*w);
    int outerW = w->rect.right - w->rect.left, outerH = w->rect.bottom - w->rect.top;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        outerW = cx < 0 ? 0 : cx;
        outerH = cy < 0 ? 0 : cy;
    }
    w->rect.right = w->rect.left + outerW;
    w->rect.bottom = w->rect.top + outerH;
    if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (flags & SWP_FRAMECHANGED) Call(hwnd, WM_NCCALCSIZE, FALSE, 0);
    if (!(w = Find(hwnd))) return FALSE;
    SyncSdlGeometry(*w);
    if (w->sdl && (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        platform::sdl::Show(w->sdl, (w->style & WS_VISIBLE) != 0);

    Call(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(w = Find(hwnd))) return FALSE;
    POINT newClient = ClientOrigin(*w);
    bool moved = newClient.x != oldClient.x || newClient.y != oldClient.y;
    bool resized = ClientWidth(*w) != oldW || ClientHeight(*w) != oldH;
    if (moved) Call(hwnd, WM_MOVE, 0, MoveParam(*w));
    // As the window system does: WM_SIZE only when the client size really changed.
    if ((w = Find(hwnd)) && resized) Call(hwnd, WM_SIZE, SIZE_RESTORED, SizeParam(*w));
    if (!(w = Find(hwnd))) return FALSE;
    if ((resized || (flags & SWP_FRAMECHANGED)) && (w->style & WS_VISIBLE)) w->paint = true;
    if (!(flags & SWP_NOACTIVATE) && !(w->style & WS_CHILD) && (w->style & WS_VISIBLE) && Sys().active != hwnd)
        ActivateInternal(hwnd);
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->parent : nullptr;
}

BOOL InvalidateRect(HWND hwnd, const RECT* /*rect*/, BOOL /*erase*/) {
    if (!hwnd) {
        for (auto& [id, w] : Sys().windows) w.paint = true;
        return TRUE;
    }
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->paint = true;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* /*rect*/) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->paint = false;
    return TRUE;
}

// ---------------------------------------------------------------- messages

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) return FALSE;
    if (platform::CurrentBackend() == platform::Backend::Sdl) platform::sdl::PumpEvents();
    bool remove = (removeMsg & PM_REMOVE) != 0;
    WindowSystem& s = Sys();
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (!InFilter(it->message, filterMin, filterMax) || !MatchesWindow(it->hwnd, hwnd)) continue;
        *msg = *it;
        if (remove) {
            s.queue.erase(it);
            platform::InputMessageRemoved(msg);
            if (msg->message >= WM_MOUSEMOVE && msg->message <= WM_MBUTTONDBLCLK && !s.capture && Find(msg->hwnd))
                Call(msg->hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg->hwnd), MAKELPARAM(HTCLIENT, msg->message));
        }
        return TRUE;
    }
    if (s.quitPending && (!hwnd || hwnd == reinterpret_cast<HWND>(intptr_t(-1))) &&
        InFilter(WM_QUIT, filterMin, filterMax)) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, platform::detail::ClockPeek(), {0, 0}};
        if (remove) s.quitPending = false;
        return TRUE;
    }
    if (InFilter(WM_PAINT, filterMin, filterMax)) {
        for (auto& [id, w] : s.windows) {
            if (!w.paint || !(w.style & WS_VISIBLE) || !MatchesWindow(w.handle, hwnd)) continue;
            *msg = MSG{w.handle, WM_PAINT, 0, 0, platform::detail::ClockPeek(), {0, 0}};
            // Taking the paint message validates too, so a procedure that never validates
            // cannot keep the queue from emptying.
            if (remove) w.paint = false;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* /*msg*/) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd || !Find(msg->hwnd)) return 0;
    return Call(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (hwnd && !Find(hwnd)) return FALSE;
    POINT pt{0, 0};
    Sys().queue.push_back(MSG{hwnd, msg, wparam, lparam, platform::detail::ClockPeek(), pt});
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (!Find(hwnd)) return 0;
    return Call(hwnd, msg, wparam, lparam);
}

void PostQuitMessage(int exitCode) {
    Sys().quitPending = true;
    Sys().quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wparam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            MinimizeInternal(hwnd);
            break;
        case SC_RESTORE:
            RestoreInternal(hwnd);
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wparam == VK_F4 && (lparam & (LPARAM(1) << 29))) PostMessageA(RootOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_PAINT:
        w->paint = false;
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT) {
            if (WindowClass* cls = FindClass(w->className.c_str())) SetCursor(cls->wc.hCursor);
        }
        return FALSE;
    case WM_SETTEXT:
        w->title = lparam ? reinterpret_cast<const char*>(lparam) : "";
        if (w->sdl) platform::sdl::SetTitle(w->sdl, w->title.c_str());
        return TRUE;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------- geometry

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, ClientWidth(*w), ClientHeight(*w)};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    POINT o = OuterOrigin(*w);
    *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    POINT a{0, 0}, b{0, 0};
    if (from) {
        Window* w = Find(from);
        if (!w) return 0;
        a = ClientOrigin(*w);
    }
    if (to) {
        Window* w = Find(to);
        if (!w) return 0;
        b = ClientOrigin(*w);
    }
    LONG dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(dx, dy);
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    Window* w = Find(hwnd);
    if (!w || !point) return FALSE;
    POINT c = ClientOrigin(*w);
    point->x -= c.x;
    point->y -= c.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    Window* w = Find(hwnd);
    if (!w || !point) return FALSE;
    POINT c = ClientOrigin(*w);
    point->x += c.x;
    point->y += c.y;
    return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT point) {
    if (!rect) return FALSE;
    return point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

namespace {
bool OuterContains(const Window& w, POINT pt) {
    POINT o = OuterOrigin(w);
    RECT r{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
    return PtInRect(&r, pt) != 0;
}

HWND DeepestAt(HWND hwnd, POINT pt) {
    HWND found = nullptr;
    for (auto& [id, c] : Sys().windows)
        if (c.parent == hwnd && (c.style & WS_VISIBLE) && OuterContains(c, pt)) found = c.handle;  // newest wins
    return found ? DeepestAt(found, pt) : hwnd;
}
}  // namespace

HWND WindowFromPoint(POINT point) {
    if (Headless().wfpOverride) return Headless().wfpResult;
    std::vector<HWND> tops;
    if (Sys().active) tops.push_back(Sys().active);
    for (auto it = Sys().windows.rbegin(); it != Sys().windows.rend(); ++it)
        if (!(it->second.style & WS_CHILD) && it->second.handle != Sys().active) tops.push_back(it->second.handle);
    for (HWND t : tops) {
        Window* w = Find(t);
        if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE) || !OuterContains(*w, point)) continue;
        if (platform::CurrentBackend() == platform::Backend::Sdl && w->sdl &&
            platform::sdl::MouseFocus() != w->sdl)
            continue;
        return DeepestAt(t, point);
    }
    return nullptr;
}

int GetSystemMetrics(int index) {
    if (platform::CurrentBackend() == platform::Backend::Sdl && (index == SM_CXSCREEN || index == SM_CYSCREEN)) {
        int w, h;
        if (platform::sdl::EnsureVideo() && platform::sdl::DesktopSize(&w, &h)) return index == SM_CXSCREEN ? w : h;
    }
    const auto& m = Headless().metrics;
    if (index < 0 || index >= int(sizeof(m) / sizeof(m[0]))) return 0;
    return m[index];
}

// ---------------------------------------------------------------- icons, cursor, capture, focus

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    // The program's module carries no icon resources; the standard ones exist.
    if (instance || !name || !IS_INTRESOURCE(name)) return nullptr;
    uintptr_t id = reinterpret_cast<uintptr_t>(name);
    if (id < 32512 || id > 32518) return nullptr;
    return reinterpret_cast<HICON>(kIconBase + id);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance || !name || !IS_INTRESOURCE(name)) return nullptr;
    uintptr_t id = reinterpret_cast<uintptr_t>(name);
    if (id < 32512 || id > 32651) return nullptr;
    return reinterpret_cast<HCURSOR>(kCursorBase + id);
}

namespace {
void ApplyCursor() {
    if (platform::CurrentBackend() == platform::Backend::Sdl)
        platform::sdl::ShowCursor(Sys().cursor != nullptr && Sys().showCount >= 0);
}
}  // namespace

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old = Sys().cursor;
    Sys().cursor = cursor;
    if (old != cursor) ApplyCursor();
    return old;
}

int ShowCursor(BOOL show) {
    Sys().showCount += show ? 1 : -1;
    ApplyCursor();
    return Sys().showCount;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    if (platform::CurrentBackend() == platform::Backend::Sdl) {
        int x, y;
        if (platform::sdl::GlobalMouse(&x, &y)) {
            *point = POINT{x, y};
            return TRUE;
        }
    }
    *point = Headless().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    POINT pt{x, y};
    if (platform::CurrentBackend() == platform::Backend::Sdl) {
        platform::sdl::WarpMouse(x, y);
        return TRUE;
    }
    Headless().warps.push_back(pt);
    Headless().cursor = pt;
    HWND target = Sys().capture ? Sys().capture : WindowFromPoint(pt);
    if (Window* w = Find(target)) {
        POINT c = ClientOrigin(*w);
        PostMessageA(target, WM_MOUSEMOVE, 0, MAKELPARAM(x - c.x, y - c.y));
    }
    return TRUE;
}

HWND SetCapture(HWND hwnd) {
    HWND old = Sys().capture;
    if (!Find(hwnd)) return old;
    Sys().capture = hwnd;
    if (platform::CurrentBackend() == platform::Backend::Sdl) platform::sdl::CaptureMouse(true);
    if (old && old != hwnd && Find(old)) Call(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture() {
    HWND old = Sys().capture;
    Sys().capture = nullptr;
    if (platform::CurrentBackend() == platform::Backend::Sdl) platform::sdl::CaptureMouse(false);
    if (old && Find(old)) Call(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return Sys().capture; }

HWND SetFocus(HWND hwnd) {
    HWND old = Sys().focus;
    if (hwnd && !Find(hwnd)) return nullptr;
    SetFocusInternal(hwnd);
    return old;
}

HWND GetFocus() { return Sys().focus; }

HWND GetActiveWindow() { return Sys().active; }

// ---------------------------------------------------------------- message box

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const char* t = text ? text : "";
    const char* c = caption ? caption : "Error";
    if (IsHeadless()) {
        Headless().boxes.push_back({owner, t, c, type});
        return IDOK;
    }
    if (!platform::sdl::ShowMessageBox(c, t, type, platform::detail::SdlOfWindow(owner)))
        platform::WriteStandardError((std::string(c) + ": " + t + "\n").c_str());  // escaped as the log is
    return IDOK;
}
