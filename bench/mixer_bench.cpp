// Mixer cost: 16 playing channels (14 effects at assorted pitches, volumes and pans, a
// music module and a stream) mixed at 44100 Hz into the library's test output. The
// "core_share" counter is the time spent per second of sound (shown in seconds, e.g.
// 5.8m = 0.0058): the share of one core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/sound_test_files.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 1024;

// A 16-bit PCM WAV file image of a sine tone.
std::vector<unsigned char> SineWav(int rate, int chans, int frames, double hz) {
    std::vector<unsigned char> w(44 + static_cast<size_t>(frames) * chans * 2);
    auto u32 = [&](size_t at, uint32_t v) { memcpy(&w[at], &v, 4); };
    auto u16 = [&](size_t at, uint16_t v) { memcpy(&w[at], &v, 2); };
    memcpy(&w[0], "RIFF", 4);
    u32(4, static_cast<uint32_t>(w.size() - 8));
    memcpy(&w[8], "WAVEfmt ", 8);
    u32(16, 16);
    u16(20, 1);
    u16(22, static_cast<uint16_t>(chans));
    u32(24, static_cast<uint32_t>(rate));
    u32(28, static_cast<uint32_t>(rate * chans * 2));
    u16(32, static_cast<uint16_t>(chans * 2));
    u16(34, 16);
    memcpy(&w[36], "data", 4);
    u32(40, static_cast<uint32_t>(frames * chans * 2));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < chans; ++c) {
            int16_t v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / rate));
            memcpy(&w[44 + (static_cast<size_t>(i) * chans + c) * 2], &v, 2);
        }
    return w;
}

void BM_Mix16Channels(benchmark::State& state) {
    soundtest::Library lib;
    if (!lib.Open()) {
        state.SkipWithError("the sound library is not beside the program");
        return;
    }
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetManualOutput(TRUE);
    lib.BASS_Init(-1, kRate, 0, nullptr, nullptr);

    auto fx = SineWav(22050, 1, 22050, 330);
    HSAMPLE s = lib.BASS_SampleLoad(TRUE, fx.data(), 0, static_cast<DWORD>(fx.size()), 16, BASS_SAMPLE_OVER_VOL);
    for (int i = 0; i < 14; ++i) {
        HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
        lib.BASS_ChannelSetAttributes(c, 11025 + i * 3000, 40 + i * 4, -100 + i * 15);
        lib.BASS_ChannelSetFlags(c, BASS_SAMPLE_LOOP);
        lib.BASS_ChannelPlay(c, TRUE);
    }
    auto mod = soundtest::MakeMod(3);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x420204, 0);
    lib.BASS_ChannelPlay(m, FALSE);
    auto tune = SineWav(kRate, 2, kRate * 4, 440);
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, tune.data(), 0, static_cast<DWORD>(tune.size()), BASS_SAMPLE_LOOP);
    lib.BASS_ChannelPlay(st, TRUE);

    std::vector<short> out(kBlock * 2);
    double seconds = 0;
    for (auto _ : state) {
        lib.FW_SoundTest_Mix(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
        seconds += static_cast<double>(kBlock) / kRate;
    }
    state.counters["core_share"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    lib.BASS_Free();
    lib.FW_SoundTest_Reset();
    lib.Close();
}
BENCHMARK(BM_Mix16Channels)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
