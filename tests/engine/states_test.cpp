// Engine states: defaults, refused ids and values, and the setters' rules.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/win32/win_path.h"
#include "tests/support/foundation_fixture.h"

namespace {

namespace hl = platform::headless;

bool Callback() { return false; }

class StatesTest : public fwtest::EngineTest {};

TEST_F(StatesTest, DefaultsOfEveryFamily) {
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_FALSE(engine->System_GetState(STATE_ZBUFFER));
    EXPECT_TRUE(engine->System_GetState(STATE_TEXTURE_FILTER));
    EXPECT_TRUE(engine->System_GetState(STATE_USE_SOUND));
    EXPECT_FALSE(engine->System_GetState(STATE_DONT_SUSPEND));
    EXPECT_TRUE(engine->System_GetState(STATE_HIDE_MOUSE));
    for (int id = STATE_FRAME_FUNC; id <= STATE_EXIT_FUNC; ++id)
        EXPECT_EQ(engine->System_GetStateFunc(static_cast<FuncState>(id)), nullptr);
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_PARENT_WINDOW), nullptr);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_WIDTH), 800);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_HEIGHT), 600);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_BPP), 32);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SAMPLE_RATE), 44100);
    EXPECT_EQ(engine->System_GetStateInt(STATE_EFFECT_VOLUME), 100);
    EXPECT_EQ(engine->System_GetStateInt(STATE_MUSIC_VOLUME), 100);
    EXPECT_EQ(engine->System_GetStateInt(STATE_STREAM_VOLUME), 100);
    EXPECT_EQ(engine->System_GetStateInt(STATE_FPS), FPS_UNLIMITED);
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
    EXPECT_EQ(engine->System_GetStateString(STATE_ICON), nullptr);
    EXPECT_STREQ(engine->System_GetStateString(STATE_TITLE), "ZEV");
    EXPECT_EQ(engine->System_GetStateString(STATE_INI_FILE), nullptr);
    EXPECT_EQ(engine->System_GetStateString(STATE_LOG_FILE), nullptr);
    EXPECT_EQ(e->fixedDelta, 0u);
}

TEST_F(StatesTest, IdsOutsideAFamilyReadAsNothingAndChangeNothing) {
    for (int id : {7, 14, 30, 0, 1000}) {
        EXPECT_EQ(engine->System_GetStateInt(static_cast<IntState>(id)), 0) << id;
        EXPECT_FALSE(engine->System_GetStateBool(static_cast<BoolState>(id)));
        EXPECT_EQ(engine->System_GetStateFunc(static_cast<FuncState>(id)), nullptr);
        EXPECT_EQ(engine->System_GetStateHwnd(static_cast<HwndState>(id)), nullptr);
        EXPECT_EQ(engine->System_GetStateString(static_cast<StringState>(id)), nullptr);
        engine->System_SetStateInt(static_cast<IntState>(id), 5);
        engine->System_SetStateBool(static_cast<BoolState>(id), true);
        engine->System_SetStateFunc(static_cast<FuncState>(id), Callback);
        engine->System_SetStateString(static_cast<StringState>(id), "x");
    }
    // A family's id in another family's setter is refused too.
    engine->System_SetStateInt(static_cast<IntState>(STATE_WINDOWED), 1);
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    engine->System_SetStateInt(STATE_POWER_STATUS, 57);
    EXPECT_EQ(engine->System_GetStateInt(STATE_POWER_STATUS), POWER_STATUS_UNKNOWN);
    engine->System_SetStateHwnd(STATE_WINDOW, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), nullptr);
    EXPECT_STREQ(engine->System_GetStateString(STATE_TITLE), "ZEV");
}

TEST_F(StatesTest, FrameRateGivesTheFixedFrameTimeInWholeMilliseconds) {
    struct Case {
        int fps;
        DWORD ms;
    } cases[] = {{60, 16}, {30, 33}, {1, 1000}, {1000, 1}, {2000, 0}, {0, 0}, {-1, 0}, {-7, 0}};
    for (const Case& c : cases) {
        engine->System_SetState(STATE_FPS, c.fps);
        EXPECT_EQ(e->fixedDelta, c.ms) << c.fps;
        EXPECT_EQ(engine->System_GetStateInt(STATE_FPS), c.fps);
    }
}

TEST_F(StatesTest, RefusedWhileASceneIsOpenOrUnderAParent) {
    Vertex fake[4];
    e->vertArray = fake;  // a scene is open
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_FPS, 60);
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_EQ(engine->System_GetStateInt(STATE_FPS), 0);
    e->vertArray = nullptr;
    engine->System_SetStateHwnd(STATE_PARENT_WINDOW, reinterpret_cast<HWND>(0x40));
    engine->System_SetState(STATE_WINDOWED, true);
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    e->parentWindow = nullptr;
    engine->System_SetState(STATE_WINDOWED, true);
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));
}

TEST_F(StatesTest, DeviceAndSoundFixTheirSettings) {
    e->d3dDevice = reinterpret_cast<IDirect3DDevice9*>(0x10);  // never called by these setters
    engine->System_SetState(STATE_ZBUFFER, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, 1024);
    engine->System_SetState(STATE_SCREEN_HEIGHT, 768);
    engine->System_SetState(STATE_SCREEN_BPP, 16);
    EXPECT_FALSE(engine->System_GetState(STATE_ZBUFFER));
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_WIDTH), 800);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_HEIGHT), 600);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_BPP), 32);
    e->d3dDevice = nullptr;
    e->soundLib = reinterpret_cast<HMODULE>(0x20);
    engine->System_SetState(STATE_SAMPLE_RATE, 22050);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SAMPLE_RATE), 44100);
    e->soundLib = nullptr;
    engine->System_SetState(STATE_SAMPLE_RATE, 22050);
    EXPECT_EQ(engine->System_GetStateInt(STATE_SAMPLE_RATE), 22050);
}

TEST_F(StatesTest, ParentWindowIsFixedOnceTheEngineHasAWindow) {
    ManualStart();
    engine->System_SetStateHwnd(STATE_PARENT_WINDOW, reinterpret_cast<HWND>(0x40));
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_PARENT_WINDOW), nullptr);
    EXPECT_EQ(engine->System_GetStateHwnd(STATE_WINDOW), e->window);
}

TEST_F(StatesTest, CallbacksAreStoredNullIncluded) {
    engine->System_SetState(STATE_GFX_RESTORE_FUNC, Callback);
    EXPECT_EQ(engine->System_GetStateFunc(STATE_GFX_RESTORE_FUNC), Callback);
    engine->System_SetState(STATE_GFX_RESTORE_FUNC, static_cast<EngineCallback>(nullptr));
    EXPECT_EQ(engine->System_GetStateFunc(STATE_GFX_RESTORE_FUNC), nullptr);
}

TEST_F(StatesTest, TitleIsCopiedCutAndShownAtOnce) {
    char text[] = "Farewander";
    engine->System_SetState(STATE_TITLE, text);
    text[0] = 'X';
    EXPECT_STREQ(engine->System_GetStateString(STATE_TITLE), "Farewander");
    engine->System_SetState(STATE_TITLE, static_cast<const char*>(nullptr));
    EXPECT_STREQ(engine->System_GetStateString(STATE_TITLE), "Farewander");
    std::string longTitle(300, 't');
    engine->System_SetState(STATE_TITLE, longTitle.c_str());
    EXPECT_EQ(std::string(engine->System_GetStateString(STATE_TITLE)), std::string(255, 't'));
    engine->System_SetState(STATE_TITLE, "Farewander");
    engine->System_SetState(STATE_TITLE, engine->System_GetStateString(STATE_TITLE) + 4);  // its own text
    EXPECT_STREQ(engine->System_GetStateString(STATE_TITLE), "wander");
    ManualStart();
    engine->System_SetState(STATE_TITLE, "Shown");
    EXPECT_EQ(hl::Inspect(e->window).title, "Shown");
}

TEST_F(StatesTest, IconPointerIsKeptAndReplacesTheClassIcon) {
    static const char name[] = "APPICON";
    engine->System_SetState(STATE_ICON, name);
    EXPECT_EQ(engine->System_GetStateString(STATE_ICON), name);
    ManualStart();
    SetClassLongA(e->window, GCL_HICON, static_cast<LONG>(reinterpret_cast<uintptr_t>(LoadIconA(nullptr, IDI_APPLICATION))));
    engine->System_SetState(STATE_ICON, name);
    EXPECT_EQ(hl::Inspect(e->window).classIcon, LoadIconA(e->instance, name));  // none in the module
}

TEST_F(StatesTest, UseSoundWithoutWindowOnlyStoresTheValue) {
    engine->System_SetState(STATE_USE_SOUND, false);
    EXPECT_FALSE(engine->System_GetState(STATE_USE_SOUND));
    EXPECT_EQ(e->soundLib, nullptr);
    engine->System_SetState(STATE_EFFECT_VOLUME, 40);
    engine->System_SetState(STATE_MUSIC_VOLUME, 50);
    engine->System_SetState(STATE_STREAM_VOLUME, 60);
    EXPECT_EQ(engine->System_GetStateInt(STATE_EFFECT_VOLUME), 40);
    EXPECT_EQ(engine->System_GetStateInt(STATE_MUSIC_VOLUME), 50);
    EXPECT_EQ(engine->System_GetStateInt(STATE_STREAM_VOLUME), 60);
}

TEST_F(StatesTest, IniFileIsAFullPathOrNull) {
    EXPECT_EQ(engine->System_GetStateString(STATE_INI_FILE), nullptr);
    engine->System_SetState(STATE_INI_FILE, "settings.ini");
    const char* ini = engine->System_GetStateString(STATE_INI_FILE);
    ASSERT_NE(ini, nullptr);
    EXPECT_EQ(std::string(ini), std::string(e->appPath) + "settings.ini");
    engine->System_SetState(STATE_INI_FILE, static_cast<const char*>(nullptr));
    EXPECT_EQ(engine->System_GetStateString(STATE_INI_FILE), nullptr);
}

TEST_F(StatesTest, LogFileIsCreatedEmptyOrClearedWhenItCannotBe) {
    engine->System_SetState(STATE_LOG_FILE, "no_such_folder_xyz\\log.txt");
    EXPECT_EQ(engine->System_GetStateString(STATE_LOG_FILE), nullptr);

    const char* rel = "states_test_log.txt";
    std::string real = platform::TranslatePath((std::string(e->appPath) + rel).c_str());
    FILE* f = fopen(real.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("old contents", f);
    fclose(f);
    engine->System_SetState(STATE_LOG_FILE, rel);
    const char* log = engine->System_GetStateString(STATE_LOG_FILE);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(std::string(log), std::string(e->appPath) + rel);
    f = fopen(real.c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fgetc(f), EOF);  // emptied
    fclose(f);
    // The log never writes there.
    engine->System_Log("a line");
    f = fopen(real.c_str(), "r");
    EXPECT_EQ(fgetc(f), EOF);
    fclose(f);
    unlink(real.c_str());
    engine->System_SetState(STATE_LOG_FILE, static_cast<const char*>(nullptr));
    EXPECT_EQ(engine->System_GetStateString(STATE_LOG_FILE), nullptr);
}

}  // namespace

namespace {

// ---- Setters with a running device (full start-up; skipped while some device is missing).

class RunningStatesTest : public fwtest::EngineTest {
protected:
    bool up = false;
    void SetUp() override {
        fwtest::EngineTest::SetUp();
        d3d9test::EnableJournal(true);
        engine->System_SetState(STATE_USE_SOUND, false);
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_SCREEN_WIDTH, 640);
        engine->System_SetState(STATE_SCREEN_HEIGHT, 480);
        engine->System_SetState(STATE_FPS, 60);
        up = engine->System_Initiate();
    }
    void TearDown() override {
        if (up) engine->System_Shutdown();
        fwtest::EngineTest::TearDown();
    }
};

TEST_F(RunningStatesTest, AltEnterSavesTheWindowedRectangleAndPutsTheWindowBack) {
    if (!up) FAIL() << "start-up stops at: " << engine->System_GetErrorMessage();
    HWND w = e->window;
    SetWindowPos(w, nullptr, 10, 20, 646, 505, SWP_NOZORDER);
    LPARAM alt = LPARAM(1) << 29;
    SendMessageA(w, WM_SYSKEYDOWN, VK_RETURN, alt);
    EXPECT_FALSE(engine->System_GetState(STATE_WINDOWED));
    EXPECT_EQ(e->rectW.left, 10);
    EXPECT_EQ(e->rectW.top, 20);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), 0x90000000u);
    SendMessageA(w, WM_SYSKEYDOWN, VK_RETURN, alt | (LPARAM(1) << 30));  // a repeat toggles too
    EXPECT_TRUE(engine->System_GetState(STATE_WINDOWED));
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 646);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), 0x90CA0000u);
}

TEST_F(RunningStatesTest, FrameRateSignChangesResetTheDeviceOnce) {
    if (!up) FAIL() << "start-up stops at: " << engine->System_GetErrorMessage();
    d3d9test::ClearJournal();
    engine->System_SetState(STATE_FPS, FPS_VSYNC);
    EXPECT_EQ(d3d9test::CountCalls("Reset"), 1u);
    EXPECT_EQ(e->d3dppFS.PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    engine->System_SetState(STATE_FPS, -2);
    EXPECT_EQ(d3d9test::CountCalls("Reset"), 1u);
    EXPECT_EQ(e->d3dppFS.PresentationInterval, D3DPRESENT_INTERVAL_ONE);  // still synchronised
    engine->System_SetState(STATE_FPS, 30);
    EXPECT_EQ(d3d9test::CountCalls("Reset"), 2u);
    EXPECT_EQ(e->d3dppFS.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    engine->System_SetState(STATE_FPS, 0);
    EXPECT_EQ(d3d9test::CountCalls("Reset"), 2u);
    EXPECT_EQ(e->fixedDelta, 0u);
}

TEST_F(RunningStatesTest, DeviceSettingsReadBackUnchangedAndFilterGoesToTheSampler) {
    if (!up) FAIL() << "start-up stops at: " << engine->System_GetErrorMessage();
    engine->System_SetState(STATE_ZBUFFER, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, 1024);
    EXPECT_FALSE(engine->System_GetState(STATE_ZBUFFER));
    EXPECT_EQ(engine->System_GetStateInt(STATE_SCREEN_WIDTH), 640);
    d3d9test::ClearJournal();
    engine->System_SetState(STATE_TEXTURE_FILTER, false);
    EXPECT_EQ(d3d9test::CountCalls("SetSamplerState", 0, D3DSAMP_MAGFILTER), 1u);
    EXPECT_EQ(d3d9test::CountCalls("SetSamplerState", 0, D3DSAMP_MINFILTER), 1u);
    auto calls = d3d9test::CallsNamed("SetSamplerState");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().args[2], D3DTEXF_POINT);
}

}  // namespace
