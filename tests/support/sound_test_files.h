// Sound test helpers: the sound library opened beside the test program with every entry
// point taken by name, and sound files made at run time (WAV and OGG through libsndfile, a
// small four-channel MOD written byte by byte).
#pragma once

#include <dlfcn.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/sound/bass.h"

namespace soundtest {

inline std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    std::string path(buf);
    return path.substr(0, path.rfind('/') + 1);
}

// The library and its entry points, e.g. lib.BASS_Init(...), lib.FW_SoundTest_Mix(...).
struct Library {
    void* handle = nullptr;
#define FW_ST_POINTER(ret, name, params, args) name##_t name = nullptr;
    FW_BASS_ENTRY_POINTS(FW_ST_POINTER)
    FW_SOUND_TEST_ENTRY_POINTS(FW_ST_POINTER)
#undef FW_ST_POINTER

    bool Open() {
        handle = dlopen((ProgramFolder() + "libbass.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return false;
        bool all = true;
#define FW_ST_TAKE(ret, name, params, args)                           \
    name = reinterpret_cast<name##_t>(dlsym(handle, #name));          \
    all = all && name != nullptr;
        FW_BASS_ENTRY_POINTS(FW_ST_TAKE)
        FW_SOUND_TEST_ENTRY_POINTS(FW_ST_TAKE)
#undef FW_ST_TAKE
        return all;
    }
    void Close() {
        if (handle) dlclose(handle);
        handle = nullptr;
    }
    std::string Journal() {
        DWORD n = FW_SoundTest_Journal(nullptr, 0);
        std::string s(n + 1, '\0');
        FW_SoundTest_Journal(s.data(), n + 1);
        s.resize(n);
        return s;
    }
    // Mixes frames of 16-bit stereo output.
    std::vector<short> Mix(int frames) {
        std::vector<short> out(static_cast<size_t>(frames) * 2, 0x5555);
        FW_SoundTest_Mix(out.data(), static_cast<DWORD>(frames));
        return out;
    }
};

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::vector<unsigned char> out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    unsigned char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    fclose(f);
    return out;
}

#ifdef FW_TEST_DATA_DIR
// A sound file kept among the sound fuzz inputs (e.g. "corpus/sound/NAME" under fuzz/): the
// input without the flag byte it starts with.
inline std::vector<unsigned char> FuzzSoundFile(const std::string& name) {
    std::vector<unsigned char> bytes = ReadFileBytes(std::string(FW_TEST_DATA_DIR) + "/../fuzz/" + name);
    if (!bytes.empty()) bytes.erase(bytes.begin());
    return bytes;
}
#endif

// A sound file of the given format written by libsndfile through write(sf), read back whole.
inline std::vector<unsigned char> WriteSoundFile(int format, int rate, int chans,
                                                 const std::function<void(SNDFILE*)>& write) {
    char path[64];
    static int counter = 0;
    snprintf(path, sizeof(path), "/tmp/fw_soundtest_%d_%d.snd", static_cast<int>(getpid()), counter++);
    SF_INFO info;
    memset(&info, 0, sizeof(info));
    info.samplerate = rate;
    info.channels = chans;
    info.format = format;
    SNDFILE* sf = sf_open(path, SFM_WRITE, &info);
    if (!sf) return {};
    write(sf);
    sf_close(sf);
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    unlink(path);
    return bytes;
}

// Frames of chans channels, each value from gen(frame, channel) in -1..1.
inline std::vector<unsigned char> MakeSoundFile(int format, int rate, int chans, int frames,
                                                const std::function<float(int, int)>& gen) {
    return WriteSoundFile(format, rate, chans, [&](SNDFILE* sf) {
        std::vector<float> buf(static_cast<size_t>(frames) * chans);
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < chans; ++c) buf[static_cast<size_t>(i) * chans + c] = gen(i, c);
        sf_writef_float(sf, buf.data(), frames);
    });
}

// The same from 16-bit values, interleaved, written as they are.
inline std::vector<unsigned char> MakeSoundFileFromShorts(int format, int rate, int chans,
                                                          const std::vector<short>& values) {
    return WriteSoundFile(format, rate, chans, [&](SNDFILE* sf) {
        sf_writef_short(sf, values.data(), static_cast<sf_count_t>(values.size() / chans));
    });
}

inline std::vector<unsigned char> MakeWav(int rate, int chans, int frames, const std::function<float(int, int)>& gen) {
    return MakeSoundFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, chans, frames, gen);
}

inline std::vector<unsigned char> MakeOgg(int rate, int chans, int frames, const std::function<float(int, int)>& gen) {
    return MakeSoundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, rate, chans, frames, gen);
}

inline std::function<float(int, int)> Constant(float v) {
    return [v](int, int) { return v; };
}

inline std::function<float(int, int)> Sine(double hz, int rate, float amp = 0.5f) {
    return [=](int i, int) { return amp * static_cast<float>(std::sin(2 * M_PI * hz * i / rate)); };
}

// A four-channel "M.K." module: one looping square-wave sample, `orders` orders playing
// patterns 0, 1, 2, ... (each 64 rows at the default speed 6 and tempo 125, 7.68 s), a note
// on every 16th row of channel 0.
// restart: the order a looping module goes on from after its end (127: none, order 0).
inline std::vector<unsigned char> MakeMod(int orders = 3, int restart = 127) {
    std::vector<unsigned char> m;
    auto put = [&](const void* p, size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        m.insert(m.end(), b, b + n);
    };
    auto be16 = [&](int v) {
        m.push_back(static_cast<unsigned char>(v >> 8));
        m.push_back(static_cast<unsigned char>(v & 0xFF));
    };
    char title[20] = "fw test tune";
    put(title, 20);
    const int sampleWords = 32;  // 64 bytes
    for (int s = 0; s < 31; ++s) {
        char name[22] = {};
        if (s == 0) strcpy(name, "square");
        put(name, 22);
        be16(s == 0 ? sampleWords : 0);
        m.push_back(0);                         // finetune
        m.push_back(s == 0 ? 64 : 0);           // volume
        be16(0);                                // loop start
        be16(s == 0 ? sampleWords : 1);         // loop length
    }
    m.push_back(static_cast<unsigned char>(orders));
    m.push_back(static_cast<unsigned char>(restart));
    for (int i = 0; i < 128; ++i) m.push_back(static_cast<unsigned char>(i < orders ? i : 0));
    put("M.K.", 4);
    for (int p = 0; p < orders; ++p) {
        for (int row = 0; row < 64; ++row) {
            for (int ch = 0; ch < 4; ++ch) {
                unsigned char cell[4] = {0, 0, 0, 0};
                if (ch == 0 && row % 16 == 0) {
                    int period = 214;  // C-3
                    int sample = 1;
                    cell[0] = static_cast<unsigned char>((sample & 0xF0) | (period >> 8));
                    cell[1] = static_cast<unsigned char>(period & 0xFF);
                    cell[2] = static_cast<unsigned char>((sample & 0x0F) << 4);
                }
                put(cell, 4);
            }
        }
    }
    for (int i = 0; i < sampleWords * 2; ++i) m.push_back(i < sampleWords ? 0x60 : 0xA0);
    return m;
}

// An "IMPM" module of `patterns` patterns (at most 240) that all share one pattern's data of
// `rows` rows (at most 1,024), empty but for a speed command on row 0 of channel `channel`
// (1 to 64; 0: none), played by each of `orders` orders (at most 65,000), at speed 6 and tempo
// 125: 0.12 s a row.
inline std::vector<unsigned char> MakeLongIt(int orders, int rows, int patterns = 1, int channel = 0) {
    std::vector<unsigned char> m(192, 0);
    auto at16 = [&](size_t at, int v) {
        m[at] = static_cast<unsigned char>(v & 0xFF);
        m[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) m.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    std::memcpy(m.data(), "IMPM", 4);
    at16(32, orders);
    at16(38, patterns);
    at16(40, 0x0214);      // made with, and compatible with, version 2.14
    at16(42, 0x0214);
    at16(44, 9);           // stereo, linear slides
    m[48] = 128;           // global volume
    m[49] = 48;            // mixing volume
    m[50] = 6;             // speed
    m[51] = 125;           // tempo
    m[52] = 128;           // separation
    for (int c = 0; c < 64; ++c) m[64 + c] = 32, m[128 + c] = 64;
    m.insert(m.end(), static_cast<size_t>(orders), 0);
    const uint32_t data = static_cast<uint32_t>(m.size() + 4 * patterns);
    for (int p = 0; p < patterns; ++p) put32(data);
    std::vector<unsigned char> cells;
    if (channel > 0) cells = {static_cast<unsigned char>(0x80 | channel), 0x08, 1, 6};  // command A06
    cells.insert(cells.end(), static_cast<size_t>(rows), 0);  // each row's end
    put32(static_cast<uint32_t>(cells.size()) | static_cast<uint32_t>(rows) << 16);  // packed bytes, rows
    put32(0);
    m.insert(m.end(), cells.begin(), cells.end());
    return m;
}

// An "Extended Module: " of `patterns` patterns of `rows` rows over `channels` channels, each a
// pattern header without data, the first 256 in the orders.
inline std::vector<unsigned char> MakeEmptyXm(int patterns, int rows, int channels) {
    std::vector<unsigned char> m;
    auto put = [&](const char* s, size_t n) { m.insert(m.end(), s, s + n); };
    auto put16 = [&](int v) {
        m.push_back(static_cast<unsigned char>(v & 0xFF));
        m.push_back(static_cast<unsigned char>(v >> 8));
    };
    put("Extended Module: ", 17);
    put("fw test tune\0\0\0\0\0\0\0\0", 20);
    m.push_back(0x1A);
    put("FastTracker v2.00   ", 20);
    put16(0x0104);
    const int orders = std::min(patterns, 256);
    put16(276), put16(0);  // header size
    put16(orders), put16(0), put16(channels), put16(patterns), put16(0), put16(1), put16(6), put16(125);
    for (int i = 0; i < 256; ++i) m.push_back(static_cast<unsigned char>(i < orders ? i : 0));
    for (int p = 0; p < patterns; ++p) {
        put16(9), put16(0);  // header length
        m.push_back(0);      // packing
        put16(rows), put16(0);  // rows, packed bytes
    }
    return m;
}

// An "Extended Module: " of four channels and one pattern of 64 rows that plays its one sample
// at row 0, the sample's data an Ogg Vorbis file (as OggMod writes it: the size of the sample
// decoded, then the file).
inline std::vector<unsigned char> MakeOggModXm(const std::vector<unsigned char>& ogg) {
    std::vector<unsigned char> m = MakeEmptyXm(1, 64, 4);
    auto put16 = [&](size_t at, int v) {
        m[at] = static_cast<unsigned char>(v & 0xFF);
        m[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) m.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    put16(72, 1);  // instruments
    // The pattern: C-5 of instrument 1 on channel 1, then empty channels and rows.
    std::vector<unsigned char> cells = {49, 1, 0, 0, 0};
    cells.insert(cells.end(), 3 + 4 * 63, 0x80);
    put16(m.size() - 2, static_cast<int>(cells.size()));
    m.insert(m.end(), cells.begin(), cells.end());
    std::vector<unsigned char> instrument(263, 0);
    instrument[0] = 263 & 0xFF, instrument[1] = 263 >> 8;  // header size
    instrument[27] = 1;                                    // samples
    instrument[29] = 40;                                   // sample header size
    m.insert(m.end(), instrument.begin(), instrument.end());
    put32(static_cast<uint32_t>(ogg.size() + 4));  // sample length
    put32(0), put32(0);                            // loop
    const unsigned char sample[] = {64, 0, 0x10, 128, 0, 0};  // volume, fine-tune, 16-bit, pan, note, -
    m.insert(m.end(), sample, sample + sizeof(sample));
    m.insert(m.end(), 22, 0);  // name
    put32(100000);
    m.insert(m.end(), ogg.begin(), ogg.end());
    return m;
}

// Largest absolute value of one side (0 left, 1 right) of interleaved stereo output.
inline int Peak(const std::vector<short>& out, int side) {
    int peak = 0;
    for (size_t i = side; i < out.size(); i += 2) peak = std::max(peak, std::abs(static_cast<int>(out[i])));
    return peak;
}

// Rising zero crossings of one side.
inline int RisingCrossings(const std::vector<short>& out, int side) {
    int n = 0;
    for (size_t i = side + 2; i < out.size(); i += 2)
        if (out[i - 2] < 0 && out[i] >= 0) ++n;
    return n;
}

}  // namespace soundtest
