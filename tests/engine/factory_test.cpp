#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "engine/engine_impl.h"
#include "platform/backend/headless.h"
#include "platform/win32/win_files.h"

namespace {

namespace hl = platform::headless;

class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
    }
    void TearDown() override { hl::Reset(); }
};

TEST_F(FactoryTest, WrongVersionGivesNullAndCreatesNothing) {
    EXPECT_EQ(CreateEngine(0x17F), nullptr);
    EXPECT_EQ(CreateEngine(0x181), nullptr);
    EXPECT_EQ(CreateEngine(0), nullptr);
    EXPECT_EQ(pEngine, nullptr);
    EXPECT_EQ(nRef, 0);
}

TEST_F(FactoryTest, OneEngineCountedAndRebuiltWithDefaults) {
    Engine* a = CreateEngine(ENGINE_VERSION);
    Engine* b = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(nRef, 2);
    a->System_SetState(STATE_TITLE, "Changed");
    a->System_SetState(STATE_SCREEN_WIDTH, 640);
    b->System_Release();
    EXPECT_EQ(nRef, 1);
    EXPECT_STREQ(a->System_GetStateString(STATE_TITLE), "Changed");  // survives the first release
    a->System_Release();
    EXPECT_EQ(pEngine, nullptr);
    Engine* c = CreateEngine(ENGINE_VERSION);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->System_GetErrorMessage(), "");
    EXPECT_STREQ(c->System_GetStateString(STATE_TITLE), "ZEV");
    EXPECT_EQ(c->System_GetStateInt(STATE_SCREEN_WIDTH), 800);
    EXPECT_EQ(c->System_GetStateInt(STATE_SCREEN_HEIGHT), 600);
    EXPECT_EQ(c->System_GetStateInt(STATE_SCREEN_BPP), 32);
    c->System_Release();
}

TEST_F(FactoryTest, ApplicationFolderIsTheProgramsFolderWithATrailingBackslash) {
    Engine* engine = CreateEngine(ENGINE_VERSION);
    EngineImpl* e = static_cast<EngineImpl*>(engine);
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    std::string folder(exe);
    folder = folder.substr(0, folder.rfind('/') + 1);
    for (char& ch : folder)
        if (ch == '/') ch = '\\';
    EXPECT_EQ(std::string(e->appPath), folder);
    EXPECT_NE(e->instance, nullptr);
    EXPECT_EQ(e->instance, GetModuleHandleA(nullptr));
    engine->System_Release();
}

TEST_F(FactoryTest, LastReleaseShutsDownAnEngineThatStillHasAWindow) {
    Engine* engine = CreateEngine(ENGINE_VERSION);
    EngineImpl* e = static_cast<EngineImpl*>(engine);
    WNDCLASSA wc{};
    wc.lpfnWndProc = EngineImpl::System_WindowProc;
    wc.lpszClassName = "ZEV__WNDCLASS";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "ZEV__WNDCLASS", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    e->window = w;
    hl::ClearDebugOutput();
    engine->System_Release();
    EXPECT_EQ(pEngine, nullptr);
    EXPECT_FALSE(IsWindow(w));
    std::string log = hl::DebugText();
    EXPECT_NE(log.find("\nFinishing..\n"), std::string::npos);
    EXPECT_NE(log.find("The End.\n"), std::string::npos);
    EXPECT_FALSE(hl::ClassRegistered("ZEV__WNDCLASS"));
}

TEST_F(FactoryTest, ReleaseAfterShutdownDoesNotShutDownAgain) {
    Engine* engine = CreateEngine(ENGINE_VERSION);
    engine->System_Shutdown();
    hl::ClearDebugOutput();
    engine->System_Release();
    EXPECT_EQ(hl::DebugText().find("Finishing"), std::string::npos);
    EXPECT_EQ(pEngine, nullptr);
}

TEST_F(FactoryTest, LastReleaseWithoutAWindowClosesAnOpenFileSearch) {
    int before = platform::OpenFindHandleCount();
    Engine* engine = CreateEngine(ENGINE_VERSION);
    // The program's own folder always holds the program, so the search stays open.
    ASSERT_NE(engine->Resource_FindFile("*"), nullptr);
    EXPECT_EQ(platform::OpenFindHandleCount(), before + 1);
    engine->System_Release();
    EXPECT_EQ(platform::OpenFindHandleCount(), before);
}

}  // namespace
