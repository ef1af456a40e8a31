// The window system of the headless backend: classes, creation messages, geometry, default
// processing, the queue, paint, stale handles, cursor, capture, focus and message boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/win32/win32.h"

namespace {

namespace hl = platform::headless;

std::vector<UINT> g_seen;
LRESULT g_createResult = 0;

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    g_seen.push_back(m);
    if (m == WM_CREATE) return g_createResult;
    return DefWindowProcA(w, m, wp, lp);
}

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
        hl::EnableMessageTrace(true);
        g_seen.clear();
        g_createResult = 0;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "TEST_CLASS";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override { hl::Reset(); }

    HWND Make(DWORD style, int x, int y, int w, int h, HWND parent = nullptr) {
        return CreateWindowExA(0, "TEST_CLASS", "title", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    }

    static size_t IndexOf(UINT msg) {
        auto it = std::find(g_seen.begin(), g_seen.end(), msg);
        return it == g_seen.end() ? SIZE_MAX : static_cast<size_t>(it - g_seen.begin());
    }

    static std::vector<MSG> Drain() {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            out.push_back(m);
            if (m.message != WM_QUIT) DispatchMessageA(&m);
            if (out.size() > 1000) break;
        }
        return out;
    }
};

const DWORD kCaptionStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

TEST_F(UserTest, ClassNamesAreUniqueUntilUnregistered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "test_class";  // names compare without case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("TEST_CLASS", nullptr));
    EXPECT_FALSE(UnregisterClassA("TEST_CLASS", nullptr));
    EXPECT_NE(RegisterClassA(&wc), 0);
    hl::FailRegisterClass(true);
    wc.lpszClassName = "OTHER";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_FALSE(hl::ClassRegistered("OTHER"));
}

TEST_F(UserTest, TopLevelCreationSendsCreateActivateSizeInOrder) {
    HWND w = Make(kCaptionStyle, 10, 20, 100, 80);
    ASSERT_NE(w, nullptr);
    size_t nc = IndexOf(WM_NCCREATE), cr = IndexOf(WM_CREATE), act = IndexOf(WM_ACTIVATE), sz = IndexOf(WM_SIZE);
    ASSERT_NE(act, SIZE_MAX);
    EXPECT_LT(nc, cr);
    EXPECT_LT(cr, act);
    EXPECT_LT(act, sz);
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), w);
    // WM_SIZE carries the client size: 100 - 2*3 by 80 - 2*3 - 19.
    for (const auto& t : hl::MessageTrace())
        if (t.message == WM_SIZE) {
            EXPECT_EQ(t.wParam, static_cast<WPARAM>(SIZE_RESTORED));
            EXPECT_EQ(LOWORD(t.lParam), 94);
            EXPECT_EQ(HIWORD(t.lParam), 55);
        }
}

TEST_F(UserTest, CreateRefusedByProcedureOrFaultGivesNull) {
    g_createResult = -1;
    EXPECT_EQ(Make(kCaptionStyle, 0, 0, 10, 10), nullptr);
    EXPECT_TRUE(hl::Windows().empty());
    g_createResult = 0;
    hl::FailCreateWindow(true);
    EXPECT_EQ(Make(kCaptionStyle, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "NO_SUCH_CLASS", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(UserTest, ChildWindowIsNeverActivatedAndSitsInTheParentsClientArea) {
    HWND parent = Make(kCaptionStyle, 100, 50, 206, 225);
    g_seen.clear();
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(IndexOf(WM_ACTIVATE), SIZE_MAX);
    EXPECT_NE(IndexOf(WM_SIZE), SIZE_MAX);
    RECT r;
    ASSERT_TRUE(GetWindowRect(child, &r));
    EXPECT_EQ(r.left, 103);
    EXPECT_EQ(r.top, 72);
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 200);
    POINT p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 103);
    EXPECT_EQ(p.y, 72);
    EXPECT_EQ(Make(WS_CHILD, 0, 0, 1, 1, nullptr), nullptr);  // a child needs a parent
    // Destroying the parent destroys the child.
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(UserTest, GeometryConversionsAgree) {
    hl::SetDesktopSize(1024, 768);
    HWND w = Make(kCaptionStyle, 189, 131, 646, 505);
    hl::WindowInfo info = hl::Inspect(w);
    EXPECT_EQ(info.clientRect.left, 192);
    EXPECT_EQ(info.clientRect.top, 153);
    EXPECT_EQ(info.clientRect.right - info.clientRect.left, 640);
    EXPECT_EQ(info.clientRect.bottom - info.clientRect.top, 480);
    RECT r;
    GetClientRect(w, &r);
    MapWindowPoints(w, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 192);
    EXPECT_EQ(r.bottom, 153 + 480);
    POINT p{200, 160};
    ScreenToClient(w, &p);
    EXPECT_EQ(p.x, 8);
    EXPECT_EQ(p.y, 7);
    EXPECT_TRUE(PtInRect(&info.clientRect, POINT{192, 153}));
    EXPECT_FALSE(PtInRect(&info.clientRect, POINT{832, 153}));  // right edge excluded
    EXPECT_EQ(WindowFromPoint(POINT{300, 300}), w);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
    hl::OverrideWindowFromPoint(true, nullptr);
    EXPECT_EQ(WindowFromPoint(POINT{300, 300}), nullptr);
}

TEST_F(UserTest, StyleChangeAndSetWindowPosMoveTheFrame) {
    HWND w = Make(kCaptionStyle, 0, 0, 646, 505);
    SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
    SetWindowLongA(w, GWL_EXSTYLE, ex | 0x100 | WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), ex | 0x100 | WS_EX_TOPMOST);
    g_seen.clear();
    ASSERT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 640, 480, SWP_FRAMECHANGED));
    EXPECT_NE(IndexOf(WM_SIZE), SIZE_MAX);
    EXPECT_LT(IndexOf(WM_WINDOWPOSCHANGING), IndexOf(WM_SIZE));
    RECT r;
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    EXPECT_TRUE(hl::Inspect(w).exStyle & WS_EX_TOPMOST);
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_FRAMECHANGED);
    EXPECT_FALSE(hl::Inspect(w).exStyle & WS_EX_TOPMOST);
}

TEST_F(UserTest, SetWindowPosActivatesAnInactiveWindow) {
    HWND w = Make(kCaptionStyle, 0, 0, 100, 100);
    hl::Deactivate(w);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    g_seen.clear();
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 100, 100, SWP_FRAMECHANGED);
    EXPECT_NE(IndexOf(WM_ACTIVATE), SIZE_MAX);
    EXPECT_EQ(GetActiveWindow(), w);
    hl::Deactivate(w);
    SetWindowPos(w, nullptr, 0, 0, 100, 100, SWP_NOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(UserTest, CloseCommandDestroysAndQuitFollowsPostedMessages) {
    HWND w = Make(kCaptionStyle, 0, 0, 100, 100);
    Drain();
    g_seen.clear();
    PostMessageA(w, WM_USER, 1, 2);
    PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::vector<MSG> got = Drain();
    ASSERT_EQ(got.size(), 2u);  // the test procedure posts no quit on WM_DESTROY
    EXPECT_EQ(got[0].message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(got[1].message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_LT(IndexOf(WM_CLOSE), IndexOf(WM_DESTROY));
    PostQuitMessage(3);
    PostQuitMessage(3);
    got = Drain();
    ASSERT_EQ(got.size(), 1u);  // one quit, however often asked
    EXPECT_EQ(got[0].wParam, 3u);
}

LRESULT CALLBACK QuitOnDestroy(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    g_seen.push_back(m);
    if (m == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

TEST_F(UserTest, AltF4PostsTheCloseCommandWhichDestroysTheWindow) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = QuitOnDestroy;
    wc.lpszClassName = "QUITTER";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "QUITTER", "", kCaptionStyle, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    Drain();
    g_seen.clear();
    // F4 without Alt does nothing by default; with the Alt bit it closes.
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, 0);
    Drain();
    EXPECT_TRUE(IsWindow(w));
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    std::vector<MSG> got = Drain();
    EXPECT_FALSE(IsWindow(w));
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[1].message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(got[1].wParam, static_cast<WPARAM>(SC_CLOSE));
    EXPECT_EQ(got.back().message, static_cast<UINT>(WM_QUIT));
    EXPECT_LT(IndexOf(WM_CLOSE), IndexOf(WM_DESTROY));
    EXPECT_LT(IndexOf(WM_DESTROY), IndexOf(WM_NCDESTROY));
}

TEST_F(UserTest, StaleHandlesFailQuietly) {
    HWND w = Make(kCaptionStyle, 0, 0, 100, 100);
    ASSERT_TRUE(DestroyWindow(w));
    g_seen.clear();
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_TRUE(g_seen.empty());
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(w, &r));
    EXPECT_EQ(r.left, 1);
    POINT p{5, 6};
    EXPECT_FALSE(ScreenToClient(w, &p));
    EXPECT_EQ(p.x, 5);
    EXPECT_FALSE(SetWindowTextA(w, "x"));
    EXPECT_FALSE(SetWindowPos(w, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    MSG m{w, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_EQ(SetFocus(w), nullptr);
    EXPECT_EQ(MapWindowPoints(w, nullptr, &p, 1), 0);
}

TEST_F(UserTest, PaintRepeatsOnlyUntilValidated) {
    HWND w = Make(kCaptionStyle, 0, 0, 100, 100);
    MSG m;
    std::vector<MSG> first = Drain();
    EXPECT_EQ(std::count_if(first.begin(), first.end(), [](const MSG& x) { return x.message == WM_PAINT; }), 1);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&m);  // default processing validates
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UserTest, PeekFiltersByWindowAndRange) {
    HWND a = Make(kCaptionStyle, 0, 0, 10, 10);
    HWND b = Make(kCaptionStyle, 0, 0, 10, 10);
    Drain();
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(b, WM_USER + 1, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(hl::QueuedMessageCount(), 1u);
}

TEST_F(UserTest, MouseMessagesGetSetCursorFirstUnlessCaptured) {
    HWND w = Make(kCaptionStyle, 0, 0, 100, 100);
    Drain();
    g_seen.clear();
    PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Drain();
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0], static_cast<UINT>(WM_SETCURSOR));
    EXPECT_EQ(g_seen[1], static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(hl::CurrentCursor(), LoadCursorA(nullptr, IDC_ARROW));  // the class cursor by default
    g_seen.clear();
    SetCapture(w);
    EXPECT_EQ(GetCapture(), w);
    PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
    Drain();
    EXPECT_EQ(g_seen, std::vector<UINT>{WM_MOUSEMOVE});
    g_seen.clear();
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(g_seen, std::vector<UINT>{WM_CAPTURECHANGED});
}

TEST_F(UserTest, SetCursorPosQueuesAMouseMoveInClientCoordinates) {
    HWND w = Make(kCaptionStyle, 100, 100, 206, 225);
    Drain();
    SetCursorPos(103 + 10, 122 + 20);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 113);
    ASSERT_EQ(hl::CursorWarps().size(), 1u);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 20);
}

TEST_F(UserTest, CursorVisibilityFollowsSetCursorAndShowCursor) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(hl::CursorShown());
    EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_FALSE(hl::CursorShown());
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(hl::CursorShown());
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(hl::CursorShown());
}

TEST_F(UserTest, FocusChangesSendKillAndSetFocus) {
    HWND a = Make(kCaptionStyle, 0, 0, 10, 10);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, a);
    g_seen.clear();
    EXPECT_EQ(SetFocus(child), a);
    EXPECT_EQ(g_seen, (std::vector<UINT>{WM_KILLFOCUS, WM_SETFOCUS}));
    EXPECT_EQ(GetFocus(), child);
    hl::Deactivate(a);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(UserTest, MinimiseAndRestoreReportActivationAsTheEngineReadsIt) {
    HWND w = Make(kCaptionStyle, 0, 0, 10, 10);
    hl::ClearMessageTrace();
    hl::Minimize(w);
    bool sawMinimisedActivate = false;
    for (const auto& t : hl::MessageTrace())
        if (t.message == WM_ACTIVATE) sawMinimisedActivate = HIWORD(t.wParam) != 0;
    EXPECT_TRUE(sawMinimisedActivate);
    hl::ClearMessageTrace();
    hl::Restore(w);
    WPARAM last = 0;
    for (const auto& t : hl::MessageTrace())
        if (t.message == WM_ACTIVATE) last = t.wParam;
    EXPECT_EQ(LOWORD(last), WA_ACTIVE);
    EXPECT_EQ(HIWORD(last), 0);
}

TEST_F(UserTest, MessageBoxIsRecorded) {
    EXPECT_EQ(MessageBoxA(nullptr, "Can't create window", "Error", MB_ICONERROR), IDOK);
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    EXPECT_EQ(hl::MessageBoxes()[0].text, "Can't create window");
    EXPECT_EQ(hl::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(hl::MessageBoxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, 0), IDOK);  // null texts are tolerated
}

TEST_F(UserTest, IconsCursorsAndMetrics) {
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), "MISSING"), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));
    // Handles fit in 32 bits, so the LONG-based class setter cannot cut them.
    EXPECT_LE(reinterpret_cast<uintptr_t>(LoadIconA(nullptr, IDI_APPLICATION)), 0xFFFFFFFFu);
    HWND w = Make(kCaptionStyle, 0, 0, 10, 10);
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    SetClassLongA(w, GCL_HICON, static_cast<LONG>(reinterpret_cast<uintptr_t>(icon)));
    EXPECT_EQ(hl::Inspect(w).classIcon, icon);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    hl::SetSystemMetric(SM_CYCAPTION, 23);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 23);
    EXPECT_EQ(GetSystemMetrics(-5), 0);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
}

}  // namespace
