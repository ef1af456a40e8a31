// The SDL backend's translation of keyboard and mouse events into window messages, fed with
// made-up SDL events on headless windows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/backend/sdl_input.h"
#include "platform/backend/sdl_input_map.h"
#include "platform/win32/win32.h"

namespace {

namespace hl = platform::headless;

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

class SdlInput : public ::testing::Test {
protected:
    HWND window = nullptr;
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
        platform::ResetKeyboardState();
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof(wc));
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "sdl_input_test";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "sdl_input_test", "t", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 50, 206, 144,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        Messages();  // creation's own messages
    }
    void TearDown() override {
        hl::Reset();
        platform::ResetKeyboardState();
    }
    std::vector<MSG> Messages() {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message != WM_PAINT && m.message != WM_SETCURSOR) out.push_back(m);
        return out;
    }
    static SDL_Event KeyEvent(bool down, SDL_Scancode sc, Uint16 mod = KMOD_NUM, bool repeat = false) {
        SDL_Event e;
        std::memset(&e, 0, sizeof(e));
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = sc;
        e.key.keysym.mod = mod;
        return e;
    }
    MSG One(const SDL_Event& e) {
        EXPECT_TRUE(platform::SdlTranslateInputEvent(&e, window));
        auto msgs = Messages();
        EXPECT_EQ(msgs.size(), 1u);
        return msgs.empty() ? MSG{} : msgs[0];
    }
};

TEST(SdlKeyTable, EveryNamedKeyHasItsCode) {
    struct Row {
        SDL_Scancode sc;
        int vk;
    };
    std::vector<Row> rows = {
        {SDL_SCANCODE_BACKSPACE, VK_BACK}, {SDL_SCANCODE_TAB, VK_TAB}, {SDL_SCANCODE_RETURN, VK_RETURN},
        {SDL_SCANCODE_KP_ENTER, VK_RETURN}, {SDL_SCANCODE_LSHIFT, VK_SHIFT}, {SDL_SCANCODE_RSHIFT, VK_SHIFT},
        {SDL_SCANCODE_LCTRL, VK_CONTROL}, {SDL_SCANCODE_RCTRL, VK_CONTROL}, {SDL_SCANCODE_LALT, VK_MENU},
        {SDL_SCANCODE_RALT, VK_MENU}, {SDL_SCANCODE_PAUSE, VK_PAUSE}, {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL},
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_SPACE, VK_SPACE}, {SDL_SCANCODE_PAGEUP, VK_PRIOR},
        {SDL_SCANCODE_PAGEDOWN, VK_NEXT}, {SDL_SCANCODE_END, VK_END}, {SDL_SCANCODE_HOME, VK_HOME},
        {SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_UP, VK_UP}, {SDL_SCANCODE_RIGHT, VK_RIGHT},
        {SDL_SCANCODE_DOWN, VK_DOWN}, {SDL_SCANCODE_INSERT, VK_INSERT}, {SDL_SCANCODE_DELETE, VK_DELETE},
        {SDL_SCANCODE_LGUI, VK_LWIN}, {SDL_SCANCODE_RGUI, VK_RWIN}, {SDL_SCANCODE_APPLICATION, VK_APPS},
        {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY}, {SDL_SCANCODE_KP_PLUS, VK_ADD},
        {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT}, {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL},
        {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE}, {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK},
        {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL}, {SDL_SCANCODE_SEMICOLON, VK_OEM_1}, {SDL_SCANCODE_EQUALS, VK_OEM_PLUS},
        {SDL_SCANCODE_COMMA, VK_OEM_COMMA}, {SDL_SCANCODE_MINUS, VK_OEM_MINUS}, {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD},
        {SDL_SCANCODE_SLASH, VK_OEM_2}, {SDL_SCANCODE_GRAVE, VK_OEM_3}, {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4},
        {SDL_SCANCODE_BACKSLASH, VK_OEM_5}, {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6},
        {SDL_SCANCODE_APOSTROPHE, VK_OEM_7}};
    for (int i = 0; i < 26; ++i) rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_A + i), 'A' + i});
    for (int i = 0; i < 9; ++i) rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), '1' + i});
    rows.push_back({SDL_SCANCODE_0, '0'});
    for (int i = 0; i < 9; ++i) rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + i), VK_NUMPAD1 + i});
    rows.push_back({SDL_SCANCODE_KP_0, VK_NUMPAD0});
    for (int i = 0; i < 12; ++i) rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), VK_F1 + i});
    for (const Row& r : rows) {
        platform::SdlKeyInfo k = platform::SdlKeyOf(r.sc, true);
        EXPECT_EQ(k.vk, r.vk) << SDL_GetScancodeName(r.sc);
        EXPECT_NE(k.scan, 0) << SDL_GetScancodeName(r.sc);
    }
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_A, true).scan, 0x1E);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_ESCAPE, true).scan, 0x01);
    EXPECT_TRUE(platform::SdlKeyOf(SDL_SCANCODE_LEFT, true).extended);
    EXPECT_TRUE(platform::SdlKeyOf(SDL_SCANCODE_RCTRL, true).extended);
    EXPECT_FALSE(platform::SdlKeyOf(SDL_SCANCODE_LCTRL, true).extended);
    EXPECT_TRUE(platform::SdlKeyOf(SDL_SCANCODE_KP_ENTER, true).extended);
    EXPECT_FALSE(platform::SdlKeyOf(SDL_SCANCODE_RETURN, true).extended);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_RSHIFT, true).scan, 0x36);
    // Num Lock off: the keypad moves the cursor.
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_KP_4, false).vk, VK_LEFT);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_KP_8, false).vk, VK_UP);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_KP_PERIOD, false).vk, VK_DELETE);
    EXPECT_FALSE(platform::SdlKeyOf(SDL_SCANCODE_KP_4, false).extended);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_KP_MULTIPLY, false).vk, VK_MULTIPLY);
    EXPECT_EQ(platform::SdlKeyOf(SDL_SCANCODE_UNKNOWN, true).vk, 0);
    EXPECT_EQ(platform::SdlKeyOf(-5, true).vk, 0);
}

TEST_F(SdlInput, KeyMessagesAndTheirParameters) {
    MSG m = One(KeyEvent(true, SDL_SCANCODE_A));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(m.hwnd, window);
    EXPECT_EQ(m.wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(static_cast<DWORD>(m.lParam), 0x001E0001u);
    m = One(KeyEvent(true, SDL_SCANCODE_A, KMOD_NUM, true));
    EXPECT_EQ(static_cast<DWORD>(m.lParam), 0x401E0001u);  // repeat: previous state set
    m = One(KeyEvent(false, SDL_SCANCODE_A));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(static_cast<DWORD>(m.lParam), 0xC01E0001u);
    m = One(KeyEvent(true, SDL_SCANCODE_RIGHT));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_RIGHT));
    EXPECT_EQ(static_cast<DWORD>(m.lParam), 0x014D0001u);  // extended
    m = One(KeyEvent(true, SDL_SCANCODE_RETURN));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));  // plain Enter is never a system key
    m = One(KeyEvent(true, SDL_SCANCODE_F10));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYDOWN));
    // The state table follows the messages taken from the queue.
    EXPECT_NE(GetKeyState(VK_RIGHT) & 0x8000, 0);
    EXPECT_EQ(GetKeyState('A') & 0x8000, 0);
}

TEST_F(SdlInput, AltCombinationsAreSystemKeys) {
    MSG m = One(KeyEvent(true, SDL_SCANCODE_LALT, KMOD_LALT));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_MENU));
    EXPECT_TRUE(m.lParam & (1 << 29));
    m = One(KeyEvent(true, SDL_SCANCODE_RETURN, KMOD_LALT));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_RETURN));
    m = One(KeyEvent(true, SDL_SCANCODE_F4, KMOD_RALT));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_F4));
    m = One(KeyEvent(false, SDL_SCANCODE_F4, KMOD_RALT));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYUP));
    m = One(KeyEvent(false, SDL_SCANCODE_LALT, KMOD_NONE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSKEYUP));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_MENU));
    m = One(KeyEvent(true, SDL_SCANCODE_A, KMOD_LALT | KMOD_LCTRL));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));  // Ctrl+Alt is not a system combination
    m = One(KeyEvent(true, SDL_SCANCODE_A, KMOD_LCTRL));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(SdlInput, LockKeysStartAsTheHostHasThem) {
    One(KeyEvent(true, SDL_SCANCODE_B, KMOD_CAPS));  // first key event: Caps Lock is on
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 0);
    MSG m = One(KeyEvent(true, SDL_SCANCODE_KP_8, KMOD_CAPS));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_UP));  // Num Lock off
    One(KeyEvent(true, SDL_SCANCODE_CAPSLOCK, KMOD_NONE));
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 0);
}

TEST_F(SdlInput, LockKeysStartAsTheHostHasThemWhenTheMouseComesFirst) {
    SDL_Keymod before = SDL_GetModState();
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_CAPS | KMOD_NUM));
    SDL_Event e;
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEMOTION;
    One(e);
    SDL_SetModState(before);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
    EXPECT_EQ(GetKeyState(VK_SCROLL) & 1, 0);
    One(KeyEvent(true, SDL_SCANCODE_B, KMOD_NONE));  // taken once: a later key changes nothing
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
}

TEST_F(SdlInput, MouseMovesButtonsAndDoubleClicks) {
    SDL_Event e;
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 10;
    e.motion.y = 20;
    MSG m = One(e);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 20);

    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 5;
    e.button.y = 6;
    e.button.timestamp = 1000;
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONDOWN));
    e.type = SDL_MOUSEBUTTONUP;
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONUP));
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.timestamp = 1400;
    e.button.x = 7;  // within the 4 x 4 box
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONDBLCLK));
    e.button.timestamp = 1500;
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONDOWN));  // a third press
    e.button.timestamp = 2001;  // too late
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONDOWN));
    e.button.timestamp = 2100;
    e.button.x = 10;  // too far
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_LBUTTONDOWN));
    e.button.button = SDL_BUTTON_RIGHT;  // another button
    e.button.timestamp = 2200;
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_RBUTTONDOWN));
    e.button.timestamp = 2300;
    EXPECT_EQ(One(e).message, static_cast<UINT>(WM_RBUTTONDBLCLK));
    e.button.button = SDL_BUTTON_MIDDLE;
    e.button.timestamp = 5000;
    MSG m2 = One(e);
    EXPECT_EQ(m2.message, static_cast<UINT>(WM_MBUTTONDOWN));
    EXPECT_EQ(GET_X_LPARAM(m2.lParam), 10);
    e.button.button = SDL_BUTTON_X1;
    EXPECT_FALSE(platform::SdlTranslateInputEvent(&e, window));

    // While captured, positions outside the window arrive negative, to the capture window.
    SetCapture(window);
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEMOTION;
    e.motion.x = -1;
    e.motion.y = -30;
    m = One(e);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -1);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), -30);
    ReleaseCapture();
}

TEST_F(SdlInput, WindowsWithoutTheClassStyleGetNoDoubleClicks) {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "sdl_input_plain";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND plain = CreateWindowExA(0, "sdl_input_plain", "p", WS_POPUP | WS_VISIBLE, 600, 500, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    Messages();
    SDL_Event e;
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    for (Uint32 t : {100u, 200u}) {
        e.button.timestamp = t;
        ASSERT_TRUE(platform::SdlTranslateInputEvent(&e, plain));
        auto msgs = Messages();
        ASSERT_EQ(msgs.size(), 1u);
        EXPECT_EQ(msgs[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    }
}

TEST_F(SdlInput, WheelNotchesAtScreenPositions) {
    SDL_Event e;
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 1;
    e.wheel.preciseY = 1.0f;
    e.wheel.mouseX = 7;
    e.wheel.mouseY = 8;
    MSG m = One(e);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.wParam), 120);
    POINT p{7, 8};
    ClientToScreen(window, &p);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), p.x);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), p.y);

    e.wheel.y = -2;
    e.wheel.preciseY = -2.0f;
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(One(e).wParam), -240);
    e.wheel.preciseY = 0.5f;
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(One(e).wParam), 60);
    e.wheel.preciseY = 1.0f;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(One(e).wParam), -120);
}

TEST_F(SdlInput, OtherEventsAreNotUsed) {
    SDL_Event e;
    std::memset(&e, 0, sizeof(e));
    e.type = SDL_TEXTINPUT;
    EXPECT_FALSE(platform::SdlTranslateInputEvent(&e, window));
    EXPECT_FALSE(platform::SdlTranslateInputEvent(nullptr, window));
    SDL_Event k = KeyEvent(true, SDL_SCANCODE_A);
    EXPECT_FALSE(platform::SdlTranslateInputEvent(&k, nullptr));
    k = KeyEvent(true, SDL_SCANCODE_UNKNOWN);
    EXPECT_FALSE(platform::SdlTranslateInputEvent(&k, window));
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
