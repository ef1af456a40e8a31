// The whole program on the headless backend: start-up failure, a start-up and shut-down through
// WinMain, and a journey driven by scripted keys through the engine's own message path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"
#include "platform/win32/win32.h"
#include "platform/win32/win_entry.h"
#include "tests/support/game_data.h"
#include "tests/support/resources_support.h"

namespace hl = platform::headless;

namespace {

class GameE2E : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        hl::Reset();
        hl::SetDebugEcho(false);
        g_MouseCaptured = false;
    }
    void TearDown() override { hl::Reset(); }
};

TEST_F(GameE2E, FailedStartUpShowsTheErrorBoxAndEndsWithZero) {
    hl::FailCreateWindow(true);
    char cmd[1] = {0};
    EXPECT_EQ(WinMain(nullptr, nullptr, cmd, 5), 0);
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    const hl::MessageBoxCall& box = hl::MessageBoxes()[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.type, UINT(MB_ICONERROR));
    EXPECT_EQ(box.text, "Can't create window");
    EXPECT_EQ(g_Game, nullptr);
}

// A pack attached before start-up puts its script in place of the data folder's.
TEST_F(GameE2E, AScriptThatIsUnreadableOrLacksANameEndsStartUpWithTheErrorBox) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    std::string script = restest::ReadAll(restest::ProgramFolder() + "data/tamble.res");
    const size_t grunt4 = script.find("Sound \"grunt4\"");
    ASSERT_NE(grunt4, std::string::npos);
    std::string lacking = script;
    lacking.erase(grunt4, lacking.find('\n', grunt4) - grunt4);

    const struct {
        const char* what;
        restest::ZipEntry entry;
        const char* text;
    } cases[] = {
        {"empty", {"data\\tamble.res", ""}, "Can't find sprite 'title1' in data\\tamble.res"},
        {"lacking grunt4", {"data\\tamble.res", lacking}, "Can't find sound 'grunt4' in data\\tamble.res"},
        // An entry that cannot be opened fails the load; the disk is not tried after it.
        {"unreadable", {"data\\tamble.res", script, "secret"}, "Can't load resource: data\\tamble.res"},
    };
    restest::ScratchFolder dir("game_e2e_packs");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hl::Reset();
        hl::SetDebugEcho(false);
        const std::string pack = dir.path() + "script.zip";
        ASSERT_TRUE(restest::WriteZip(pack, {c.entry}));
        CreateGameEngine();
        ASSERT_TRUE(g_Engine->Resource_AttachPack(pack.c_str(), nullptr));
        EXPECT_FALSE(StartGame());
        ASSERT_EQ(hl::MessageBoxes().size(), 1u);
        EXPECT_EQ(hl::MessageBoxes()[0].caption, "Error");
        EXPECT_EQ(hl::MessageBoxes()[0].text, c.text);
        EXPECT_EQ(g_Engine, nullptr);
        EXPECT_EQ(g_ResourceManager, nullptr);
        EXPECT_EQ(g_Game, nullptr);
    }
}

TEST_F(GameE2E, StartsLoadsEveryResourceAndShutsDown) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    // A pending quit message ends the frame loop at its first pass.
    PostQuitMessage(0);
    char cmd[1] = {0};
    EXPECT_EQ(WinMain(nullptr, nullptr, cmd, 5), 0);
    for (const auto& box : hl::MessageBoxes()) ADD_FAILURE() << "message box: " << box.text;
    EXPECT_EQ(g_Game, nullptr);
    EXPECT_EQ(g_ResourceManager, nullptr);
}

// ---- A scripted journey

struct Script {
    int frame = 0;
    bool inputWorks = false;
    bool sawJourney = false;
    bool sawStarted = false;
    bool sawEaten = false;
    bool sawEnding = false;
    bool backToTitle = false;
    int visited = 0;
    int forcedAt = 0;
};
Script g_Script;

LPARAM KeyLParam(int scan, bool repeat) { return LPARAM(1 | (scan << 16) | (repeat ? (1 << 30) : 0)); }

bool ScriptedFrame() {
    Script& s = g_Script;
    ++s.frame;
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    if (s.frame == 1) PostMessageA(hwnd, WM_KEYDOWN, VK_LEFT, KeyLParam(0x4B, false));
    if (s.frame == 4 && !s.inputWorks) return true;  // no keys read: the test fails
    if (s.frame > 1 && s.frame % 30 == 0) PostMessageA(hwnd, WM_KEYDOWN, VK_LEFT, KeyLParam(0x4B, true));

    if (GameFrame()) return true;

    Game* g = g_Game;
    if (g_Engine->Input_GetKeyState(VK_LEFT)) s.inputWorks = true;
    if (g->state == GAMESTATE_JOURNEY) s.sawJourney = true;
    if (g->started) s.sawStarted = true;
    if (g->started && g->food < 1000) s.sawEaten = true;
    int visited = 0;
    for (const Feature& f : g->features) visited += f.visited;
    if (visited > s.visited) s.visited = visited;
    if (g->state == GAMESTATE_ENDED) s.sawEnding = true;
    if (s.sawEnding && g->state == GAMESTATE_TITLE) {
        s.backToTitle = true;
        return true;
    }
    // A journey that has not ended after a good while starves: the ending follows at once.
    if (!s.sawEnding && s.frame == 4000 && g->state == GAMESTATE_JOURNEY) {
        s.forcedAt = s.frame;
        g->food = 1;
        g->started = true;
    }
    return s.frame >= 20000;
}

TEST_F(GameE2E, HoldingLeftFromTheTitleTravelsAndEndsAJourney) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    g_Script = Script();
    CreateGameEngine();
    g_Engine->System_SetState(STATE_FRAME_FUNC, ScriptedFrame);
    ASSERT_TRUE(StartGame()) << (hl::MessageBoxes().empty() ? "" : hl::MessageBoxes().back().text);
    g_Engine->System_Start();
    EndGame();

    const Script& s = g_Script;
    ASSERT_TRUE(s.inputWorks) << "the engine reported no held keys";
    EXPECT_TRUE(s.sawJourney);
    EXPECT_TRUE(s.sawStarted);
    EXPECT_TRUE(s.sawEaten);
    EXPECT_GE(s.visited, 2);
    EXPECT_TRUE(s.sawEnding);
    EXPECT_TRUE(s.backToTitle);
    RecordProperty("frames", s.frame);
    RecordProperty("forced_starvation_at", s.forcedAt);
}

}  // namespace
