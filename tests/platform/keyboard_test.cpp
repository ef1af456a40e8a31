#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/win32/win32.h"

namespace {

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override { platform::ResetKeyboardState(); }
    void TearDown() override { platform::ResetKeyboardState(); }
    void Send(UINT msg, WPARAM vk, int scan = 0, bool extended = false) {
        MSG m{};
        m.message = msg;
        m.wParam = vk;
        m.lParam = static_cast<LPARAM>((static_cast<DWORD>(scan) << 16) | (extended ? 1u << 24 : 0u));
        platform::KeyboardMessageRemoved(&m);
    }
    void Press(WPARAM vk, int scan = 0, bool extended = false) {
        Send(WM_KEYDOWN, vk, scan, extended);
        Send(WM_KEYUP, vk, scan, extended);
    }
    // Characters of every key for the current state, as ToAscii gives them.
    int Char(UINT vk) {
        BYTE state[256];
        GetKeyboardState(state);
        WORD c = 0xEEEE;
        int n = ToAscii(vk, 0, state, &c, 0);
        if (n == 0) {
            EXPECT_EQ(c, 0xEEEE) << "written without a character";
            return 0;
        }
        EXPECT_EQ(n, 1);
        return c;
    }
};

TEST_F(Keyboard, StateBitsSidesAndToggles) {
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    Send(WM_KEYDOWN, VK_SHIFT, 0x36);  // right Shift
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RSHIFT) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x8000, 0);
    Send(WM_KEYDOWN, VK_SHIFT, 0x2A);  // and left
    Send(WM_KEYUP, VK_SHIFT, 0x36);
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);  // the left one still holds it
    Send(WM_KEYUP, VK_SHIFT, 0x2A);
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);

    Send(WM_SYSKEYDOWN, VK_MENU, 0x38, true);
    BYTE state[256];
    GetKeyboardState(state);
    EXPECT_TRUE(state[VK_MENU] & 0x80);
    EXPECT_TRUE(state[VK_RMENU] & 0x80);
    EXPECT_FALSE(state[VK_LMENU] & 0x80);
    Send(WM_SYSKEYUP, VK_MENU, 0x38, true);
    Send(WM_KEYDOWN, VK_CONTROL, 0x1D);
    GetKeyboardState(state);
    EXPECT_FALSE(state[VK_MENU] & 0x80);
    EXPECT_TRUE(state[VK_LCONTROL] & 0x80);

    // Caps Lock toggles on each press, not on auto-repeats or releases.
    Send(WM_KEYDOWN, VK_CAPITAL, 0x3A);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    Send(WM_KEYDOWN, VK_CAPITAL, 0x3A);  // repeat while held
    Send(WM_KEYUP, VK_CAPITAL, 0x3A);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 0x8000, 0);
    Press(VK_CAPITAL, 0x3A);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 0);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);  // a held key reads negative

    platform::SetLockKeyToggles(true, true, false);
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK), 1);
    EXPECT_EQ(GetKeyState(VK_SCROLL), 0);

    Send(WM_LBUTTONDOWN, 0);
    EXPECT_NE(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    Send(WM_LBUTTONUP, 0);
    Send(WM_RBUTTONDBLCLK, 0);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RBUTTON) & 0x8000, 0);

    // Codes outside the table change nothing.
    Send(WM_KEYDOWN, 0x141);
    EXPECT_EQ(GetKeyState('A'), 0);
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(256), 0);
    EXPECT_FALSE(GetKeyboardState(nullptr));
}

TEST_F(Keyboard, UsLayoutCharacters) {
    EXPECT_EQ(Char('A'), 'a');
    EXPECT_EQ(Char('Z'), 'z');
    EXPECT_EQ(Char('5'), '5');
    EXPECT_EQ(Char(VK_SPACE), ' ');
    EXPECT_EQ(Char(VK_RETURN), 13);
    EXPECT_EQ(Char(VK_BACK), 8);
    EXPECT_EQ(Char(VK_TAB), 9);
    EXPECT_EQ(Char(VK_ESCAPE), 27);
    const char* plain = ";=,-./`[\\]'";
    const char* shifted = ":+<_>?~{|}\"";
    const UINT oem[] = {VK_OEM_1, VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_MINUS, VK_OEM_PERIOD, VK_OEM_2,
                        VK_OEM_3, VK_OEM_4, VK_OEM_5, VK_OEM_6, VK_OEM_7};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(Char(oem[i]), plain[i]) << i;
    for (int d = 0; d <= 9; ++d) EXPECT_EQ(Char(VK_NUMPAD0 + d), '0' + d);
    EXPECT_EQ(Char(VK_MULTIPLY), '*');
    EXPECT_EQ(Char(VK_ADD), '+');
    EXPECT_EQ(Char(VK_SUBTRACT), '-');
    EXPECT_EQ(Char(VK_DECIMAL), '.');
    EXPECT_EQ(Char(VK_DIVIDE), '/');
    for (UINT vk : std::initializer_list<UINT>{VK_LEFT, VK_UP, VK_F1, VK_F12, VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL, VK_INSERT, VK_DELETE,
                    VK_HOME, VK_NUMLOCK, VK_SEPARATOR, VK_LWIN, 0u, 0xFFu})
        EXPECT_EQ(Char(vk), 0) << vk;

    Send(WM_KEYDOWN, VK_SHIFT, 0x2A);
    EXPECT_EQ(Char('A'), 'A');
    const char* digits = ")!@#$%^&*(";
    for (int d = 0; d <= 9; ++d) EXPECT_EQ(Char('0' + d), digits[d]);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(Char(oem[i]), shifted[i]) << i;
    EXPECT_EQ(Char(VK_NUMPAD3), '3');

    Press(VK_CAPITAL, 0x3A);  // Caps Lock with Shift: lower case letters, shifted digits
    EXPECT_EQ(Char('Q'), 'q');
    EXPECT_EQ(Char('2'), '@');
    Send(WM_KEYUP, VK_SHIFT, 0x2A);
    EXPECT_EQ(Char('Q'), 'Q');
    EXPECT_EQ(Char('2'), '2');  // Caps Lock leaves digits alone
    EXPECT_EQ(Char(VK_OEM_1), ';');
    Press(VK_CAPITAL, 0x3A);

    Send(WM_KEYDOWN, VK_CONTROL, 0x1D);
    EXPECT_EQ(Char('A'), 1);
    EXPECT_EQ(Char('Z'), 26);
    EXPECT_EQ(Char(VK_OEM_4), 27);
    EXPECT_EQ(Char('1'), 0);
    EXPECT_EQ(Char(VK_RETURN), 10);
    Send(WM_SYSKEYDOWN, VK_MENU, 0x38);
    EXPECT_EQ(Char('A'), 0);  // Ctrl+Alt: nothing on a US layout
    Send(WM_KEYUP, VK_CONTROL, 0x1D);
    EXPECT_EQ(Char('A'), 'a');  // Alt alone does not change the character

    WORD c = 0;
    BYTE state[256] = {};
    EXPECT_EQ(ToAscii('A', 0, nullptr, &c, 0), 0);
    EXPECT_EQ(ToAscii('A', 0, state, nullptr, 0), 0);
    EXPECT_EQ(ToAscii(0x141, 0, state, &c, 0), 0);
}

}  // namespace
