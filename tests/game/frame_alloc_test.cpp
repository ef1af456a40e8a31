// Heap allocations of steady-state game frames: the engine's frame loop running the game's
// frame and render callbacks (physics, update, both passes, present) on the headless device,
// with the real sound library playing effects and Left held, counted on the game's thread.
// This program replaces the allocator's entry points (or, under AddressSanitizer, installs its
// allocation hook) to count the calls; nothing else in the test suite sees the replacement.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "game/app.h"
#include "game/game.h"
#include "game/globals.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "platform/win32/win32.h"
#include "tests/support/game_data.h"

namespace {

// Counting is on only on the thread that switched it on (the sound library mixes on its own).
thread_local bool t_counting = false;
std::atomic<long> g_allocations{0};

inline void Count() {
    if (t_counting) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define FW_ALLOC_HOOK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_ALLOC_HOOK 1
#endif
#endif

#ifdef FW_ALLOC_HOOK
// The sanitizer's allocator owns malloc and operator new; it calls this hook for each of them.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, size_t),
                                                         void (*freeHook)(const volatile void*));
namespace {
void OnMalloc(const volatile void*, size_t) { Count(); }
void OnFree(const volatile void*) {}
void InstallCounter() { __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree); }
}  // namespace
#else
// The C library's allocator under its internal names; operator new and every shared library
// reach the definitions below, which count and pass on.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    Count();
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    Count();
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}
namespace {
void InstallCounter() {}
}  // namespace
#endif

namespace {

namespace hl = platform::headless;

#ifdef FW_ALLOC_HOOK
// The sanitizer build is a Debug build about twenty times slower: fewer frames.
constexpr int kWarmUpFrames = 120;
constexpr int kCountedFrames = 240;
#else
constexpr int kWarmUpFrames = 300;
constexpr int kCountedFrames = 900;
#endif
constexpr int kSoundCount = 12;
const char* const kSoundNames[kSoundCount] = {"good",   "bad",  "click1", "grunt1", "grunt2", "grunt3",
                                              "grunt4", "grunt5", "hit1", "hit2",   "hit3",   "hit4"};

struct Run {
    int frame = 0;
    long allocations = 0;
    int effectsPlayed = 0;
    int playingSeen = 0;
    EffectHandle sounds[kSoundCount] = {};
    GameState endState = GAMESTATE_TITLE;
    float startX = 0, endX = 0;  // the wagon's place at the first and the last frame
};
Run g_run;

void PostKey(UINT message, int vk, LPARAM lParam) {
    PostMessageA(g_Engine->System_GetStateHwnd(STATE_WINDOW), message, WPARAM(vk), lParam);
}

// The frame callback: the game's frame, a held Left as the keyboard repeats it, and effects
// started besides the game's own, counted from the end of the warm-up.
bool CountingFrame() {
    Run& r = g_run;
    if (r.frame < kSoundCount * 4) {
        // Each effect of the game plays as often as it can play at once: its playbacks exist.
        g_Engine->Effect_PlayAdjusted(r.sounds[r.frame / 4], 0, 0, 1.0f, false);
    }
    if (r.frame == 0) r.startX = g_Game->wagon->body->GetPosition().x;
    if (r.frame == kWarmUpFrames) {
        g_allocations = 0;
        t_counting = true;
    }
    if (r.frame % 2 == 0) PostKey(WM_KEYDOWN, VK_LEFT, LPARAM(1 | (0x4B << 16) | (1 << 30)));  // repeat
    bool quit = GameFrame();
    if (r.frame % 5 == 0) {
        EffectHandle e = r.sounds[(r.frame / 5) % kSoundCount];
        ChannelHandle c = g_Engine->Effect_PlayAdjusted(e, 40, (r.frame % 200) - 100, 1.25f, false);
        r.effectsPlayed += c != 0;
        r.playingSeen += g_Engine->Channel_IsPlaying(c);
    }
    if (++r.frame == kWarmUpFrames + kCountedFrames) {
        t_counting = false;
        r.allocations = g_allocations;
        r.endState = g_Game->state;
        r.endX = g_Game->wagon->body->GetPosition().x;
        return true;
    }
    return quit;
}

TEST(FrameAllocations, SteadyGameFramesWithLeftHeldAndEffectsPlayingAllocateNothing) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program";
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    hl::Reset();
    d3d9test::ResetControls();
    hl::SetDebugEcho(false);
    InstallCounter();
    // The counter sees both kinds of allocation (or the zero below would prove nothing).
    t_counting = true;
    void* volatile block = malloc(16);
    int* volatile number = new int(1);
    t_counting = false;
    free(block);
    delete number;
    ASSERT_EQ(g_allocations, 2);

    CreateGameEngine();
    ASSERT_TRUE(StartGame()) << hl::DebugText();
    ASSERT_TRUE(g_Engine->System_GetState(STATE_USE_SOUND));
    g_RandomSeed = 7;  // a journey of a fixed seed instead of the clock's
    g_Game->NewJourney();
    g_Engine->System_SetState(STATE_FRAME_FUNC, CountingFrame);
    g_Engine->System_SetState(STATE_FPS, FPS_UNLIMITED);
    for (int k = 0; k < kSoundCount; ++k) {
        g_run.sounds[k] = g_ResourceManager->GetSound(kSoundNames[k], 0);
        ASSERT_NE(g_run.sounds[k], 0u) << kSoundNames[k];
    }
    HWND hwnd = g_Engine->System_GetStateHwnd(STATE_WINDOW);
    const int presentsBefore = hl::PresentCount(hwnd);

    PostKey(WM_KEYDOWN, VK_LEFT, LPARAM(1 | (0x4B << 16)));  // Left goes down and starts the journey
    ASSERT_TRUE(g_Engine->System_Start());

    EXPECT_EQ(g_run.frame, kWarmUpFrames + kCountedFrames);
    EXPECT_EQ(g_run.endState, GAMESTATE_JOURNEY);  // the steady state was a journey under way
    EXPECT_LT(g_run.endX, g_run.startX - 5.0f) << "the wagon did not travel west";
    EXPECT_GE(hl::PresentCount(hwnd) - presentsBefore, kWarmUpFrames + kCountedFrames - 1);
    EXPECT_EQ(g_run.effectsPlayed, (kWarmUpFrames + kCountedFrames) / 5);
    EXPECT_EQ(g_run.playingSeen, g_run.effectsPlayed);
    EXPECT_EQ(g_run.allocations, 0) << "heap allocations in " << kCountedFrames << " frames";

    EndGame();
}

}  // namespace
