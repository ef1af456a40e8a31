// The frame loop on the headless test clock: pacing, deltas, time, frames per second,
// suspension, quitting and the one-frame-per-call mode under a parent window.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/foundation_fixture.h"

namespace {

namespace hl = platform::headless;

struct Record {
    DWORD tick;
    float delta;
    float time;
    int fps;
};

Engine* g_engine = nullptr;
std::vector<Record> g_frames;
int g_stopAfter = 0;
int g_renders = 0;
int g_focusLost = 0;
int g_focusGain = 0;
DWORD g_stallAt = 0;       // frame number after which the clock jumps
DWORD g_stallMs = 0;
int g_deactivateAt = 0;
int g_sleeps = 0;
int g_reactivateAfterSleeps = 0;

bool Frame() {
    g_frames.push_back({hl::Now(), g_engine->Timer_GetDelta(), g_engine->Timer_GetTime(), g_engine->Timer_GetFPS()});
    int n = static_cast<int>(g_frames.size());
    if (g_stallMs && n == static_cast<int>(g_stallAt)) hl::AdvanceTime(g_stallMs);
    if (g_deactivateAt && n == g_deactivateAt) hl::Deactivate(g_engine->System_GetStateHwnd(STATE_WINDOW));
    return n >= g_stopAfter;
}

bool Render() {
    ++g_renders;
    return false;
}
bool FocusLost() {
    ++g_focusLost;
    return false;
}
bool FocusGain() {
    ++g_focusGain;
    return false;
}

void CountSleeps(DWORD) {
    ++g_sleeps;
    if (g_reactivateAfterSleeps && g_sleeps == g_reactivateAfterSleeps)
        hl::Activate(g_engine->System_GetStateHwnd(STATE_WINDOW));
}

class LoopTest : public fwtest::EngineTest {
protected:
    void SetUp() override {
        fwtest::EngineTest::SetUp();
        g_engine = engine;
        g_frames.clear();
        g_stopAfter = 10;
        g_renders = g_focusLost = g_focusGain = 0;
        g_stallAt = g_stallMs = 0;
        g_deactivateAt = 0;
        g_sleeps = 0;
        g_reactivateAfterSleeps = 0;
        hl::SetReadStep(0);
        engine->System_SetState(STATE_FRAME_FUNC, Frame);
        engine->System_SetState(STATE_RENDER_FUNC, Render);
    }
    void TearDown() override {
        hl::SetSleepHook(nullptr);
        fwtest::EngineTest::TearDown();
    }
};

TEST_F(LoopTest, RefusesToStartWithoutWindowOrFrameFunction) {
    EXPECT_FALSE(engine->System_Start());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "System_Start: System_Initiate wasn't called");
    ManualStart();
    engine->System_SetState(STATE_FRAME_FUNC, static_cast<EngineCallback>(nullptr));
    EXPECT_FALSE(engine->System_Start());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "System_Start: No frame function defined");
    EXPECT_FALSE(e->active);
    EXPECT_EQ(engine->Timer_GetTime(), 0.0f);
}

TEST_F(LoopTest, SixtyFramesASecondRunSteadilyEvery16msAndCount62) {
    engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 130;
    ManualStart();
    DWORD start = hl::Now();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 130u);
    EXPECT_EQ(g_frames[0].tick, start + 16);
    for (size_t i = 1; i < g_frames.size(); ++i) {
        EXPECT_EQ(g_frames[i].tick - g_frames[i - 1].tick, 16u) << "frame " << i;
        EXPECT_FLOAT_EQ(g_frames[i].delta, 0.016f);
    }
    // Frames 1..62 lie within the first second; frame 63 (1008 ms) closes the count.
    EXPECT_EQ(g_frames[61].fps, 0);
    EXPECT_EQ(g_frames[62].fps, 62);
    EXPECT_EQ(engine->Timer_GetFPS(), 62);
    EXPECT_EQ(g_renders, 129);  // the frame that ends the loop is not rendered
    EXPECT_NEAR(engine->Timer_GetTime(), 130 * 0.016f, 1e-3);
    EXPECT_FALSE(e->active);
}

TEST_F(LoopTest, UnlimitedRateRunsAFrameEveryMillisecond) {
    engine->System_SetState(STATE_FPS, FPS_UNLIMITED);
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 10u);
    for (size_t i = 1; i < g_frames.size(); ++i) {
        EXPECT_EQ(g_frames[i].tick - g_frames[i - 1].tick, 1u);
        EXPECT_FLOAT_EQ(g_frames[i].delta, 0.001f);
    }
}

TEST_F(LoopTest, StallIsReplacedByTheFixedFrameTimeAndTimeSumsDeltas) {
    engine->System_SetState(STATE_FPS, 60);
    g_stallAt = 3;
    g_stallMs = 500;
    g_stopAfter = 5;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 5u);
    EXPECT_FLOAT_EQ(g_frames[3].delta, 0.016f);
    EXPECT_GE(g_frames[3].tick - g_frames[2].tick, 500u);
    EXPECT_FLOAT_EQ(engine->Timer_GetTime(), 5 * 0.016f);
}

TEST_F(LoopTest, StallWithoutFixedRateGivesOneHundredth) {
    g_stallAt = 2;
    g_stallMs = 500;
    g_stopAfter = 3;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 3u);
    EXPECT_FLOAT_EQ(g_frames[2].delta, 0.01f);
}

TEST_F(LoopTest, GapOfExactly200msIsNotClamped) {
    engine->System_SetState(STATE_FPS, 60);
    g_stallAt = 2;
    g_stallMs = 200;
    g_stopAfter = 3;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 3u);
    EXPECT_EQ(g_frames[2].tick - g_frames[1].tick, 200u);
    EXPECT_FLOAT_EQ(g_frames[2].delta, 0.2f);

    // 201 ms is clamped.
    g_frames.clear();
    g_stallMs = 201;
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 3u);
    EXPECT_FLOAT_EQ(g_frames[2].delta, 0.016f);
}

TEST_F(LoopTest, FirstFrameAfterSlowLoadingGetsTheClampedDelta) {
    engine->System_SetState(STATE_FPS, 30);
    g_stopAfter = 1;
    ManualStart();
    hl::AdvanceTime(4000);  // resources loaded between start-up and the loop
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 1u);
    EXPECT_FLOAT_EQ(g_frames[0].delta, 0.033f);
}

TEST_F(LoopTest, TrueFromTheFirstFrameSkipsItsRender) {
    g_stopAfter = 1;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    EXPECT_EQ(g_frames.size(), 1u);
    EXPECT_EQ(g_renders, 0);
}

TEST_F(LoopTest, QueuedQuitEndsTheLoopBeforeAnyFrame) {
    ManualStart();
    hl::DrainQueue();
    PostQuitMessage(0);
    EXPECT_TRUE(engine->System_Start());
    EXPECT_TRUE(g_frames.empty());
    EXPECT_FALSE(e->active);
    EXPECT_EQ(hl::QueuedMessageCount(), 0u);
}

TEST_F(LoopTest, TimeAndCountersGoOnAcrossCalls) {
    engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 2;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    g_stopAfter = 4;
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 4u);
    EXPECT_EQ(g_frames[2].tick - g_frames[1].tick, 16u);
    EXPECT_FLOAT_EQ(engine->Timer_GetTime(), 4 * 0.016f);
}

TEST_F(LoopTest, ClockWrapDoesNotDisturbDeltas) {
    engine->System_SetState(STATE_FPS, 60);
    hl::SetTime(0xFFFFFFFFu - 40);
    g_stopAfter = 6;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 6u);
    for (const Record& r : g_frames) EXPECT_FLOAT_EQ(r.delta, 0.016f);
    EXPECT_LT(g_frames.back().tick, 100u);
}

TEST_F(LoopTest, SuspendedLoopSleepsAndRunsNoFrames) {
    engine->System_SetState(STATE_FPS, 60);
    engine->System_SetState(STATE_FOCUS_LOST_FUNC, FocusLost);
    engine->System_SetState(STATE_FOCUS_GAIN_FUNC, FocusGain);
    g_deactivateAt = 3;
    g_stopAfter = 5;
    g_reactivateAfterSleeps = 300;  // counted from the start; well past the deactivation
    ManualStart();
    hl::SetSleepHook(CountSleeps);
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 5u);
    EXPECT_EQ(g_focusLost, 1);
    EXPECT_EQ(g_focusGain, 1);
    // Frames 3 and 4 are separated by the suspended stretch of 1 ms sleeps.
    EXPECT_GT(g_frames[3].tick - g_frames[2].tick, 200u);
    EXPECT_FLOAT_EQ(g_frames[3].delta, 0.016f);
}

TEST_F(LoopTest, DontSuspendKeepsFramesRunningWhileInactive) {
    engine->System_SetState(STATE_FPS, 60);
    engine->System_SetState(STATE_DONT_SUSPEND, true);
    engine->System_SetState(STATE_FOCUS_LOST_FUNC, FocusLost);
    g_deactivateAt = 3;
    g_stopAfter = 8;
    ManualStart();
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(g_frames.size(), 8u);
    EXPECT_EQ(g_focusLost, 1);
    for (size_t i = 1; i < g_frames.size(); ++i) EXPECT_EQ(g_frames[i].tick - g_frames[i - 1].tick, 16u);
}

LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST_F(LoopTest, UnderAParentWindowEachCallRunsOneFrame) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "HOST_LOOP";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND host = CreateWindowExA(0, "HOST_LOOP", "host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    engine->System_SetStateHwnd(STATE_PARENT_WINDOW, host);
    engine->System_SetState(STATE_FPS, 60);
    g_stopAfter = 1000;
    ManualStart();
    hl::DrainQueue();
    PostMessageA(e->window, WM_USER, 0, 0);  // the host pumps, not the engine
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(engine->System_Start());
    EXPECT_EQ(g_frames.size(), 3u);
    EXPECT_EQ(g_renders, 3);
    EXPECT_EQ(hl::QueuedMessageCount(), 1u);
    EXPECT_EQ(g_frames[1].tick - g_frames[0].tick, 16u);
    EXPECT_FALSE(e->active);
    DestroyWindow(host);
    e->window = nullptr;  // destroyed with its parent
}

TEST_F(LoopTest, FrameFunctionClearedWhileRunningDoesNotCrash) {
    g_stopAfter = 1000;
    ManualStart();
    struct Local {
        static bool ClearSelf() {
            g_engine->System_SetState(STATE_FRAME_FUNC, static_cast<EngineCallback>(nullptr));
            PostMessageA(g_engine->System_GetStateHwnd(STATE_WINDOW), WM_SYSCOMMAND, SC_CLOSE, 0);
            return false;
        }
    };
    engine->System_SetState(STATE_FRAME_FUNC, Local::ClearSelf);
    EXPECT_TRUE(engine->System_Start());  // ended by the close command
    EXPECT_FALSE(IsWindow(e->window));
}

}  // namespace
