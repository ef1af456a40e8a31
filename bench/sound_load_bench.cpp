// What opening the game's five tunes as streams costs, and the share of it that the check of
// their setup headers' codebooks takes (read before any decoder sets them up). The tunes are the
// game's own, from data/ beside the program; the library is libbass.so beside it. Wall time.
#include <benchmark/benchmark.h>

#include <ogg/ogg.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sound/vorbis_books.h"
#include "tests/support/sound_test_files.h"

namespace {

// The third packet of a one-stream Ogg file: its setup header when it is Ogg Vorbis.
std::vector<unsigned char> SetupHeader(const std::vector<unsigned char>& file) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::memcpy(buffer, file.data(), file.size());
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    ogg_stream_state stream;
    bool started = false;
    std::vector<unsigned char> setup;
    ogg_page page;
    ogg_packet packet;
    for (int packets = 0; packets < 3 && ogg_sync_pageout(&sync, &page) == 1;) {
        if (!started) ogg_stream_init(&stream, ogg_page_serialno(&page));
        started = true;
        ogg_stream_pagein(&stream, &page);
        while (packets < 3 && ogg_stream_packetout(&stream, &packet) == 1)
            if (++packets == 3) setup.assign(packet.packet, packet.packet + packet.bytes);
    }
    if (started) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return setup;
}

void BM_FiveTunesOpened(benchmark::State& state) {
    std::vector<std::vector<unsigned char>> tunes, setups;
    for (int i = 1; i <= 5; ++i) {
        tunes.push_back(soundtest::ReadFileBytes(soundtest::ProgramFolder() + "data/tune" + std::to_string(i) + ".ogg"));
        setups.push_back(SetupHeader(tunes.back()));
        if (setups.back().empty()) {
            state.SkipWithError("the game's tunes are not beside the program");
            return;
        }
    }
    soundtest::Library lib;
    if (!lib.Open()) {
        state.SkipWithError("libbass.so is not beside the program");
        return;
    }
    lib.FW_SoundTest_SetManualOutput(TRUE);
    lib.BASS_Init(-1, 44100, 0, nullptr, nullptr);

    // The check alone, over many rounds of the five headers.
    constexpr int kRounds = 2000;
    fwbass::VorbisBooks books;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < kRounds; ++r)
        for (const auto& s : setups) benchmark::DoNotOptimize(fwbass::ReadVorbisBooks(s.data(), s.size(), books));
    const double check = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;

    const auto opened = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const auto& t : tunes) {
            HSTREAM st = lib.BASS_StreamCreateFile(TRUE, t.data(), 0, static_cast<DWORD>(t.size()), 0);
            if (!st) state.SkipWithError("a tune was refused");
            lib.BASS_StreamFree(st);
        }
    }
    const double open = std::chrono::duration<double>(std::chrono::steady_clock::now() - opened).count() /
                        static_cast<double>(state.iterations());
    lib.BASS_Free();
    lib.Close();
    state.counters["check_us"] = check * 1e6;
    state.counters["check_share"] = check / open;
}
BENCHMARK(BM_FiveTunesOpened)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
