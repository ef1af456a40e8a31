// The sound library's decoders: the input loaded from memory as a sample, a stream (played
// and decoding) and a music module, each played through the mixer on the test output.
// The sound library's sources are linked in, so its code is instrumented with the rest.
#include <cstdint>
#include <vector>

#include "platform/sound/bass_internal.h"

namespace {

bool Started() {
    static bool ok = [] {
        FW_SoundTest_Reset();
        FW_SoundTest_SetManualOutput(TRUE);
        return BASS_Init(-1, 44100, 0, nullptr, nullptr) != 0;
    }();
    return ok;
}

void Mix(int frames) {
    static std::vector<short> out(2 * 4096);
    while (frames > 0) {
        int n = frames < 4096 ? frames : 4096;
        FW_SoundTest_Mix(out.data(), DWORD(n));
        frames -= n;
    }
}

void Query(DWORD ch) {
    BASS_CHANNELINFO info;
    BASS_ChannelGetInfo(ch, &info);
    QWORD len = BASS_ChannelGetLength(ch);
    BASS_ChannelBytes2Seconds(ch, len);
    BASS_ChannelGetPosition(ch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!Started() || size < 1) return 0;
    DWORD flags = (data[0] & 1) ? BASS_SAMPLE_LOOP : 0;
    const uint8_t* file = data + 1;
    DWORD length = DWORD(size - 1);

    if (HSAMPLE s = BASS_SampleLoad(TRUE, file, 0, length, 4, flags | BASS_SAMPLE_OVER_VOL)) {
        BASS_SAMPLE info;
        BASS_SampleGetInfo(s, &info);
        HCHANNEL c = BASS_SampleGetChannel(s, FALSE);
        BASS_ChannelSetAttributes(c, 22050, 80, -30);
        BASS_ChannelPlay(c, TRUE);
        Query(c);
        Mix(2048);
        BASS_SampleFree(s);
    }
    if (HSTREAM st = BASS_StreamCreateFile(TRUE, file, 0, length, flags | BASS_STREAM_PRESCAN)) {
        BASS_ChannelPlay(st, TRUE);
        Query(st);
        Mix(2048);
        BASS_ChannelSetPosition(st, BASS_ChannelSeconds2Bytes(st, 0.01f));
        Mix(512);
        BASS_StreamFree(st);
    }
    if (HSTREAM dec = BASS_StreamCreateFile(TRUE, file, 0, length, BASS_STREAM_DECODE)) {
        static char buf[8192];
        for (int i = 0; i < 4 && BASS_ChannelGetData(dec, buf, sizeof(buf)) != DWORD(-1); i++) {
        }
        BASS_StreamFree(dec);
    }
    if (HMUSIC m = BASS_MusicLoad(TRUE, file, 0, length, flags | BASS_MUSIC_RAMP | BASS_MUSIC_PRESCAN, 0)) {
        BASS_MusicGetOrders(m);
        BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_AMPLIFY, 60);
        BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 1, 50);
        BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 1, 50);
        BASS_ChannelPlay(m, TRUE);
        Query(m);
        Mix(2048);
        BASS_MusicGetOrderPosition(m);
        BASS_MusicFree(m);
    }
    return 0;
}
