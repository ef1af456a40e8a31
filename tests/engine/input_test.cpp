// Input through the engine: messages posted on the headless backend are pumped by the frame
// loop and read back through the interface in the next frame.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/support/foundation_fixture.h"

namespace {

namespace hl = platform::headless;

std::vector<std::function<void()>> g_steps;
size_t g_step = 0;

bool ScriptedFrame() {
    if (g_step < g_steps.size()) g_steps[g_step++]();
    return g_step >= g_steps.size();
}

LPARAM KeyParam(int scan, bool repeat = false, bool up = false, bool alt = false, bool extended = false) {
    DWORD lp = 1u | (static_cast<DWORD>(scan) << 16);
    if (extended) lp |= 1u << 24;
    if (alt) lp |= 1u << 29;
    if (repeat || up) lp |= 1u << 30;
    if (up) lp |= 1u << 31;
    return static_cast<LPARAM>(lp);
}

class Input : public fwtest::EngineTest {
protected:
    void SetUp() override {
        fwtest::EngineTest::SetUp();
        platform::ResetKeyboardState();
        ManualStart(800, 600);
        e->Input_Init();
        g_steps.clear();
        g_step = 0;
        engine->System_SetState(STATE_FRAME_FUNC, ScriptedFrame);
    }
    void TearDown() override {
        platform::ResetKeyboardState();
        fwtest::EngineTest::TearDown();
    }
    // Runs one frame per step: each step sees the messages the previous step posted.
    void Run(std::vector<std::function<void()>> steps) {
        g_steps = std::move(steps);
        g_step = 0;
        engine->System_Start();
        EXPECT_EQ(g_step, g_steps.size());
    }
    void Key(int vk, int scan, bool down, bool repeat = false) {
        PostMessageA(e->window, down ? WM_KEYDOWN : WM_KEYUP, vk, KeyParam(scan, repeat, !down));
    }
    void SysKey(int vk, int scan, bool down, bool repeat = false) {
        PostMessageA(e->window, down ? WM_SYSKEYDOWN : WM_SYSKEYUP, vk, KeyParam(scan, repeat, !down, true));
    }
    void Mouse(UINT msg, int x, int y) { PostMessageA(e->window, msg, 0, MAKELPARAM(x, y)); }
    std::vector<InputEvent> Drain() {
        std::vector<InputEvent> out;
        InputEvent ev;
        while (engine->Input_GetEvent(&ev)) out.push_back(ev);
        return out;
    }
    // Screen position of a client point of the engine window.
    POINT Screen(int x, int y) {
        POINT p{x, y};
        ClientToScreen(e->window, &p);
        return p;
    }
};

TEST_F(Input, KeyDownAndUpHoldForTheirFrameOnly) {
    Run({[&] { Key('A', 0x1E, true); },
         [&] {
             EXPECT_TRUE(engine->Input_KeyDown('A'));
             EXPECT_FALSE(engine->Input_KeyUp('A'));
             EXPECT_TRUE(engine->Input_GetKeyState('A'));
             EXPECT_EQ(engine->Input_GetKey(), 'A');
             EXPECT_EQ(engine->Input_GetChar(), 'a');
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 1u);
             EXPECT_EQ(evs[0].type, INPUT_KEYDOWN);
             EXPECT_EQ(evs[0].key, 'A');
             EXPECT_EQ(evs[0].chr, 'a');
             EXPECT_EQ(evs[0].flags, 0);
             EXPECT_EQ(evs[0].wheel, 0);
         },
         [&] {
             EXPECT_FALSE(engine->Input_KeyDown('A'));  // held, but it went down a frame ago
             EXPECT_TRUE(engine->Input_GetKeyState('A'));
             EXPECT_EQ(engine->Input_GetKey(), 0);
             Key('A', 0x1E, false);
         },
         [&] {
             EXPECT_FALSE(engine->Input_KeyDown('A'));
             EXPECT_TRUE(engine->Input_KeyUp('A'));
             EXPECT_FALSE(engine->Input_GetKeyState('A'));
             EXPECT_EQ(engine->Input_GetKey(), 0);  // a release is not a "last key"
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 1u);
             EXPECT_EQ(evs[0].type, INPUT_KEYUP);
             EXPECT_EQ(evs[0].chr, 'a');  // key-up events carry the character too
             Key(VK_SPACE, 0x39, true);
             Key(VK_SPACE, 0x39, false);
         },
         [&] {
             EXPECT_TRUE(engine->Input_KeyDown(VK_SPACE));
             EXPECT_TRUE(engine->Input_KeyUp(VK_SPACE));
             EXPECT_FALSE(engine->Input_KeyUp('A'));
         },
         [&] {
             EXPECT_FALSE(engine->Input_KeyDown(VK_SPACE));
             EXPECT_FALSE(engine->Input_KeyUp(VK_SPACE));
         }});
}

TEST_F(Input, AutoRepeatQueuesButIsNoNewPress) {
    Run({[&] { Key(VK_LEFT, 0x4B, true); },
         [&] {
             EXPECT_TRUE(engine->Input_KeyDown(VK_LEFT));
             Key(VK_LEFT, 0x4B, true, true);
             Key('R', 0x13, true, true);
         },
         [&] {
             EXPECT_FALSE(engine->Input_KeyDown(VK_LEFT));
             EXPECT_FALSE(engine->Input_KeyDown('R'));
             EXPECT_EQ(engine->Input_GetKey(), 'R');
             EXPECT_EQ(engine->Input_GetChar(), 'r');
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 2u);
             EXPECT_EQ(evs[0].key, VK_LEFT);
             EXPECT_EQ(evs[0].flags, INPUT_FLAG_REPEAT);
             EXPECT_EQ(evs[0].chr, 0);
             EXPECT_EQ(evs[1].flags, INPUT_FLAG_REPEAT);
         }});
}

TEST_F(Input, ModifiersLocksAndCharacters) {
    std::vector<InputEvent> evs;
    Run({[&] {
             Key(VK_SHIFT, 0x2A, true);
             Key('A', 0x1E, true);
             Key('1', 0x02, true);
             Key(VK_SHIFT, 0x2A, false);
             Key(VK_CAPITAL, 0x3A, true);
             Key(VK_CAPITAL, 0x3A, false);
             Key('B', 0x30, true);
             Key(VK_SHIFT, 0x36, true);  // right Shift with Caps Lock on
             Key('C', 0x2E, true);
             Key(VK_OEM_2, 0x35, true);
             Key(VK_SHIFT, 0x36, false);
             Key(VK_CONTROL, 0x1D, true);
             Key('C', 0x2E, true);
             Key(VK_CONTROL, 0x1D, false);
             Key(VK_NUMLOCK, 0x45, true);
             Key(VK_NUMLOCK, 0x45, false);
             Key(VK_NUMPAD7, 0x47, true);
             Key(VK_SCROLL, 0x46, true);
             Key(VK_SCROLL, 0x46, false);
             Key(VK_F1, 0x3B, true);
             SysKey(VK_MENU, 0x38, true);
             SysKey('X', 0x2D, true);
         },
         [&] { evs = Drain(); }});
    auto downs = [&] {
        std::vector<InputEvent> d;
        for (auto& ev : evs)
            if (ev.type == INPUT_KEYDOWN) d.push_back(ev);
        return d;
    }();
    ASSERT_EQ(downs.size(), 16u);
    auto expect = [&](size_t i, int key, int chr, int flags) {
        EXPECT_EQ(downs[i].key, key) << i;
        EXPECT_EQ(downs[i].chr, chr) << i;
        EXPECT_EQ(downs[i].flags, flags) << i;
    };
    const int S = INPUT_FLAG_SHIFT, C = INPUT_FLAG_CTRL, A = INPUT_FLAG_ALT, CL = INPUT_FLAG_CAPSLOCK,
              NL = INPUT_FLAG_NUMLOCK, SL = INPUT_FLAG_SCROLLLOCK;
    expect(0, VK_SHIFT, 0, S);
    expect(1, 'A', 'A', S);
    expect(2, '1', '!', S);
    expect(3, VK_CAPITAL, 0, CL);  // the state as of this message: already toggled
    expect(4, 'B', 'B', CL);
    expect(5, VK_SHIFT, 0, S | CL);
    expect(6, 'C', 'c', S | CL);   // Shift and Caps Lock cancel for letters
    expect(7, VK_OEM_2, '?', S | CL);
    expect(8, VK_CONTROL, 0, C | CL);
    expect(9, 'C', 3, C | CL);     // Ctrl+C
    expect(10, VK_NUMLOCK, 0, CL | NL);
    expect(11, VK_NUMPAD7, '7', CL | NL);
    expect(12, VK_SCROLL, 0, CL | NL | SL);
    expect(13, VK_F1, 0, CL | NL | SL);
    expect(14, VK_MENU, 0, A | CL | NL | SL);
    expect(15, 'X', 'X', A | CL | NL | SL);  // Alt combinations arrive as ordinary key downs
}

TEST_F(Input, AltEnterSendsNoEvent) {
    Run({[&] {
             SysKey(VK_MENU, 0x38, true);
             SysKey(VK_RETURN, 0x1C, true);
             SysKey(VK_RETURN, 0x1C, false);
         },
         [&] {
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 2u);  // Alt down, Enter up; no Enter down
             EXPECT_EQ(evs[0].key, VK_MENU);
             EXPECT_EQ(evs[1].key, VK_RETURN);
             EXPECT_EQ(evs[1].type, INPUT_KEYUP);
             EXPECT_FALSE(engine->Input_KeyDown(VK_RETURN));
         }});
}

TEST_F(Input, QueueIsEmptiedAtTheEndOfEveryFrame) {
    Run({[&] {
             Key('Q', 0x10, true);
             Mouse(WM_MOUSEMOVE, 10, 10);
         },
         [&] {
             EXPECT_EQ(engine->Input_GetKey(), 'Q');  // nothing drained this frame
         },
         [&] {
             InputEvent ev{};
             ev.type = 99;
             EXPECT_FALSE(engine->Input_GetEvent(&ev));
             EXPECT_EQ(ev.type, 99);  // left alone
             EXPECT_EQ(engine->Input_GetKey(), 0);
             float x = 0, y = 0;
             engine->Input_GetMousePos(&x, &y);
             EXPECT_EQ(x, 10.0f);  // the position stays
             EXPECT_EQ(y, 10.0f);
         }});
}

TEST_F(Input, MousePositionClampedAndMinusOneMeansNone) {
    Run({[&] { Mouse(WM_MOUSEMOVE, 120, 130); },
         [&] {
             float x, y;
             engine->Input_GetMousePos(&x, &y);
             EXPECT_EQ(x, 120.0f);
             EXPECT_EQ(y, 130.0f);
             Mouse(WM_MOUSEMOVE, -1, 40);  // exactly -1: no position
             Key('K', 0x25, true);
         },
         [&] {
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 2u);
             EXPECT_EQ(evs[0].x, 120.0f);
             EXPECT_EQ(evs[0].y, 130.0f);
             EXPECT_EQ(evs[1].x, 120.0f);  // key events carry the mouse position
             EXPECT_EQ(evs[1].y, 130.0f);
             Mouse(WM_MOUSEMOVE, -5, 900);
         },
         [&] {
             float x, y;
             engine->Input_GetMousePos(&x, &y);
             EXPECT_EQ(x, 0.0f);
             EXPECT_EQ(y, 599.0f);
             Mouse(WM_MOUSEMOVE, 5000, -2);
         },
         [&] {
             float x, y;
             engine->Input_GetMousePos(&x, &y);
             EXPECT_EQ(x, 799.0f);
             EXPECT_EQ(y, 0.0f);
         }});
}

TEST_F(Input, WheelNotchesInScreenCoordinates) {
    POINT at = Screen(50, 60);
    auto wheel = [&](int delta) {
        PostMessageA(e->window, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
    };
    Run({[&] {
             wheel(120);
             wheel(120);
         },
         [&] {
             EXPECT_EQ(engine->Input_GetMouseWheel(), 2);
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 2u);
             EXPECT_EQ(evs[0].type, INPUT_MOUSEWHEEL);
             EXPECT_EQ(evs[0].wheel, 1);
             EXPECT_EQ(evs[0].key, 0);
             EXPECT_EQ(evs[0].x, 50.0f);
             EXPECT_EQ(evs[0].y, 60.0f);
             wheel(-240);
         },
         [&] {
             EXPECT_EQ(engine->Input_GetMouseWheel(), -2);
             wheel(60);
         },
         [&] { EXPECT_EQ(engine->Input_GetMouseWheel(), 0); }});
}

TEST_F(Input, ButtonsCaptureWarpBackAndDoubleClicks) {
    Run({[&] {
             Mouse(WM_MOUSEMOVE, 30, 40);
             Mouse(WM_LBUTTONDOWN, 30, 40);
         },
         [&] {
             EXPECT_TRUE(engine->Input_KeyDown(VK_LBUTTON));
             EXPECT_TRUE(engine->Input_GetKeyState(VK_LBUTTON));
             EXPECT_EQ(engine->Input_GetKey(), 1);
             EXPECT_EQ(engine->Input_GetChar(), 0);
             EXPECT_EQ(GetCapture(), e->window);
             EXPECT_TRUE(e->captured);
             EXPECT_TRUE(engine->Input_IsMouseOver());  // captured counts as over
             Mouse(WM_MOUSEMOVE, -20, 700);  // outside while captured: clamped
             Mouse(WM_LBUTTONUP, -20, 700);
         },
         [&] {
             EXPECT_TRUE(engine->Input_KeyUp(VK_LBUTTON));
             EXPECT_FALSE(engine->Input_GetKeyState(VK_LBUTTON));
             EXPECT_EQ(GetCapture(), nullptr);
             EXPECT_FALSE(e->captured);
             auto evs = Drain();
             ASSERT_GE(evs.size(), 2u);
             EXPECT_EQ(evs[1].type, INPUT_MBUTTONUP);
             EXPECT_EQ(evs[1].x, 0.0f);    // the stored (clamped) position
             EXPECT_EQ(evs[1].y, 599.0f);
             ASSERT_FALSE(hl::CursorWarps().empty());
             POINT back = Screen(0, 599);
             EXPECT_EQ(hl::CursorWarps().back().x, back.x);
             EXPECT_EQ(hl::CursorWarps().back().y, back.y);
             Mouse(WM_RBUTTONDOWN, 5, 5);
             Mouse(WM_RBUTTONUP, 5, 5);
             Mouse(WM_RBUTTONDBLCLK, 5, 5);
             Mouse(WM_RBUTTONUP, 5, 5);
         },
         [&] {
             auto evs = Drain();
             std::vector<InputEvent> presses;
             for (auto& ev : evs)
                 if (ev.type == INPUT_MBUTTONDOWN || ev.type == INPUT_MBUTTONUP) presses.push_back(ev);
             ASSERT_EQ(presses.size(), 4u);
             EXPECT_EQ(presses[2].type, INPUT_MBUTTONDOWN);
             EXPECT_EQ(presses[2].key, 2);
             EXPECT_EQ(presses[2].flags, INPUT_FLAG_REPEAT);
             EXPECT_TRUE(engine->Input_KeyDown(VK_RBUTTON));
             EXPECT_EQ(engine->Input_GetKey(), 2);
         }});
}

TEST_F(Input, MouseOverAtTheClientEdges) {
    RECT client{};
    ASSERT_TRUE(GetClientRect(e->window, &client));
    POINT tl = Screen(0, 0), br = Screen(client.right - 1, client.bottom - 1);
    struct Case {
        POINT at;
        bool over;
    };
    std::vector<Case> cases = {{tl, true},
                               {br, true},
                               {{tl.x - 1, tl.y}, false},
                               {{tl.x, tl.y - 1}, false},
                               {{br.x + 1, br.y}, false},
                               {{br.x, br.y + 1}, false}};
    for (const Case& c : cases) {
        hl::SetCursorPosition(c.at);
        e->Input_UpdateMouse();
        EXPECT_EQ(engine->Input_IsMouseOver(), c.over) << c.at.x << "," << c.at.y;
    }
    // Covered by another window: not over.
    hl::SetCursorPosition(Screen(400, 300));
    hl::OverrideWindowFromPoint(true, nullptr);
    e->Input_UpdateMouse();
    EXPECT_FALSE(engine->Input_IsMouseOver());
    hl::OverrideWindowFromPoint(false);
    e->Input_UpdateMouse();
    EXPECT_TRUE(engine->Input_IsMouseOver());
}

TEST_F(Input, KeyNames) {
    struct Named {
        int code;
        const char* name;
    };
    std::vector<Named> named = {
        {0x01, "Left Mouse Button"}, {0x02, "Right Mouse Button"}, {0x04, "Middle Mouse Button"},
        {0x08, "Backspace"}, {0x09, "Tab"}, {0x0D, "Enter"}, {0x10, "Shift"}, {0x11, "Ctrl"}, {0x12, "Alt"},
        {0x13, "Pause"}, {0x14, "Caps Lock"}, {0x1B, "Escape"}, {0x20, "Space"}, {0x21, "Page Up"},
        {0x22, "Page Down"}, {0x23, "End"}, {0x24, "Home"}, {0x25, "Left Arrow"}, {0x26, "Up Arrow"},
        {0x27, "Right Arrow"}, {0x28, "Down Arrow"}, {0x2D, "Insert"}, {0x2E, "Delete"}, {0x5B, "Left Win"},
        {0x5C, "Right Win"}, {0x5D, "Application"}, {0x6A, "Multiply"}, {0x6B, "Add"}, {0x6D, "Subtract"},
        {0x6E, "Decimal"}, {0x6F, "Divide"}, {0x90, "Num Lock"}, {0x91, "Scroll Lock"}, {0xBA, "Semicolon"},
        {0xBB, "Equals"}, {0xBC, "Comma"}, {0xBD, "Minus"}, {0xBE, "Period"}, {0xBF, "Slash"}, {0xC0, "Grave"},
        {0xDB, "Left bracket"}, {0xDC, "Backslash"}, {0xDD, "Right bracket"}, {0xDE, "Apostrophe"}};
    static std::vector<std::string> generated;
    generated.clear();
    generated.reserve(80);
    for (int d = 0; d <= 9; ++d) {
        generated.push_back(std::string(1, static_cast<char>('0' + d)));
        named.push_back({0x30 + d, nullptr});
        generated.push_back("NumPad " + std::to_string(d));
        named.push_back({0x60 + d, nullptr});
    }
    for (int l = 0; l < 26; ++l) {
        generated.push_back(std::string(1, static_cast<char>('A' + l)));
        named.push_back({0x41 + l, nullptr});
    }
    for (int f = 1; f <= 12; ++f) {
        generated.push_back("F" + std::to_string(f));
        named.push_back({0x6F + f, nullptr});
    }
    size_t g = 0;
    std::vector<bool> isNamed(256, false);
    for (Named& n : named) {
        const char* want = n.name ? n.name : generated[g++].c_str();
        EXPECT_STREQ(engine->Input_GetKeyName(n.code), want) << n.code;
        isNamed[n.code] = true;
    }
    int unnamed = 0;
    for (int code = 0; code < 256; ++code) {
        if (isNamed[code]) continue;
        EXPECT_STREQ(engine->Input_GetKeyName(code), "?") << code;
        ++unnamed;
    }
    EXPECT_EQ(unnamed, 256 - 102);
    EXPECT_STREQ(engine->Input_GetKeyName(0x6C), "?");
    EXPECT_STREQ(engine->Input_GetKeyName(-1), "?");
    EXPECT_STREQ(engine->Input_GetKeyName(256), "?");
    EXPECT_STREQ(engine->Input_GetKeyName(1 << 30), "?");
}

TEST_F(Input, KeyCodesOutsideTheTable) {
    Run({[&] {
             PostMessageA(e->window, WM_KEYDOWN, 300, KeyParam(0x10));
             PostMessageA(e->window, WM_KEYUP, 0x1FF41, KeyParam(0x10, false, true));
             e->Input_BuildEvent(INPUT_KEYDOWN, -7, 0, 0, -1, -1);
             e->Input_BuildEvent(INPUT_MBUTTONDOWN, 4096, 0, 0, 3, 3);
             e->Input_BuildEvent(INPUT_MBUTTONUP, -1, 0, 0, 3, 3);
         },
         [&] {
             for (int k : {-7, -1, 256, 300, 4096, 0x1FF41, 1 << 30}) {
                 EXPECT_FALSE(engine->Input_KeyDown(k)) << k;
                 EXPECT_FALSE(engine->Input_KeyUp(k)) << k;
                 EXPECT_FALSE(engine->Input_GetKeyState(k)) << k;
             }
             EXPECT_FALSE(engine->Input_KeyDown('A'));  // 0x1FF41 is not 'A'
             EXPECT_FALSE(engine->Input_GetKeyState('A'));
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 3u);  // the other frame's direct events were cleared with it
             EXPECT_EQ(evs[0].key, 300);
             EXPECT_EQ(evs[0].chr, 0);
         }});
}

TEST_F(Input, ThousandsOfEventsInOneFrame) {
    const int n = 5000;
    Run({[&] {
             for (int i = 0; i < n; ++i) Mouse(WM_MOUSEMOVE, i % 800, (i / 800) % 600);
         },
         [&] {
             auto evs = Drain();
             ASSERT_EQ(evs.size(), static_cast<size_t>(n));
             for (int i = 0; i < n; ++i) {
                 ASSERT_EQ(evs[i].x, static_cast<float>(i % 800)) << i;
                 ASSERT_EQ(evs[i].y, static_cast<float>((i / 800) % 600)) << i;
             }
             for (int i = 0; i < n; ++i) Key('Z', 0x2C, true, i > 0);
             e->Input_BuildEvent(INPUT_KEYDOWN, 'Y', 0x15, 0, -1, -1);  // undrained leftovers
         },
         [&] {
             EXPECT_EQ(Drain().size(), static_cast<size_t>(n));  // the last frame's leftover is gone
             EXPECT_TRUE(engine->Input_KeyDown('Z'));
             EXPECT_FALSE(engine->Input_KeyDown('Y'));
             Key('Y', 0x15, true);
         },
         [&] {
             EXPECT_TRUE(engine->Input_KeyDown('Y'));
             auto evs = Drain();
             ASSERT_EQ(evs.size(), 1u);
             EXPECT_EQ(evs[0].key, 'Y');
         }});
}

}  // namespace
