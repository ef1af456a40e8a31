// The sound library when an allocation fails: each allocation of a call is made to fail in turn
// (this program replaces operator new, which the library's code takes from it), and every call
// gives its error result with the memory error, or succeeds; nothing is thrown out of the library,
// nothing leaks, and it goes on working.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include "tests/support/sound_fixture.h"

namespace {

// Allocations left before one fails; below zero, none fails.
std::atomic<long> g_allocationsLeft{-1};

}  // namespace

// The replacements allocate with malloc and free with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (g_allocationsLeft.load() >= 0 && g_allocationsLeft.fetch_sub(1) == 0) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// libopenmpt allocates its samples with these.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept { return operator new(size, nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace soundtest;

class SoundMemory : public OnTestOutput {
protected:
    // Runs call with its first allocation failing, then its second, and so on until one run
    // meets no failure. A run that met one must give an error result and the memory error;
    // undo frees what a successful run made. How many allocations the call made.
    long EachAllocationFails(const std::function<bool()>& call, const std::function<void()>& undo) {
        for (long n = 0;; ++n) {
            g_allocationsLeft = n;
            const bool ok = call();
            const bool failed = g_allocationsLeft.exchange(-1) < 0;
            if (!failed) {
                EXPECT_TRUE(ok);
                undo();
                return n;
            }
            EXPECT_FALSE(ok) << "allocation " << n;
            EXPECT_EQ(lib.FW_SoundTest_LastError(), static_cast<DWORD>(FW_SOUND_ERROR_MEMORY)) << "allocation " << n;
            if (ok) undo();
        }
    }
};

TEST_F(SoundMemory, EveryCallGivesItsErrorResultWhenAnAllocationFails) {
    const auto ogg = MakeOgg(kRate, 2, 3000, Sine(441, kRate));
    const auto wav = MakeWav(kRate, 1, 3000, Sine(441, kRate));
    HSAMPLE sample = 0;
    HSTREAM stream = 0;
    for (const auto* file : {&ogg, &wav}) {
        const DWORD n = static_cast<DWORD>(file->size());
        EXPECT_GT(EachAllocationFails(
                      [&] { return (sample = lib.BASS_SampleLoad(TRUE, file->data(), 0, n, 4, 0)) != 0; },
                      [&] { lib.BASS_SampleFree(sample); }),
                  1);
        for (DWORD flags : {0u, static_cast<DWORD>(BASS_STREAM_DECODE)}) {
            EXPECT_GT(EachAllocationFails(
                          [&] { return (stream = lib.BASS_StreamCreateFile(TRUE, file->data(), 0, n, flags)) != 0; },
                          [&] { lib.BASS_StreamFree(stream); }),
                      1);
        }
    }
    EachAllocationFails(
        [&] {
            void* data = lib.BASS_SampleCreate(6000, kRate, 4, BASS_SAMPLE_MONO);
            if (data) std::memcpy(data, wav.data() + 44, 6000);
            return data && (sample = lib.BASS_SampleCreateDone()) != 0;
        },
        [] {});

    // Playing: a playback of the sample made last, mixed; a decoding stream read.
    EXPECT_GE(EachAllocationFails([&] { return (stream = lib.BASS_SampleGetChannel(sample, FALSE)) != 0; }, [] {}), 1);
    EXPECT_TRUE(lib.BASS_ChannelPlay(stream, TRUE));
    std::vector<short> out(2 * 1024);
    EachAllocationFails([&] { return lib.FW_SoundTest_Mix(out.data(), 1024) == 1024; }, [] {});
    HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, ogg.data(), 0, static_cast<DWORD>(ogg.size()), BASS_STREAM_DECODE);
    ASSERT_NE(dec, 0u);
    EachAllocationFails([&] { return lib.BASS_ChannelGetData(dec, out.data(), 4096) == 4096; },
                        [&] { lib.BASS_ChannelSetPosition(dec, 0); });
    HMUSIC music = 0;
    const std::vector<unsigned char> modules[] = {MakeOggModXm(ogg), MakeMod()};  // the last stays loaded
    for (const auto& mod : modules) {
        if (music) lib.BASS_MusicFree(music);
        for (long n = 0; n < 100000; ++n) {  // the module loader keeps its own failures to itself
            g_allocationsLeft = n;
            music = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0, 0);
            if (g_allocationsLeft.exchange(-1) >= 0) break;
            lib.BASS_MusicFree(music);
        }
        EXPECT_NE(music, 0u);
    }
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 4u);  // the sample, its playback, the decoder and the music

    // The library goes on as before.
    HSAMPLE again = lib.BASS_SampleLoad(TRUE, ogg.data(), 0, static_cast<DWORD>(ogg.size()), 4, 0);
    ASSERT_NE(again, 0u);
    EXPECT_TRUE(lib.BASS_ChannelPlay(lib.BASS_SampleGetChannel(again, FALSE), TRUE));
    EXPECT_GT(Peak(lib.Mix(2000), 0), 5000);
}

}  // namespace
