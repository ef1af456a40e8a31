// Start-up and shutdown, the window layouts, the window procedure, the log, posted errors and
// launching.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/foundation_fixture.h"

namespace {

namespace hl = platform::headless;

Engine* g_engine = nullptr;
int g_exitAsked = 0;
bool g_exitAllows = true;
int g_focusLost = 0;
int g_focusGain = 0;
int g_renders = 0;

bool Exit() {
    ++g_exitAsked;
    return g_exitAllows;
}
bool FocusLost() {
    ++g_focusLost;
    return false;
}
bool FocusGain() {
    ++g_focusGain;
    return false;
}
bool Render() {
    ++g_renders;
    return false;
}
bool StopAtOnce() { return true; }

class SystemTest : public fwtest::EngineTest {
protected:
    void SetUp() override {
        fwtest::EngineTest::SetUp();
        fwtest::hl::EnableMessageTrace(true);
        g_engine = engine;
        g_exitAsked = 0;
        g_exitAllows = true;
        g_focusLost = g_focusGain = g_renders = 0;
    }

    // Start-up as far as it goes now; false when some device is not available.
    bool Initiate() {
        engine->System_SetState(STATE_USE_SOUND, false);
        return engine->System_Initiate();
    }

    std::vector<UINT> EngineMessages(UINT message) {
        std::vector<UINT> out;
        for (const auto& t : hl::MessageTrace())
            if (t.message == message) out.push_back(message);
        return out;
    }
};

TEST_F(SystemTest, StartupReportLineByLine) {
    engine->System_SetState(STATE_TITLE, "Report");
    SYSTEMTIME t{};
    t.wYear = 2007;
    t.wMonth = 3;
    t.wDay = 4;
    t.wHour = 5;
    t.wMinute = 6;
    t.wSecond = 7;
    hl::SetLocalTime(t);
    hl::SetVersion(5, 1, 2600);
    hl::SetMemoryStatus(SIZE_T(523776) * 1024, SIZE_T(261120) * 1024 + 1023);
    bool up = Initiate();
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], "ZEV Started..");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "ZEV version: 1.80");
    EXPECT_EQ(lines[3], "Date: 04.03.2007, 05:06:07");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Application: Report");
    EXPECT_EQ(lines[6], "OS: Windows 5.1.2600");
    EXPECT_EQ(lines[7], "Memory: 523776K total, 261120K free");
    EXPECT_EQ(lines[8], "");
    if (up) {
        ASSERT_GE(lines.size(), 11u);
        EXPECT_EQ(lines[lines.size() - 2], "Init done.");
        EXPECT_EQ(lines.back(), "");
        engine->System_Shutdown();
    } else {
        // A device start-up failed after the window: shutdown has run and reported.
        ASSERT_GE(lines.size(), 12u);
        EXPECT_EQ(lines[lines.size() - 3], "");
        EXPECT_EQ(lines[lines.size() - 2], "Finishing..");
        EXPECT_EQ(lines.back(), "The End.");
        EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    }
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
}

TEST_F(SystemTest, WindowedLayoutIsCentredWithFramesAndCaption) {
    hl::SetDesktopSize(1024, 768);
    hl::SetSystemMetric(SM_CXFIXEDFRAME, 3);
    hl::SetSystemMetric(SM_CYFIXEDFRAME, 3);
    hl::SetSystemMetric(SM_CYCAPTION, 19);
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, 640);
    engine->System_SetState(STATE_SCREEN_HEIGHT, 480);
    engine->System_SetState(STATE_TITLE, "Layout");
    bool up = Initiate();
    EXPECT_EQ(e->rectW.left, 189);
    EXPECT_EQ(e->rectW.top, 131);
    EXPECT_EQ(e->rectW.right - e->rectW.left, 646);
    EXPECT_EQ(e->rectW.bottom - e->rectW.top, 505);
    EXPECT_EQ(static_cast<DWORD>(e->styleW), 0x90CA0000u);
    EXPECT_EQ(e->rectFS.right, 640);
    EXPECT_EQ(e->rectFS.bottom, 480);
    EXPECT_EQ(static_cast<DWORD>(e->styleFS), 0x90000000u);
    // The window itself: its first WM_SIZE and WM_MOVE give a 640 x 480 client at (192, 153).
    bool sized = false;
    for (const auto& t : hl::MessageTrace()) {
        if (t.message == WM_SIZE && !sized) {
            sized = true;
            EXPECT_EQ(LOWORD(t.lParam), 640);
            EXPECT_EQ(HIWORD(t.lParam), 480);
        }
        if (t.message == WM_MOVE) {
            EXPECT_EQ(LOWORD(t.lParam), 192);
            EXPECT_EQ(HIWORD(t.lParam), 153);
        }
    }
    EXPECT_TRUE(sized);
    if (up) {
        hl::WindowInfo info = hl::Inspect(e->window);
        EXPECT_EQ(info.className, "ZEV__WNDCLASS");
        EXPECT_EQ(info.title, "Layout");
        EXPECT_EQ(info.classStyle, 0x2Bu);
        EXPECT_EQ(info.windowRect.left, 189);
        EXPECT_EQ(info.windowRect.top, 131);
        EXPECT_EQ(info.windowRect.right, 189 + 646);
        EXPECT_EQ(info.clientRect.right - info.clientRect.left, 640);
        EXPECT_NE(info.classBackground, nullptr);
        EXPECT_EQ(hl::TimerPeriodBalance(), 1);
        engine->System_Shutdown();
    }
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    EXPECT_FALSE(hl::ClassRegistered("ZEV__WNDCLASS"));
}

LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST_F(SystemTest, ParentWindowMakesAChildAtTheOriginAndForcesWindowed) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "HOST_SYS";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND host = CreateWindowExA(0, "HOST_SYS", "host", WS_POPUP | WS_VISIBLE | WS_CAPTION, 50, 60, 400, 300,
                                nullptr, nullptr, nullptr, nullptr);
    engine->System_SetStateHwnd(STATE_PARENT_WINDOW, host);
    engine->System_SetState(STATE_WINDOWED, false);
    engine->System_SetState(STATE_SCREEN_WIDTH, 320);
    engine->System_SetState(STATE_SCREEN_HEIGHT, 240);
    hl::ClearMessageTrace();
    bool up = Initiate();
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_EQ(e->rectW.left, 0);
    EXPECT_EQ(e->rectW.top, 0);
    EXPECT_EQ(e->rectW.right, 320);
    EXPECT_EQ(e->rectW.bottom, 240);
    EXPECT_EQ(static_cast<DWORD>(e->styleW), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    HWND child = nullptr;
    for (const auto& t : hl::MessageTrace())
        if (t.message == WM_CREATE) child = t.hwnd;
    ASSERT_NE(child, nullptr);
    EXPECT_NE(child, host);
    for (const auto& t : hl::MessageTrace())
        if (t.hwnd == child) {
            EXPECT_NE(t.message, static_cast<UINT>(WM_ACTIVATE));
        }
    if (up) {
        EXPECT_EQ(hl::Inspect(e->window).parent, host);
        RECT r;
        GetClientRect(e->window, &r);
        EXPECT_EQ(r.right, 320);
        engine->System_Shutdown();
    }
    DestroyWindow(host);
}

TEST_F(SystemTest, RefusedWindowClassLeavesNothingToUndo) {
    hl::FailRegisterClass(true);
    EXPECT_FALSE(engine->System_Initiate());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't register window class");
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    EXPECT_EQ(Lines().back(), "Can't register window class");
}

TEST_F(SystemTest, RefusedWindowKeepsTheClassRegistered) {
    hl::FailCreateWindow(true);
    EXPECT_FALSE(engine->System_Initiate());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't create window");
    EXPECT_TRUE(hl::ClassRegistered("ZEV__WNDCLASS"));
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    // A second try fails on the class that stayed registered.
    hl::FailCreateWindow(false);
    EXPECT_FALSE(engine->System_Initiate());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't register window class");
    UnregisterClassA("ZEV__WNDCLASS", e->instance);
}

TEST_F(SystemTest, GraphicsFailureShutsDownAndActivationBeforeItChangesNothing) {
    d3d9test::SetFault(d3d9test::Fault::Create);
    engine->System_SetState(STATE_FOCUS_GAIN_FUNC, FocusGain);
    engine->System_SetState(STATE_FOCUS_LOST_FUNC, FocusLost);
    engine->System_SetState(STATE_WINDOWED, true);
    EXPECT_FALSE(Initiate());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't create D3D interface");
    EXPECT_FALSE(EngineMessages(WM_ACTIVATE).empty());  // sent during creation, before Gfx_Init
    EXPECT_FALSE(e->active);
    EXPECT_EQ(g_focusGain, 0);
    EXPECT_EQ(g_focusLost, 0);
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    EXPECT_FALSE(hl::ClassRegistered("ZEV__WNDCLASS"));
    EXPECT_TRUE(hl::Windows().empty());
    EXPECT_EQ(Lines().back(), "The End.");
}

TEST_F(SystemTest, FullStartAndShutdownWhenDevicesAreAvailable) {
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, 320);
    engine->System_SetState(STATE_SCREEN_HEIGHT, 240);
    if (!Initiate()) FAIL() << "start-up stops at: " << engine->System_GetErrorMessage();
    EXPECT_NE(engine->Gfx_GetDevice(), nullptr);
    HWND w = engine->System_GetStateHwnd(STATE_WINDOW);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(engine->Timer_GetFPS(), 0);
    engine->System_SetState(STATE_FRAME_FUNC, StopAtOnce);
    EXPECT_TRUE(engine->System_Start());
    engine->System_Shutdown();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
    EXPECT_EQ(d3d9test::LiveObjectCount(), 0);
}

// ---- The window procedure, on a window made by hand.

TEST_F(SystemTest, AltEnterTogglesWindowedAndSendsNoKeyEvent) {
    ManualStart();
    ASSERT_TRUE(e->windowed);
    LPARAM alt = LPARAM(1) << 29;
    EXPECT_EQ(SendMessageA(e->window, WM_SYSKEYDOWN, VK_RETURN, alt | (0x1C << 16)), 0);
    EXPECT_FALSE(e->windowed);  // no device: the value is simply stored
    EXPECT_EQ(SendMessageA(e->window, WM_SYSKEYDOWN, 'A', alt | (0x1E << 16)), 0);
    InputEvent ev;
    ASSERT_TRUE(engine->Input_GetEvent(&ev));
    EXPECT_EQ(ev.type, INPUT_KEYDOWN);
    EXPECT_EQ(ev.key, 'A');
    EXPECT_FALSE(engine->Input_GetEvent(&ev));
}

TEST_F(SystemTest, DoubleClickQueuesASecondPressWithTheRepeatFlag) {
    ManualStart();
    LPARAM at = MAKELPARAM(10, 12);
    SendMessageA(e->window, WM_LBUTTONDOWN, 0, at);
    SendMessageA(e->window, WM_LBUTTONUP, 0, at);
    SendMessageA(e->window, WM_LBUTTONDBLCLK, 0, at);
    SendMessageA(e->window, WM_LBUTTONUP, 0, at);
    InputEvent ev;
    ASSERT_TRUE(engine->Input_GetEvent(&ev));
    int types[4] = {INPUT_MBUTTONDOWN, INPUT_MBUTTONUP, INPUT_MBUTTONDOWN, INPUT_MBUTTONUP};
    for (int i = 0; i < 4; ++i) {
        if (i) {
            ASSERT_TRUE(engine->Input_GetEvent(&ev));
        }
        EXPECT_EQ(ev.type, types[i]) << i;
        EXPECT_EQ(ev.key, VK_LBUTTON);
        EXPECT_EQ((ev.flags & INPUT_FLAG_REPEAT) != 0, i == 2) << i;
    }
}

TEST_F(SystemTest, WheelNotchesAreTruncatedTowardsZero) {
    ManualStart();
    POINT screen{5, 5};
    ClientToScreen(e->window, &screen);
    LPARAM at = MAKELPARAM(screen.x, screen.y);
    SendMessageA(e->window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), at);
    SendMessageA(e->window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), at);
    SendMessageA(e->window, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), at);
    InputEvent ev;
    ASSERT_TRUE(engine->Input_GetEvent(&ev));
    int wheels[3] = {1, -1, 0};
    for (int i = 0; i < 3; ++i) {
        if (i) {
            ASSERT_TRUE(engine->Input_GetEvent(&ev));
        }
        EXPECT_EQ(ev.type, INPUT_MOUSEWHEEL);
        EXPECT_EQ(ev.wheel, wheels[i]) << i;
    }
}

TEST_F(SystemTest, AltF4AsksTheExitCallbackTwice) {
    engine->System_SetState(STATE_EXIT_FUNC, Exit);
    engine->System_SetState(STATE_FRAME_FUNC, StopAtOnce);
    ManualStart();
    HWND w = e->window;
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_TRUE(engine->System_Start());  // the close destroys the window and quits
    EXPECT_EQ(g_exitAsked, 2);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(e->active);
}

TEST_F(SystemTest, RefusingAltF4StopsBothQuestions) {
    engine->System_SetState(STATE_EXIT_FUNC, Exit);
    g_exitAllows = false;
    ManualStart();
    EXPECT_EQ(SendMessageA(e->window, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29), 0);
    EXPECT_EQ(g_exitAsked, 1);
    EXPECT_EQ(hl::QueuedMessageCount(), 0u);
    EXPECT_TRUE(IsWindow(e->window));
}

TEST_F(SystemTest, CloseCommandAsksExitAndDropsTheActiveFlag) {
    engine->System_SetState(STATE_EXIT_FUNC, Exit);
    ManualStart();
    e->active = true;
    g_exitAllows = false;
    EXPECT_EQ(SendMessageA(e->window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_TRUE(e->active);
    EXPECT_TRUE(IsWindow(e->window));
    // Only the exact command counts.
    SendMessageA(e->window, WM_SYSCOMMAND, SC_CLOSE + 1, 0);
    EXPECT_EQ(g_exitAsked, 1);
    g_exitAllows = true;
    SendMessageA(e->window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(e->active);
    EXPECT_FALSE(IsWindow(e->window));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(SystemTest, ActivationReachesTheCallbacksOnlyOnAChange) {
    engine->System_SetState(STATE_FOCUS_GAIN_FUNC, FocusGain);
    engine->System_SetState(STATE_FOCUS_LOST_FUNC, FocusLost);
    ManualStart();
    e->active = false;
    SendMessageA(e->window, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), 0);
    EXPECT_TRUE(e->active);
    SendMessageA(e->window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    EXPECT_EQ(g_focusGain, 1);
    SendMessageA(e->window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);  // minimised
    EXPECT_FALSE(e->active);
    EXPECT_EQ(g_focusLost, 1);
    SendMessageA(e->window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    EXPECT_EQ(g_focusLost, 1);
}

TEST_F(SystemTest, PaintRendersOnlyWhenActiveAndWindowed) {
    engine->System_SetState(STATE_RENDER_FUNC, Render);
    ManualStart();
    e->active = true;
    SendMessageA(e->window, WM_PAINT, 0, 0);
    EXPECT_EQ(g_renders, 1);
    e->windowed = false;
    SendMessageA(e->window, WM_PAINT, 0, 0);
    e->windowed = true;
    e->active = false;
    SendMessageA(e->window, WM_PAINT, 0, 0);
    EXPECT_EQ(g_renders, 1);
    EXPECT_FALSE(hl::Inspect(e->window).paintPending);  // default processing validated
}

TEST_F(SystemTest, SetCursorHidesTheMouseOnlyOverAnActiveClientArea) {
    ManualStart();
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    e->active = true;
    SendMessageA(e->window, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(hl::CurrentCursor(), nullptr);
    SendMessageA(e->window, WM_SETCURSOR, 0, MAKELPARAM(2, WM_MOUSEMOVE));
    EXPECT_EQ(hl::CurrentCursor(), arrow);
    engine->System_SetState(STATE_HIDE_MOUSE, false);
    SendMessageA(e->window, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(hl::CurrentCursor(), arrow);
    engine->System_SetState(STATE_HIDE_MOUSE, true);
    e->active = false;
    SendMessageA(e->window, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(hl::CurrentCursor(), arrow);
}

TEST_F(SystemTest, ButtonPressTakesTheFocusButADoubleClickDoesNot) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "HOST_FOCUS";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, "HOST_FOCUS", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    engine->System_SetStateHwnd(STATE_PARENT_WINDOW, host);
    ManualStart();
    SetFocus(host);
    SendMessageA(e->window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 4));
    EXPECT_EQ(GetFocus(), host);
    SendMessageA(e->window, WM_RBUTTONDOWN, 0, MAKELPARAM(3, 4));
    EXPECT_EQ(GetFocus(), e->window);
    DestroyWindow(host);
    e->window = nullptr;
}

TEST_F(SystemTest, DestroyPostsQuitAndMessagesGoToDefaultProcessing) {
    ManualStart();
    EXPECT_EQ(SendMessageA(e->window, WM_NCCREATE, 0, 0), TRUE);  // default answer
    DestroyWindow(e->window);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    // Shutdown later finds the stale handle and destroys nothing twice.
    EXPECT_FALSE(DestroyWindow(e->window));
}

// ---- Log, errors, launch.

TEST_F(SystemTest, LogCutsLongLinesAt255AndEndsEachCallWithALineBreak) {
    std::string text(300, 'x');
    hl::ClearDebugOutput();
    engine->System_Log("%s", text.c_str());
    ASSERT_EQ(hl::DebugOutput().size(), 2u);
    EXPECT_EQ(hl::DebugOutput()[0], std::string(255, 'x'));
    EXPECT_EQ(hl::DebugOutput()[1], "\n");
    hl::ClearDebugOutput();
    engine->System_Log("%d-%s", 7, "seven");
    EXPECT_EQ(hl::DebugText(), "7-seven\n");
}

TEST_F(SystemTest, PostedErrorKeepsPercentSignsAndIsCut) {
    hl::ClearDebugOutput();
    e->System_PostError("Can't load resource: %s 100%");
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load resource: %s 100%");
    EXPECT_EQ(hl::DebugText(), "Can't load resource: %s 100%\n");
    std::string longText(400, 'e');
    e->System_PostError(longText.c_str());
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), std::string(255, 'e'));
    e->System_PostError(engine->System_GetErrorMessage());  // its own text again
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), std::string(255, 'e'));
}

TEST_F(SystemTest, LaunchAsksTheShellAndChecksItsResult) {
    EXPECT_TRUE(engine->System_Launch("http://example.org/"));
    ASSERT_EQ(hl::ShellCalls().size(), 1u);
    const hl::ShellCall& c = hl::ShellCalls()[0];
    EXPECT_FALSE(c.hasVerb);
    EXPECT_EQ(c.file, "http://example.org/");
    EXPECT_EQ(c.showCmd, SW_SHOWMAXIMIZED);
    hl::SetShellResult(32);
    EXPECT_FALSE(engine->System_Launch("readme.txt"));
    hl::SetShellResult(33);
    EXPECT_TRUE(engine->System_Launch(nullptr));
}

}  // namespace
