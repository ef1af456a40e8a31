// The sound library's decoders: the input loaded from memory as a sample, a stream (played
// and decoding) and a music module, each played through the mixer on the test output.
// `Lib` has the library's entry points as callable members: the fuzz target's are the
// linked functions, the replay test's those taken from libbass.so.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/bass.h"

namespace fwfuzz {

// The library started on its test output (mixed on demand, no device thread).
template <class Lib>
bool StartSound(Lib& lib) {
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetManualOutput(TRUE);
    return lib.BASS_Init(-1, 44100, 0, nullptr, nullptr) != 0;
}

template <class Lib>
int SoundInput(Lib& lib, const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    auto mix = [&lib](int frames) {
        static std::vector<short> out(2 * 4096);
        while (frames > 0) {
            int n = frames < 4096 ? frames : 4096;
            lib.FW_SoundTest_Mix(out.data(), DWORD(n));
            frames -= n;
        }
    };
    auto query = [&lib](DWORD ch) {
        BASS_CHANNELINFO info;
        lib.BASS_ChannelGetInfo(ch, &info);
        QWORD len = lib.BASS_ChannelGetLength(ch);
        lib.BASS_ChannelBytes2Seconds(ch, len);
        lib.BASS_ChannelGetPosition(ch);
    };
    DWORD flags = (data[0] & 1) ? BASS_SAMPLE_LOOP : 0;
    const uint8_t* file = data + 1;
    DWORD length = DWORD(size - 1);

    if (HSAMPLE s = lib.BASS_SampleLoad(TRUE, file, 0, length, 4, flags | BASS_SAMPLE_OVER_VOL)) {
        BASS_SAMPLE info;
        lib.BASS_SampleGetInfo(s, &info);
        HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
        lib.BASS_ChannelSetAttributes(c, 22050, 80, -30);
        lib.BASS_ChannelPlay(c, TRUE);
        query(c);
        mix(2048);
        lib.BASS_SampleFree(s);
    }
    if (HSTREAM st = lib.BASS_StreamCreateFile(TRUE, file, 0, length, flags | BASS_STREAM_PRESCAN)) {
        lib.BASS_ChannelPlay(st, TRUE);
        query(st);
        mix(2048);
        lib.BASS_ChannelSetPosition(st, lib.BASS_ChannelSeconds2Bytes(st, 0.01f));
        lib.BASS_ChannelPlay(st, FALSE);  // played again, also after a first play that failed
        mix(512);
        lib.BASS_StreamFree(st);
    }
    if (HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, file, 0, length, BASS_STREAM_DECODE)) {
        static char buf[8192];
        for (int i = 0; i < 4 && lib.BASS_ChannelGetData(dec, buf, sizeof(buf)) != DWORD(-1); i++) {
        }
        lib.BASS_StreamFree(dec);
    }
    if (HMUSIC m = lib.BASS_MusicLoad(TRUE, file, 0, length, flags | BASS_MUSIC_RAMP | BASS_MUSIC_PRESCAN, 0)) {
        lib.BASS_MusicGetOrders(m);
        lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_AMPLIFY, 60);
        lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 1, 50);
        lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 1, 50);
        lib.BASS_ChannelPlay(m, TRUE);
        query(m);
        mix(2048);
        lib.BASS_MusicGetOrderPosition(m);
        lib.BASS_MusicFree(m);
    }
    return 0;
}

}  // namespace fwfuzz
