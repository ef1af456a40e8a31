// The sound library on its test output: the output is mixed into buffers on demand.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/sound/bass_limits.h"
#include "tests/support/ogg_pages.h"
#include "tests/support/resources_support.h"
#include "tests/support/sound_fixture.h"

using namespace soundtest;

namespace {

constexpr int kRate = 44100;

class SoundLibrary : public OnTestOutput {
protected:
    HSAMPLE LoadSample(const std::vector<unsigned char>& file) {
        return lib.BASS_SampleLoad(TRUE, file.data(), 0, static_cast<DWORD>(file.size()), 4, BASS_SAMPLE_OVER_VOL);
    }
    HCHANNEL PlaySample(HSAMPLE s) {
        HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
        lib.BASS_ChannelPlay(c, TRUE);
        return c;
    }
};

TEST_F(SoundLibrary, VersionDevicesAndHandles) {
    EXPECT_EQ(HIWORD(lib.BASS_GetVersion()), 0x0203);
    EXPECT_STREQ(lib.BASS_GetDeviceDescription(0), "No sound");
    ASSERT_NE(lib.BASS_GetDeviceDescription(1), nullptr);
    EXPECT_EQ(lib.BASS_GetDeviceDescription(7), nullptr);
    EXPECT_FALSE(lib.BASS_Init(-1, kRate, 0, nullptr, nullptr));  // already running

    auto wav = MakeWav(kRate, 1, 100, Constant(0.1f));
    HSAMPLE s = LoadSample(wav);
    HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, MakeMod().data(), 0, static_cast<DWORD>(MakeMod().size()), 0, 0);
    for (DWORD h : {s, c, m}) {
        EXPECT_NE(h, 0u);
        EXPECT_NE(h, 1u);  // the engine's dummy handle is never issued
    }
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 3u);
    EXPECT_TRUE(lib.BASS_Free());
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
    EXPECT_FALSE(lib.BASS_ChannelPlay(c, TRUE));  // void after the library is freed
    EXPECT_FALSE(lib.BASS_Free());
    EXPECT_TRUE(lib.BASS_Init(-1, kRate, 0, nullptr, nullptr));
}

TEST_F(SoundLibrary, EffectVolumeAndPanGiveLevelAndBalance) {
    auto wav = MakeWav(kRate, 1, kRate, Constant(0.5f));
    HSAMPLE s = LoadSample(wav);
    ASSERT_NE(s, 0u);
    BASS_SAMPLE info;
    ASSERT_TRUE(lib.BASS_SampleGetInfo(s, &info));
    EXPECT_EQ(info.freq, static_cast<DWORD>(kRate));
    EXPECT_EQ(info.volume, 100u);
    EXPECT_EQ(info.flags & BASS_SAMPLE_MONO, static_cast<DWORD>(BASS_SAMPLE_MONO));
    EXPECT_EQ(info.length, static_cast<DWORD>(kRate * 2));

    HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
    ASSERT_TRUE(lib.BASS_ChannelSetAttributes(c, -1, 50, -30));
    lib.BASS_ChannelPlay(c, TRUE);
    auto out = lib.Mix(1000);
    // Left at half volume; right further reduced by the pan to 70 %.
    EXPECT_NEAR(out[200], 8192, 3);
    EXPECT_NEAR(out[201], 5734, 3);

    // The global sample volume scales every effect.
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 50);
    out = lib.Mix(100);
    EXPECT_NEAR(out[0], 4096, 3);
    EXPECT_NEAR(out[1], 2867, 3);
    // ... but not streams or music.
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 100);
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 0);
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 0);
    out = lib.Mix(100);
    EXPECT_NEAR(out[0], 8192, 3);

    DWORD freq = 0, vol = 0;
    int pan = 0;
    ASSERT_TRUE(lib.BASS_ChannelGetAttributes(c, &freq, &vol, &pan));
    EXPECT_EQ(freq, static_cast<DWORD>(kRate));
    EXPECT_EQ(vol, 50u);
    EXPECT_EQ(pan, -30);
}

TEST_F(SoundLibrary, FrequencyChangesThePlayedPitch) {
    auto wav = MakeWav(kRate, 1, kRate * 2, Sine(441, kRate));
    HSAMPLE s = LoadSample(wav);
    HCHANNEL normal = PlaySample(s);
    int base = RisingCrossings(lib.Mix(kRate / 2), 0);
    EXPECT_NEAR(base, 220, 2);
    lib.BASS_ChannelStop(normal);

    HCHANNEL fast = lib.BASS_SampleGetChannel(s, FALSE);
    lib.BASS_ChannelSetAttributes(fast, kRate * 2, -1, -101);
    lib.BASS_ChannelPlay(fast, TRUE);
    EXPECT_NEAR(RisingCrossings(lib.Mix(kRate / 2), 0), 441, 2);
    // Positions count the sound's own frames: half a second at twice the rate is one second.
    EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(fast, lib.BASS_ChannelGetPosition(fast)), 1.0f, 0.01f);

    HCHANNEL slow = lib.BASS_SampleGetChannel(s, FALSE);
    lib.BASS_ChannelStop(fast);
    lib.BASS_ChannelSetAttributes(slow, kRate / 2, -1, -101);
    lib.BASS_ChannelPlay(slow, TRUE);
    EXPECT_NEAR(RisingCrossings(lib.Mix(kRate / 2), 0), 110, 2);
}

TEST_F(SoundLibrary, SlideReachesItsTargetInTheGivenTime) {
    auto wav = MakeWav(kRate, 1, kRate * 2, Constant(0.5f));
    HCHANNEL c = PlaySample(LoadSample(wav));
    ASSERT_TRUE(lib.BASS_ChannelSlideAttributes(c, -1, 0, 100, 100));
    EXPECT_TRUE(lib.BASS_ChannelIsSliding(c));
    auto out = lib.Mix(2205);  // half-way: volume 50, pan 50
    EXPECT_NEAR(out[2204 * 2], 4096, 50);
    EXPECT_NEAR(out[2204 * 2 + 1], 8192, 50);
    lib.Mix(2204);
    EXPECT_TRUE(lib.BASS_ChannelIsSliding(c));
    lib.Mix(1);
    EXPECT_FALSE(lib.BASS_ChannelIsSliding(c));
    DWORD freq, vol;
    int pan;
    lib.BASS_ChannelGetAttributes(c, &freq, &vol, &pan);
    EXPECT_EQ(vol, 0u);
    EXPECT_EQ(pan, 100);
    EXPECT_EQ(freq, static_cast<DWORD>(kRate));  // -1 left the frequency alone
    EXPECT_EQ(Peak(lib.Mix(100), 0), 0);

    // A new value set directly ends the slide; a slide of 0 ms applies at once.
    lib.BASS_ChannelSlideAttributes(c, 22050, -1, -101, 1000);
    lib.BASS_ChannelSetAttributes(c, 30000, -1, -101);
    EXPECT_FALSE(lib.BASS_ChannelIsSliding(c));
    lib.BASS_ChannelSlideAttributes(c, -1, 80, -101, 0);
    EXPECT_FALSE(lib.BASS_ChannelIsSliding(c));
    lib.BASS_ChannelGetAttributes(c, &freq, &vol, &pan);
    EXPECT_EQ(freq, 30000u);
    EXPECT_EQ(vol, 80u);
}

TEST_F(SoundLibrary, SamplePlaybacksEndLoopAndOverrideTheQuietest) {
    auto wav = MakeWav(kRate, 2, 1000, Constant(0.25f));
    HSAMPLE s = LoadSample(wav);
    HCHANNEL once = PlaySample(s);
    EXPECT_EQ(lib.BASS_ChannelIsActive(once), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(lib.BASS_ChannelGetLength(once), 4000u);
    auto out = lib.Mix(1500);
    EXPECT_NE(out[999 * 2], 0);
    EXPECT_EQ(out[1001 * 2], 0);
    EXPECT_EQ(lib.BASS_ChannelIsActive(once), static_cast<DWORD>(BASS_ACTIVE_STOPPED));

    HCHANNEL looped = lib.BASS_SampleGetChannel(s, FALSE);
    lib.BASS_ChannelSetFlags(looped, BASS_SAMPLE_LOOP | 0x12340000);  // unrelated bits tolerated
    lib.BASS_ChannelPlay(looped, TRUE);
    out = lib.Mix(2500);
    EXPECT_NE(out[2499 * 2], 0);
    EXPECT_EQ(lib.BASS_ChannelIsActive(looped), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_LT(lib.BASS_ChannelGetPosition(looped), 4000u);
    BASS_CHANNELINFO ci;
    ASSERT_TRUE(lib.BASS_ChannelGetInfo(looped, &ci));
    EXPECT_EQ(ci.flags & BASS_SAMPLE_LOOP, static_cast<DWORD>(BASS_SAMPLE_LOOP));
    EXPECT_EQ(ci.chans, 2u);

    // Four at most: with all four playing, a fifth takes over the quietest.
    std::vector<HCHANNEL> chans = {looped};
    for (int v : {90, 20, 60}) {
        HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
        lib.BASS_ChannelSetFlags(c, BASS_SAMPLE_LOOP);
        lib.BASS_ChannelSetAttributes(c, -1, v, -101);
        lib.BASS_ChannelPlay(c, TRUE);
        chans.push_back(c);
    }
    HCHANNEL fifth = lib.BASS_SampleGetChannel(s, FALSE);
    ASSERT_NE(fifth, 0u);
    EXPECT_FALSE(lib.BASS_ChannelGetInfo(chans[2], &ci));  // the one at 20 is gone
    EXPECT_TRUE(lib.BASS_ChannelGetInfo(chans[1], &ci));
    // The new playback owes nothing to the one it replaced: stopped, at the start, with the
    // sample's own volume and flags.
    EXPECT_EQ(lib.BASS_ChannelIsActive(fifth), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(lib.BASS_ChannelGetPosition(fifth), 0u);
    DWORD volume = 0;
    ASSERT_TRUE(lib.BASS_ChannelGetAttributes(fifth, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 100u);
    ASSERT_TRUE(lib.BASS_ChannelGetInfo(fifth, &ci));
    EXPECT_EQ(ci.flags & BASS_SAMPLE_LOOP, 0u);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 5u);  // the sample and four playbacks
    lib.BASS_ChannelPlay(fifth, TRUE);
    lib.Mix(100);
    EXPECT_NEAR(static_cast<double>(lib.BASS_ChannelGetPosition(fifth)), 400, 8);

    // Freeing the sample frees its playbacks.
    EXPECT_TRUE(lib.BASS_SampleFree(s));
    EXPECT_FALSE(lib.BASS_ChannelGetInfo(fifth, &ci));
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
}

TEST_F(SoundLibrary, ChannelPauseResumeStopAndTheWholeOutput) {
    auto wav = MakeWav(kRate, 1, kRate, Constant(0.5f));
    HCHANNEL c = PlaySample(LoadSample(wav));
    lib.Mix(441);
    QWORD pos = lib.BASS_ChannelGetPosition(c);
    EXPECT_NEAR(static_cast<double>(pos), 882, 4);
    EXPECT_TRUE(lib.BASS_ChannelPause(c));
    EXPECT_EQ(lib.BASS_ChannelIsActive(c), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(Peak(lib.Mix(441), 0), 0);
    EXPECT_EQ(lib.BASS_ChannelGetPosition(c), pos);
    lib.BASS_ChannelPlay(c, FALSE);  // goes on from where it stood
    EXPECT_NE(Peak(lib.Mix(441), 0), 0);
    EXPECT_NEAR(static_cast<double>(lib.BASS_ChannelGetPosition(c)), 1764, 4);

    EXPECT_TRUE(lib.BASS_Pause());
    EXPECT_EQ(Peak(lib.Mix(441), 0), 0);
    EXPECT_NEAR(static_cast<double>(lib.BASS_ChannelGetPosition(c)), 1764, 4);
    EXPECT_TRUE(lib.BASS_Start());
    EXPECT_NE(Peak(lib.Mix(441), 0), 0);

    EXPECT_TRUE(lib.BASS_Stop());
    EXPECT_EQ(lib.BASS_ChannelIsActive(c), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    lib.BASS_Start();
    EXPECT_EQ(Peak(lib.Mix(441), 0), 0);
    lib.BASS_ChannelPlay(c, TRUE);  // played after the restart: heard, from the start
    EXPECT_NE(Peak(lib.Mix(441), 0), 0);
    EXPECT_NEAR(static_cast<double>(lib.BASS_ChannelGetPosition(c)), 882, 4);

    EXPECT_TRUE(lib.BASS_ChannelStop(c));
    EXPECT_EQ(Peak(lib.Mix(441), 0), 0);
    // Seconds and bytes: mono 16-bit at 44100 Hz.
    EXPECT_EQ(lib.BASS_ChannelSeconds2Bytes(c, 0.5f), 44100u);
    EXPECT_FLOAT_EQ(lib.BASS_ChannelBytes2Seconds(c, 44100), 0.5f);
    EXPECT_TRUE(lib.BASS_ChannelSetPosition(c, 44100));
    EXPECT_EQ(lib.BASS_ChannelGetPosition(c), 44100u);
    EXPECT_FALSE(lib.BASS_ChannelSetPosition(c, 10 * 88200));  // beyond the end
}

TEST_F(SoundLibrary, StreamPlaysFromMemoryThatOutlivesItOnly) {
    auto ogg = MakeOgg(kRate, 2, kRate, Sine(441, kRate));
    ASSERT_FALSE(ogg.empty());
    unsigned char* data = static_cast<unsigned char*>(malloc(ogg.size()));
    memcpy(data, ogg.data(), ogg.size());
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, data, 0, static_cast<DWORD>(ogg.size()), 0);
    ASSERT_NE(st, 0u);
    BASS_CHANNELINFO ci;
    ASSERT_TRUE(lib.BASS_ChannelGetInfo(st, &ci));
    EXPECT_EQ(ci.freq, static_cast<DWORD>(kRate));
    EXPECT_EQ(ci.chans, 2u);
    EXPECT_EQ(lib.BASS_ChannelGetLength(st), static_cast<QWORD>(kRate) * 4);
    EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(st, lib.BASS_ChannelGetLength(st)), 1.0f, 1e-4);

    lib.BASS_ChannelPlay(st, TRUE);
    auto out = lib.Mix(kRate / 4);
    EXPECT_GT(Peak(out, 0), 10000);
    EXPECT_NEAR(RisingCrossings(out, 1), 110, 2);
    EXPECT_TRUE(lib.FW_SoundTest_StreamDataInUse(data + 10));

    // Restart from the beginning; set a position in bytes.
    lib.BASS_ChannelPlay(st, TRUE);
    EXPECT_EQ(lib.BASS_ChannelGetPosition(st), 0u);
    EXPECT_TRUE(lib.BASS_ChannelSetPosition(st, lib.BASS_ChannelSeconds2Bytes(st, 0.5f)));
    lib.Mix(kRate / 4 + 10);
    EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(st, lib.BASS_ChannelGetPosition(st)), 0.75f, 0.01f);
    lib.Mix(kRate / 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(st), static_cast<DWORD>(BASS_ACTIVE_STOPPED));

    lib.BASS_ChannelPlay(st, TRUE);
    EXPECT_TRUE(lib.BASS_StreamFree(st));
    EXPECT_FALSE(lib.FW_SoundTest_StreamDataInUse(data + 10));
    // The data may go now: the mixer never touches it again.
    memset(data, 0xEE, ogg.size());
    free(data);
    EXPECT_EQ(Peak(lib.Mix(4410), 0), 0);
    EXPECT_FALSE(lib.BASS_StreamFree(st));
}

TEST_F(SoundLibrary, StreamPlaysFromAFileOnDisk) {
    auto ogg = MakeOgg(kRate, 1, kRate / 2, Sine(441, kRate / 2));
    ASSERT_FALSE(ogg.empty());
    std::string path = "/tmp/fw_stream_file_" + std::to_string(getpid()) + ".ogg";
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(ogg.data(), 1, ogg.size(), f);
    fclose(f);
    HSTREAM st = lib.BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    remove(path.c_str());  // the stream keeps what it read
    ASSERT_NE(st, 0u);
    EXPECT_EQ(lib.BASS_ChannelGetLength(st), static_cast<QWORD>(kRate));  // half a second, mono 16-bit
    lib.BASS_ChannelPlay(st, TRUE);
    auto out = lib.Mix(kRate / 4);
    EXPECT_GT(Peak(out, 0), 10000);
    EXPECT_TRUE(lib.BASS_StreamFree(st));
    EXPECT_EQ(lib.BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);  // gone: refused
}

TEST_F(SoundLibrary, DecodingStreamFillsACreatedSample) {
    auto ogg = MakeOgg(22050, 1, 22050, Sine(441, 22050));
    HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, ogg.data(), 0, static_cast<DWORD>(ogg.size()), BASS_STREAM_DECODE);
    ASSERT_NE(dec, 0u);
    EXPECT_FALSE(lib.BASS_ChannelPlay(dec, TRUE));  // decodes only
    DWORD len = static_cast<DWORD>(lib.BASS_ChannelGetLength(dec));
    EXPECT_EQ(len, 44100u);
    BASS_CHANNELINFO ci;
    lib.BASS_ChannelGetInfo(dec, &ci);
    EXPECT_EQ(ci.flags & BASS_SAMPLE_MONO, static_cast<DWORD>(BASS_SAMPLE_MONO));
    EXPECT_EQ(ci.flags & BASS_SAMPLE_8BITS, 0u);
    // The decode bit arrives with the stream's flags and is ignored.
    void* buf = lib.BASS_SampleCreate(len, ci.freq, 4, ci.flags | BASS_SAMPLE_OVER_VOL);
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(lib.BASS_ChannelGetData(dec, buf, len), len);  // all of it in one call
    HSAMPLE s = lib.BASS_SampleCreateDone();
    ASSERT_NE(s, 0u);
    lib.BASS_StreamFree(dec);
    BASS_SAMPLE si;
    lib.BASS_SampleGetInfo(s, &si);
    EXPECT_EQ(si.length, len);
    EXPECT_EQ(si.freq, 22050u);
    EXPECT_EQ(si.flags & BASS_STREAM_DECODE, 0u);
    HCHANNEL c = PlaySample(s);
    auto out = lib.Mix(kRate / 2);
    EXPECT_NEAR(RisingCrossings(out, 0), 220, 2);  // played at its own 22050 Hz
    EXPECT_EQ(lib.BASS_ChannelGetLength(c), 44100u);

    lib.BASS_ChannelStop(c);
    // An 8-bit created sample reports 8-bit lengths.
    unsigned char* b8 = static_cast<unsigned char*>(lib.BASS_SampleCreate(1000, 8000, 1, BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO));
    ASSERT_NE(b8, nullptr);
    memset(b8, 0xC0, 1000);
    HSAMPLE s8 = lib.BASS_SampleCreateDone();
    HCHANNEL c8 = PlaySample(s8);
    EXPECT_EQ(lib.BASS_ChannelGetLength(c8), 1000u);
    EXPECT_NEAR(lib.Mix(10)[4], 16384, 2);
    EXPECT_EQ(lib.BASS_SampleCreateDone(), 0u);  // nothing pending
}

TEST_F(SoundLibrary, MusicOrdersPositionsAttributesAndLength) {
    auto mod = MakeMod(3);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x420200 | 0x1000000, 0);
    ASSERT_NE(m, 0u);
    EXPECT_EQ(lib.BASS_MusicGetOrders(m), 3u);
    EXPECT_EQ(lib.BASS_MusicGetOrderPosition(m), 0u);
    BASS_CHANNELINFO ci;
    ASSERT_TRUE(lib.BASS_ChannelGetInfo(m, &ci));
    EXPECT_EQ(ci.freq, static_cast<DWORD>(kRate));  // 0 = the output rate
    EXPECT_EQ(ci.chans, 2u);
    // Three patterns of 64 rows at 0.12 s a row.
    EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(m, lib.BASS_ChannelGetLength(m)), 23.04f, 0.05f);

    EXPECT_TRUE(lib.BASS_ChannelSetPosition(m, 0x80000000u | (16u << 16) | 1u));
    EXPECT_EQ(lib.BASS_MusicGetOrderPosition(m), (16u << 16) | 1u);
    EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(m, lib.BASS_ChannelGetPosition(m)), 7.68f + 1.92f, 0.05f);
    EXPECT_FALSE(lib.BASS_ChannelSetPosition(m, 0x80000000u | 7u));  // no order 7

    lib.BASS_ChannelPlay(m, FALSE);
    auto out = lib.Mix(kRate);  // one second: about eight rows on
    EXPECT_GT(Peak(out, 0), 1000);
    DWORD pos = lib.BASS_MusicGetOrderPosition(m);
    EXPECT_EQ(LOWORD(pos), 1);
    EXPECT_NEAR(HIWORD(pos), 24, 1);

    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_AMPLIFY), 50u);
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_AMPLIFY, 100);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_AMPLIFY), 100u);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 3), 100u);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 4), 0xFFFFFFFFu);
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0, 40);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0), 40u);
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 0, 70);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 0), 70u);
    EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 31), 0xFFFFFFFFu);

    // Channel volume 0 of the only playing module channel silences the module.
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0, 0);
    lib.Mix(4096);
    EXPECT_LT(Peak(lib.Mix(4410), 0), 50);
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0, 100);

    // Not looping: the module ends after its last order; looping it goes on.
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (63u << 16) | 2u);
    lib.Mix(kRate / 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    lib.BASS_ChannelSetFlags(m, 0x420200 | BASS_SAMPLE_LOOP);
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (63u << 16) | 2u);
    lib.BASS_ChannelPlay(m, FALSE);
    lib.Mix(kRate / 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(LOWORD(lib.BASS_MusicGetOrderPosition(m)), 0);
    EXPECT_TRUE(lib.BASS_MusicFree(m));
    EXPECT_EQ(lib.BASS_MusicGetOrders(m), 0xFFFFFFFFu);

    // A module with a restart position loops to that order, not to its first.
    auto restarting = MakeMod(3, 1);
    m = lib.BASS_MusicLoad(TRUE, restarting.data(), 0, static_cast<DWORD>(restarting.size()),
                           0x420200 | BASS_SAMPLE_LOOP, 0);
    ASSERT_NE(m, 0u);
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (63u << 16) | 2u);
    lib.BASS_ChannelPlay(m, FALSE);
    lib.Mix(kRate / 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(LOWORD(lib.BASS_MusicGetOrderPosition(m)), 1);
    EXPECT_GT(Peak(lib.Mix(kRate / 2), 0), 1000);
    // Not looping, it still ends after its last order, and plays again from order 0.
    lib.BASS_ChannelSetFlags(m, 0x420200);
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (63u << 16) | 2u);
    lib.Mix(kRate / 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    lib.BASS_ChannelPlay(m, FALSE);
    lib.Mix(kRate / 4);
    EXPECT_EQ(LOWORD(lib.BASS_MusicGetOrderPosition(m)), 0);
    EXPECT_TRUE(lib.BASS_MusicFree(m));
}

TEST_F(SoundLibrary, MusicChannelVolumeHoldsAcrossSeeksRestartsAndLoops) {
    auto mod = MakeMod(2);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x420200 | BASS_SAMPLE_LOOP, 0);
    ASSERT_NE(m, 0u);
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0, 0);
    lib.BASS_ChannelPlay(m, FALSE);
    EXPECT_LT(Peak(lib.Mix(kRate / 2), 0), 50);
    // Channel 0 carries every note, so each place the module can be moved to stays silent.
    struct Move {
        const char* what;
        std::function<void()> run;
    };
    for (const Move& move : {Move{"order and row", [&] { lib.BASS_ChannelSetPosition(m, 0x80000000u | (16u << 16) | 1u); }},
                             Move{"bytes", [&] { lib.BASS_ChannelSetPosition(m, lib.BASS_ChannelSeconds2Bytes(m, 1.0f)); }},
                             Move{"restart", [&] { lib.BASS_ChannelPlay(m, TRUE); }},
                             Move{"loop", [&] { lib.BASS_ChannelSetPosition(m, 0x80000000u | (60u << 16) | 1u); }}}) {
        SCOPED_TRACE(move.what);
        move.run();
        EXPECT_LT(Peak(lib.Mix(kRate), 0), 50);
        EXPECT_EQ(lib.BASS_MusicGetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0), 0u);
    }
    EXPECT_EQ(LOWORD(lib.BASS_MusicGetOrderPosition(m)), 0);  // went round
    // Heard again once the volume is back.
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_CHAN + 0, 100);
    lib.BASS_ChannelPlay(m, TRUE);
    EXPECT_GT(Peak(lib.Mix(kRate / 2), 0), 1000);
    // An instrument set silent stays silent too.
    lib.BASS_MusicSetAttribute(m, BASS_MUSIC_ATTRIB_VOL_INST + 0, 0);
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (16u << 16) | 1u);
    lib.BASS_ChannelPlay(m, TRUE);
    EXPECT_LT(Peak(lib.Mix(kRate), 0), 50);
    EXPECT_TRUE(lib.BASS_MusicFree(m));
}

TEST_F(SoundLibrary, WavOggFlacAndMp3DecodeAlike) {
    struct Format {
        const char* name;
        int format;
    };
    for (Format f : {Format{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16}, Format{"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                     Format{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                     Format{"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}}) {
        SCOPED_TRACE(f.name);
        auto file = MakeSoundFile(f.format, kRate, 1, kRate / 2, Sine(441, kRate));
        if (file.empty()) continue;  // this libsndfile cannot write the format
        HSAMPLE s = LoadSample(file);
        ASSERT_NE(s, 0u);
        HCHANNEL c = PlaySample(s);
        EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(c, lib.BASS_ChannelGetLength(c)), 0.5f, 0.06f);
        auto out = lib.Mix(kRate / 4);
        EXPECT_NEAR(RisingCrossings(out, 0), 110, 3);
        EXPECT_GT(Peak(out, 0), 10000);
        lib.BASS_SampleFree(s);
    }
    // A stream whose header does not tell its length (FLAC with no total in its STREAMINFO):
    // the length is learned by decoding, never the unknown count's bytes wrapped.
    auto flac = MakeSoundFile(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kRate, 1, 5000, Sine(441, kRate));
    ASSERT_GT(flac.size(), 26u);
    flac[21] &= 0xF0;
    std::fill(flac.begin() + 22, flac.begin() + 26, 0);
    for (DWORD flags : {0u, static_cast<DWORD>(BASS_STREAM_DECODE)}) {
        HSTREAM st = lib.BASS_StreamCreateFile(TRUE, flac.data(), 0, static_cast<DWORD>(flac.size()), flags);
        ASSERT_NE(st, 0u);
        EXPECT_EQ(lib.BASS_ChannelGetLength(st), 10000u);
        std::vector<short> pcm(6000);
        if (flags) {
            EXPECT_EQ(lib.BASS_ChannelGetData(st, pcm.data(), 12000), 10000u);
        }
        lib.BASS_StreamFree(st);
    }
}

// An Ogg Vorbis stream plays what the sample loader decodes from the same file, channel for
// channel (a third channel and later dropped), also after a seek; a chained file plays every
// link.
TEST_F(SoundLibrary, OggStreamsPlayWhatTheSampleLoaderDecodes) {
    const int frames = 6000;
    for (int chans : {1, 2, 3}) {
        SCOPED_TRACE(chans);
        auto ogg = MakeOgg(kRate, chans, frames, [](int i, int c) {
            return 0.4f * static_cast<float>(std::sin(2 * M_PI * (300 + 200 * c) * i / kRate));
        });
        ASSERT_FALSE(ogg.empty());
        HSAMPLE s = LoadSample(ogg);
        ASSERT_NE(s, 0u);
        HCHANNEL c = PlaySample(s);
        const std::vector<short> fromSample = lib.Mix(frames);
        lib.BASS_ChannelStop(c);
        HSTREAM st = lib.BASS_StreamCreateFile(TRUE, ogg.data(), 0, static_cast<DWORD>(ogg.size()), 0);
        ASSERT_NE(st, 0u);
        EXPECT_EQ(lib.BASS_ChannelGetLength(st), static_cast<QWORD>(frames) * std::min(chans, 2) * 2);
        lib.BASS_ChannelPlay(st, TRUE);
        const std::vector<short> fromStream = lib.Mix(frames);
        ASSERT_EQ(fromStream.size(), fromSample.size());
        for (size_t i = 0; i < fromStream.size(); ++i) {
            ASSERT_NEAR(fromStream[i], fromSample[i], 1) << i;
        }
        if (chans > 1) {
            EXPECT_NEAR(RisingCrossings(fromStream, 1), 500 * frames / kRate, 2);
        }
        // From a frame in the middle, as from the start.
        ASSERT_TRUE(lib.BASS_ChannelSetPosition(st, static_cast<QWORD>(frames / 2) * std::min(chans, 2) * 2));
        lib.BASS_ChannelPlay(st, FALSE);
        const std::vector<short> half = lib.Mix(frames / 2);
        for (size_t i = 0; i < half.size(); ++i) {
            ASSERT_NEAR(half[i], fromSample[fromSample.size() / 2 + i], 1) << i;
        }
        lib.BASS_StreamFree(st);
        lib.BASS_SampleFree(s);
    }
    auto chained = MakeOgg(kRate, 1, frames, Sine(441, kRate));
    const auto second = MakeOgg(kRate, 2, frames, Sine(882, kRate));
    chained.insert(chained.end(), second.begin(), second.end());
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, chained.data(), 0, static_cast<DWORD>(chained.size()), 0);
    ASSERT_NE(st, 0u);
    EXPECT_EQ(lib.BASS_ChannelGetLength(st), static_cast<QWORD>(2 * frames) * 2);  // mono, as its first link
    lib.BASS_ChannelPlay(st, TRUE);
    const std::vector<short> out = lib.Mix(2 * frames);
    const std::vector<short> first(out.begin(), out.begin() + 2 * frames), last(out.begin() + 2 * frames, out.end());
    EXPECT_NEAR(RisingCrossings(first, 0), 441 * frames / kRate, 2);
    EXPECT_NEAR(RisingCrossings(last, 0), 882 * frames / kRate, 2);
    EXPECT_EQ(lib.BASS_ChannelIsActive(st), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
}

// Chained Ogg files: a link of another channel count plays with its own channels, from the
// first link on however playing starts, and a decoding stream and a sample give every link in
// the format of the first. Links of another sample rate cannot all play at the stream's one rate: every
// loader refuses such a file.
TEST_F(SoundLibrary, ChainedOggLinksPlayAsTheyAreOrTheFileIsRefused) {
    const int frames = 6000;
    auto chained = MakeOgg(kRate, 1, frames, Sine(441, kRate));
    const auto stereo = MakeOgg(kRate, 2, frames, [](int i, int c) {
        return 0.4f * static_cast<float>(std::sin(2 * M_PI * (882 + 441 * c) * i / kRate));
    });
    chained.insert(chained.end(), stereo.begin(), stereo.end());
    const DWORD size = static_cast<DWORD>(chained.size());
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, chained.data(), 0, size, 0);
    ASSERT_NE(st, 0u);
    lib.BASS_ChannelPlay(st, FALSE);  // never sought before
    const std::vector<short> out = lib.Mix(2 * frames);
    const std::vector<short> first(out.begin(), out.begin() + 2 * frames), last(out.begin() + 2 * frames, out.end());
    EXPECT_NEAR(RisingCrossings(first, 0), 441 * frames / kRate, 2);
    EXPECT_NEAR(RisingCrossings(first, 1), 441 * frames / kRate, 2);
    EXPECT_NEAR(RisingCrossings(last, 0), 882 * frames / kRate, 2);
    EXPECT_NEAR(RisingCrossings(last, 1), 1323 * frames / kRate, 2);
    lib.BASS_StreamFree(st);

    HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, chained.data(), 0, size, BASS_STREAM_DECODE);
    ASSERT_NE(dec, 0u);
    std::vector<short> mono(2 * frames + 100);
    ASSERT_EQ(lib.BASS_ChannelGetData(dec, mono.data(), static_cast<DWORD>(mono.size() * 2)),
              static_cast<DWORD>(2 * frames * 2));
    auto crossings = [&](int from, int to) {
        int n = 0;
        for (int i = from + 1; i < to; ++i) n += mono[i - 1] < 0 && mono[i] >= 0;
        return n;
    };
    EXPECT_NEAR(crossings(0, frames), 441 * frames / kRate, 2);
    EXPECT_NEAR(crossings(frames, 2 * frames), 882 * frames / kRate, 2);  // the left of the stereo link
    lib.BASS_StreamFree(dec);
    // A sample of the file holds what the decoding stream gives: every link.
    HSAMPLE s = LoadSample(chained);
    ASSERT_NE(s, 0u);
    PlaySample(s);
    const std::vector<short> fromSample = lib.Mix(2 * frames);
    for (int i = 0; i < 2 * frames; ++i) ASSERT_NEAR(fromSample[2 * i], mono[i], 1) << i;
    lib.BASS_SampleFree(s);

    auto mixed = MakeOgg(kRate, 1, frames, Sine(441, kRate));
    const auto slower = MakeOgg(kRate / 2, 1, frames, Sine(441, kRate / 2));
    mixed.insert(mixed.end(), slower.begin(), slower.end());
    // Links of 44100, 8000 and 48000 Hz, the second's headers on a page of another stream:
    // libvorbisfile refuses it, libsndfile would play its first link.
    const auto threeLayouts = FuzzSoundFile("corpus/sound/chained_links_of_three_layouts.ogg");
    const std::vector<unsigned char>* files[] = {&mixed, &threeLayouts};
    for (const auto* file : files) {
        ASSERT_GT(file->size(), 1000u);
        const DWORD n = static_cast<DWORD>(file->size());
        EXPECT_EQ(lib.BASS_SampleLoad(TRUE, file->data(), 0, n, 4, 0), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, file->data(), 0, n, 0), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, file->data(), 0, n, BASS_STREAM_DECODE), 0u);
    }
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
}

// Ogg files are judged by their real pages and by whether their decoders can start. Refused by
// every loader: a setup header that parses but can set up no decoder (alone, or in the second
// link of a chain; libvorbisfile would fail at the first read, and a read after that divides by
// zero), more logical streams than any real chain has, and a file without its comment header
// (libvorbisfile refuses it, and no other decoder may make silence of it). Played in full: a file whose comment
// holds the bytes of a 48 kHz first page, and a chain of 300 links (the sample as the stream).
TEST_F(SoundLibrary, OggFilesAreJudgedByTheirPagesAndTheirDecoders) {
    const auto link = MakeOgg(kRate, 1, 300, Sine(441, kRate));
    const auto tooMany = oggtest::Chain(link, 1100);
    ASSERT_FALSE(tooMany.empty());
    for (const char* name : {"damaged_setup_header.ogg", "tune_setup_damaged.ogg", "chain_good_then_broken_link.ogg",
                             "first_pages_of_1100_streams.ogg", "chain_cut_unknown_length.ogg", "no_comment_packet.ogg",
                             ""}) {
        SCOPED_TRACE(name);
        const auto file = *name ? FuzzSoundFile(std::string("corpus/sound/") + name) : tooMany;
        ASSERT_GT(file.size(), 1000u);
        const DWORD n = static_cast<DWORD>(file.size());
        EXPECT_EQ(lib.BASS_SampleLoad(TRUE, file.data(), 0, n, 4, 0), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, file.data(), 0, n, BASS_SAMPLE_LOOP), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, file.data(), 0, n, BASS_STREAM_DECODE), 0u);
    }
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);

    const auto fakePage = FuzzSoundFile("corpus/sound/valid_ogg_comment_fake_page.ogg");
    const auto chain = oggtest::Chain(link, 300);
    const struct {
        const std::vector<unsigned char>* file;
        QWORD frames;
    } played[] = {{&fakePage, 22050}, {&chain, 300 * 300}};
    for (const auto& p : played) {
        const DWORD n = static_cast<DWORD>(p.file->size());
        HSAMPLE s = LoadSample(*p.file);
        ASSERT_NE(s, 0u);
        HSTREAM st = lib.BASS_StreamCreateFile(TRUE, p.file->data(), 0, n, 0);
        ASSERT_NE(st, 0u);
        BASS_CHANNELINFO info = {};
        ASSERT_TRUE(lib.BASS_ChannelGetInfo(st, &info));
        const QWORD bytes = p.frames * info.chans * 2;
        EXPECT_EQ(lib.BASS_ChannelGetLength(lib.BASS_SampleGetChannel(s, FALSE)), bytes);
        EXPECT_EQ(lib.BASS_ChannelGetLength(st), bytes);
        HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, p.file->data(), 0, n, BASS_STREAM_DECODE);
        std::vector<short> pcm(bytes / 2 + 64);
        EXPECT_EQ(lib.BASS_ChannelGetData(dec, pcm.data(), static_cast<DWORD>(pcm.size() * 2)), bytes);
        lib.BASS_StreamFree(dec);
        lib.BASS_StreamFree(st);
        lib.BASS_SampleFree(s);
    }
}

// Vorbis setup headers are read before a decoder sets them up, and refused past the library's
// limits, which the library reports it held the file to: a book of 2^22 or 2^19 entries
// (libvorbis would overflow its stack sorting them, or build trees of millions of codewords),
// four books of 2^15 entries, a lookup book that unpacks to 4 million values; over a chain's
// links, repeats included, too many entries, values or header bytes in all. Nothing of a refused
// file is decoded. Files at the limits play.
TEST_F(SoundLibrary, VorbisSetupHeadersAreBoundedBeforeADecoderIsSetUp) {
    namespace limits = fwbass::limits;
    auto loads = [&](const std::vector<unsigned char>& file) {
        const DWORD n = static_cast<DWORD>(file.size());
        HSTREAM st = lib.BASS_StreamCreateFile(TRUE, file.data(), 0, n, 0);
        HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, file.data(), 0, n, BASS_STREAM_DECODE);
        HSAMPLE s = lib.BASS_SampleLoad(TRUE, file.data(), 0, n, 4, 0);
        lib.BASS_StreamFree(st);
        lib.BASS_StreamFree(dec);
        lib.BASS_SampleFree(s);
        EXPECT_EQ(!st, !s);
        EXPECT_EQ(!st, !dec);
        return st != 0;
    };
    for (const char* name : {"codebook_2e22.ogg", "setup_two_books_of_2e19_entries.ogg",
                             "setup_four_books_of_2e15_entries.ogg", "setup_lookup_book_of_4m_values.ogg"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(loads(FuzzSoundFile(std::string("corpus/sound/") + name)));
        EXPECT_EQ(Work().framesDecoded, 0u);
    }
    EXPECT_EQ(Work().setupValues, 62127u + 1024u * 4096u);  // oggenc's books, and the lookup book

    // Links of three books of 2^15 entries, of three lookup books of 131,072 values, and of a
    // setup header 100,000 bytes longer than its codebooks: as many as the limit over a file
    // holds, then one more.
    const auto padded = oggtest::PadSetupHeader(MakeOgg(kRate, 2, 3000, Sine(441, kRate)), 100000);
    ASSERT_FALSE(padded.empty());
    const struct {
        const char* name;
        std::vector<unsigned char> link;
        QWORD FW_SoundWork::*figure;
        uint64_t limit;
    } chains[] = {
        {"entries", FuzzSoundFile("corpus/sound/setup_three_books_of_2e15_entries.ogg"), &FW_SoundWork::setupEntries,
         limits::kMaxFileSetupEntries},
        {"values", FuzzSoundFile("corpus/sound/setup_three_lookup_books.ogg"), &FW_SoundWork::setupValues,
         limits::kMaxFileSetupValues},
        {"bytes", padded, &FW_SoundWork::setupBytes, limits::kMaxFileSetupBytes},
    };
    for (const auto& c : chains) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(loads(c.link));
        const uint64_t perLink = Work().*c.figure;
        ASSERT_GT(perLink, c.limit / 1100);
        const int most = static_cast<int>(c.limit / perLink);
        EXPECT_TRUE(loads(oggtest::Chain(c.link, most)));
        EXPECT_EQ(Work().*c.figure, most * perLink);
        EXPECT_FALSE(loads(oggtest::Chain(c.link, most + 1)));
        EXPECT_EQ(Work().framesDecoded, 0u);
    }
    EXPECT_GT(Work().setupBytes, 100000u * 40);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
}

// False page captures ("OggS" and 0xFF bytes every 32 bytes, each claiming a 56 KB page): the
// page walk checks no more than the file's size and 1 MiB in them, and the decoders are given the
// file up to the end of its last real page (libvorbisfile's search for it would be quadratic). A
// stream whose length its header does not tell (FLAC without a total) is decoded only as far as
// the budget to learn it, then plays with its length unknown; a sample is refused once its data
// passes the limit, at once when its length says so, and once it passes the length it claims.
TEST_F(SoundLibrary, PageWalksLengthScansAndSamplesAreBounded) {
    namespace limits = fwbass::limits;
    const auto link = MakeOgg(kRate, 1, 3000, Sine(441, kRate));
    std::vector<unsigned char> unit(32, 0xFF);
    std::memcpy(unit.data(), "OggS\0", 5);
    auto captured = link;
    for (int i = 0; i < 2000000 / 32; ++i) captured.insert(captured.end(), unit.begin(), unit.end());
    const uint64_t bound = captured.size() * 2 + limits::kMaxFalseCaptureBytes;
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, captured.data(), 0, static_cast<DWORD>(captured.size()), 0);
    ASSERT_NE(st, 0u);
    EXPECT_EQ(lib.BASS_ChannelGetLength(st), 6000u);
    EXPECT_EQ(Work().decoderBytes, link.size());
    EXPECT_LE(Work().pageBytes, bound);
    EXPECT_GT(Work().pageBytes, captured.size());
    lib.BASS_StreamFree(st);
    HSAMPLE s = LoadSample(captured);
    EXPECT_NE(s, 0u);
    EXPECT_EQ(Work().framesDecoded, 3000u);
    lib.BASS_SampleFree(s);
    const auto onlyCaptures = FuzzSoundFile("corpus/sound/false_page_captures.ogg");
    EXPECT_EQ(LoadSample(onlyCaptures), 0u);
    EXPECT_LE(Work().pageBytes, onlyCaptures.size() * 2 + limits::kMaxFalseCaptureBytes);
    EXPECT_EQ(Work().decoderBytes, 0u);

    // 77 million frames of FLAC in 20 KB, with no total in its STREAMINFO.
    const auto bomb = FuzzSoundFile("corpus/sound/flac_no_total_77m_frames.flac");
    const DWORD n = static_cast<DWORD>(bomb.size());
    st = lib.BASS_StreamCreateFile(TRUE, bomb.data(), 0, n, 0);
    ASSERT_NE(st, 0u);
    EXPECT_EQ(Work().framesDecoded, static_cast<QWORD>(limits::kMaxLengthScanFrames));
    EXPECT_EQ(lib.BASS_ChannelGetLength(st), ~0ull);
    EXPECT_EQ(lib.FW_SoundTest_LastError(), static_cast<DWORD>(FW_SOUND_ERROR_NOT_AVAILABLE));
    EXPECT_TRUE(lib.BASS_ChannelPlay(st, TRUE));
    lib.Mix(kRate);
    EXPECT_EQ(lib.BASS_ChannelIsActive(st), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(lib.FW_SoundTest_LastError(), 0u);
    lib.BASS_StreamFree(st);
    HSTREAM dec = lib.BASS_StreamCreateFile(TRUE, bomb.data(), 0, n, BASS_STREAM_DECODE);
    std::vector<short> pcm(8192);
    EXPECT_EQ(lib.BASS_ChannelGetData(dec, pcm.data(), 16384), 16384u);
    lib.BASS_StreamFree(dec);
    EXPECT_EQ(lib.BASS_SampleLoad(TRUE, bomb.data(), 0, n, 4, 0), 0u);
    EXPECT_EQ(Work().framesDecoded, limits::kMaxSampleBytes / 4 + 1);

    // 7.8 million frames of Vorbis silence in 20 KB, whose last granule position claims 100,000:
    // the sample is refused once it passes the claim.
    EXPECT_EQ(LoadSample(FuzzSoundFile("corpus/sound/vorbis_silence_past_its_claim.ogg")), 0u);
    EXPECT_GT(Work().framesDecoded, 100000u);
    EXPECT_LE(Work().framesDecoded, 100000u + limits::kMaxFramesPastClaim + 4096);

    // An Ogg file whose last granule position claims 2^30 frames: no sample is decoded of it.
    auto claim = MakeOgg(kRate, 1, 10 * kRate, Sine(441, kRate));  // on several pages
    size_t last = 0;
    for (size_t at = 0; at + 27 <= claim.size();) {
        last = at;
        size_t size = 27 + claim[at + 26];
        for (int i = 0; i < claim[at + 26]; ++i) size += claim[at + 27 + i];
        at += size;
    }
    const uint64_t granule = 1ull << 30;
    for (int i = 0; i < 8; ++i) claim[last + 6 + i] = static_cast<unsigned char>(granule >> (8 * i));
    const uint32_t serial = claim[last + 14] | claim[last + 15] << 8 | claim[last + 16] << 16 |
                            static_cast<uint32_t>(claim[last + 17]) << 24;
    oggtest::Reserial(claim, last, claim.size() - last, serial);
    EXPECT_EQ(LoadSample(claim), 0u);
    EXPECT_EQ(Work().framesDecoded, 0u);

    // Modules are walked row by row to learn their length: 66 million rows of 66 KB are refused,
    // the largest classic modules and a module at the limit load. So do the largest patterns
    // XM and IT allow, but not 800 MB of patterns from 10 KB.
    struct Module {
        std::vector<unsigned char> file;
        int orders, rows;  // of the length
        bool loads;
    };
    const int atLimit = static_cast<int>(limits::kMaxModuleRows / 1024);
    const Module modules[] = {{MakeLongIt(256, 200), 256, 200, true},
                              {MakeLongIt(atLimit, 1024), atLimit, 1024, true},
                              {MakeLongIt(atLimit + 1, 1024), 0, 0, false},
                              {MakeLongIt(65000, 1024), 0, 0, false},
                              {MakeLongIt(256, 200, 240, 64), 256, 200, true},
                              {MakeLongIt(1, 1024, 240, 64), 0, 0, false},
                              {MakeEmptyXm(256, 256, 127), 256, 256, true},
                              {MakeEmptyXm(260, 256, 127), 0, 0, false},
                              {MakeEmptyXm(1024, 1024, 127), 0, 0, false}};
    // Its Ogg Vorbis samples are held to an Ogg file's limits: a codebook of 2^22 entries in a
    // sample would overflow libvorbis's stack.
    const auto tone = MakeOgg(kRate, 1, kRate, Sine(441, kRate));
    const Module oggMod[] = {{MakeOggModXm(tone), 1, 64, true},
                             {MakeOggModXm(FuzzSoundFile("corpus/sound/codebook_2e22.ogg")), 0, 0, false}};
    for (const Module& c : oggMod) {
        HMUSIC m = lib.BASS_MusicLoad(TRUE, c.file.data(), 0, static_cast<DWORD>(c.file.size()), 0x420200, 0);
        EXPECT_EQ(m != 0, c.loads);
        EXPECT_GT(Work().setupBytes, 0u);
        if (!m) continue;
        lib.BASS_ChannelPlay(m, TRUE);
        EXPECT_GT(Peak(lib.Mix(kRate / 2), 0), 1000);
        lib.BASS_MusicFree(m);
    }
    for (const Module& c : modules) {
        HMUSIC m = lib.BASS_MusicLoad(TRUE, c.file.data(), 0, static_cast<DWORD>(c.file.size()), 0x420200 | 0x1000000, 0);
        EXPECT_EQ(m != 0, c.loads) << c.file.size() << " bytes, " << c.orders << " orders of " << c.rows << " rows";
        if (!m) continue;
        EXPECT_EQ(lib.BASS_MusicGetOrders(m), static_cast<DWORD>(c.orders));
        EXPECT_NEAR(lib.BASS_ChannelBytes2Seconds(m, lib.BASS_ChannelGetLength(m)), c.orders * c.rows * 0.12, 1);
        lib.BASS_MusicFree(m);
    }
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
}

// 16-bit files are taken as they are, floating-point ones converted: the same values play the
// same either way, the extremes included, whatever the number of channels (a third and later
// are dropped).
TEST_F(SoundLibrary, SixteenBitSamplesPlayTheirExactValues) {
    const int frames = 3000;
    for (int chans : {1, 2, 3}) {
        SCOPED_TRACE(chans);
        std::vector<short> values(static_cast<size_t>(frames) * chans);
        uint32_t seed = 7;
        for (size_t i = 0; i < values.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            values[i] = static_cast<short>(seed >> 16);
        }
        values[0] = -32768, values[1] = 32767, values[2] = -1, values[3] = 1;
        std::vector<float> scaled(values.size());
        for (size_t i = 0; i < values.size(); ++i) scaled[i] = values[i] / 32768.0f;
        std::vector<short> asFloats;
        for (auto file : {MakeSoundFileFromShorts(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, chans, values),
                          MakeSoundFile(SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, chans, frames,
                                        [&](int i, int c) { return scaled[static_cast<size_t>(i) * chans + c]; })}) {
            HSAMPLE s = LoadSample(file);
            ASSERT_NE(s, 0u);
            BASS_SAMPLE info;
            ASSERT_TRUE(lib.BASS_SampleGetInfo(s, &info));
            EXPECT_EQ(info.length, static_cast<DWORD>(frames * std::min(chans, 2) * 2));
            PlaySample(s);
            std::vector<short> out = lib.Mix(frames);
            lib.BASS_SampleFree(s);
            if (asFloats.empty()) {
                asFloats = out;  // the 16-bit file's output first, the other's compared with it
                continue;
            }
            ASSERT_EQ(out.size(), asFloats.size());
            for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], asFloats[i]) << i;
        }
    }
}

TEST_F(SoundLibrary, BadDataIsRefused) {
    auto wav = MakeWav(kRate, 1, 1000, Constant(0.5f));
    auto mod = MakeMod();
    std::string text = "This is not a sound file at all, just some words.";
    std::vector<unsigned char> noise(5000);
    unsigned seed = 12345;
    for (auto& b : noise) b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
    struct Case {
        const void* data;
        DWORD size;
    };
    std::vector<Case> notSound = {{text.data(), static_cast<DWORD>(text.size())},
                                  {noise.data(), static_cast<DWORD>(noise.size())},
                                  {wav.data(), 0},
                                  {wav.data(), 30},  // truncated inside the header
                                  {wav.data(), 44},  // a header without frames
                                  {mod.data(), static_cast<DWORD>(mod.size())}};
    for (const Case& c : notSound) {
        EXPECT_EQ(lib.BASS_SampleLoad(TRUE, c.data, 0, c.size, 4, BASS_SAMPLE_OVER_VOL), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, c.data, 0, c.size, 0), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, c.data, 0, c.size, BASS_STREAM_DECODE), 0u);
    }
    std::vector<Case> notMusic = {{text.data(), static_cast<DWORD>(text.size())},
                                  {wav.data(), static_cast<DWORD>(wav.size())},
                                  {mod.data(), 0},
                                  {mod.data(), 100}};
    for (const Case& c : notMusic) EXPECT_EQ(lib.BASS_MusicLoad(TRUE, c.data, 0, c.size, 0x420200, 0), 0u);
    EXPECT_EQ(lib.BASS_SampleLoad(TRUE, nullptr, 0, 100, 4, 0), 0u);
    EXPECT_EQ(lib.BASS_SampleLoad(FALSE, "/nonexistent/file.wav", 0, 0, 4, 0), 0u);
    {
        // A named pipe is no sound file: refused at once, not waited on.
        restest::FailIfStuck stuck(20);
        restest::ScratchFolder dir("sound_pipe");
        dir.MakePipe("pipe.ogg");
        const std::string pipe = dir.path() + "pipe.ogg";
        EXPECT_EQ(lib.BASS_SampleLoad(FALSE, pipe.c_str(), 0, 0, 4, 0), 0u);
        EXPECT_EQ(lib.BASS_StreamCreateFile(FALSE, pipe.c_str(), 0, 0, 0), 0u);
    }
    // A truncated sound plays what it holds.
    HSAMPLE part = lib.BASS_SampleLoad(TRUE, wav.data(), 0, 44 + 200, 4, 0);
    ASSERT_NE(part, 0u);
    EXPECT_EQ(lib.BASS_ChannelGetLength(lib.BASS_SampleGetChannel(part, FALSE)), 200u);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 2u);
}

TEST_F(SoundLibrary, CorruptedDataNeverUpsetsTheMixer) {
    auto ogg = MakeOgg(kRate, 2, kRate, Sine(441, kRate));
    auto mod = MakeMod();
    unsigned seed = 99;
    auto scramble = [&](std::vector<unsigned char> v, size_t from) {
        for (size_t i = from; i < v.size(); i += 7) v[i] = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
        return v;
    };
    auto badOgg = scramble(ogg, ogg.size() * 2 / 3);  // audio pages, past the headers
    auto badMod = scramble(mod, 1084);  // patterns and sample data
    HSTREAM st = lib.BASS_StreamCreateFile(TRUE, badOgg.data(), 0, static_cast<DWORD>(badOgg.size()), 0);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, badMod.data(), 0, static_cast<DWORD>(badMod.size()), 0x420200, 0);
    HSAMPLE s = lib.BASS_SampleLoad(TRUE, badOgg.data(), 0, static_cast<DWORD>(badOgg.size()), 4, 0);
    for (DWORD h : {st, m, lib.BASS_SampleGetChannel(s, FALSE)}) {
        lib.BASS_ChannelSetFlags(h, BASS_SAMPLE_LOOP);
        lib.BASS_ChannelPlay(h, TRUE);
    }
    for (int i = 0; i < 20; ++i) {
        auto out = lib.Mix(4410);
        ASSERT_EQ(out.size(), 8820u);
    }
    lib.BASS_ChannelSetPosition(st, 0);
    lib.Mix(4410);
}

TEST_F(SoundLibrary, UnknownFreedAndWrongKindHandlesFail) {
    auto wav = MakeWav(kRate, 1, 1000, Constant(0.5f));
    HSAMPLE s = LoadSample(wav);
    auto mod = MakeMod();
    HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0, 0);
    HSAMPLE freed = LoadSample(wav);
    lib.BASS_SampleFree(freed);
    BASS_SAMPLE si;
    memset(&si, 0x77, sizeof(si));
    BASS_CHANNELINFO ci;
    for (DWORD h : {0u, 1u, freed, 0xDEADBEEFu}) {
        EXPECT_FALSE(lib.BASS_SampleGetInfo(h, &si));
        EXPECT_EQ(lib.BASS_SampleGetChannel(h, FALSE), 0u);
        EXPECT_FALSE(lib.BASS_SampleFree(h));
        EXPECT_FALSE(lib.BASS_ChannelGetInfo(h, &ci));
        EXPECT_FALSE(lib.BASS_ChannelPlay(h, TRUE));
        EXPECT_FALSE(lib.BASS_ChannelSetAttributes(h, -1, 50, -101));
        EXPECT_FALSE(lib.BASS_ChannelSlideAttributes(h, -1, 50, -101, 10));
        EXPECT_EQ(lib.BASS_ChannelIsActive(h), 0u);
        EXPECT_EQ(lib.BASS_ChannelIsSliding(h), 0u);
        EXPECT_EQ(lib.BASS_ChannelGetLength(h), ~0ull);
        EXPECT_EQ(lib.BASS_ChannelGetPosition(h), ~0ull);
        EXPECT_FLOAT_EQ(lib.BASS_ChannelBytes2Seconds(h, 100), -1.0f);
        EXPECT_EQ(lib.BASS_ChannelGetData(h, &si, 4), 0xFFFFFFFFu);
        EXPECT_EQ(lib.BASS_MusicGetOrders(h), 0xFFFFFFFFu);
        EXPECT_EQ(lib.BASS_MusicGetOrderPosition(h), 0xFFFFFFFFu);
        EXPECT_EQ(lib.BASS_MusicGetAttribute(h, 0), 0xFFFFFFFFu);
        EXPECT_FALSE(lib.BASS_StreamFree(h));
        EXPECT_FALSE(lib.BASS_MusicFree(h));
    }
    unsigned char untouched[sizeof(si)];
    memset(untouched, 0x77, sizeof(untouched));
    EXPECT_EQ(memcmp(&si, untouched, sizeof(si)), 0);
    // Of another kind: a sample is no channel, a music is no sample or stream.
    EXPECT_FALSE(lib.BASS_ChannelPlay(s, TRUE));
    EXPECT_FALSE(lib.BASS_SampleGetInfo(m, &si));
    EXPECT_FALSE(lib.BASS_StreamFree(m));
    EXPECT_FALSE(lib.BASS_MusicFree(s));
    EXPECT_EQ(lib.BASS_MusicGetOrders(s), 0xFFFFFFFFu);
    EXPECT_EQ(lib.BASS_ChannelGetData(m, &si, 4), 0xFFFFFFFFu);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 2u);
}

TEST_F(SoundLibrary, FaultSwitchesAndOverrides) {
    auto wav = MakeWav(kRate, 1, 1000, Constant(0.5f));
    auto mod = MakeMod();
    DWORD n = static_cast<DWORD>(wav.size());
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_LOAD, TRUE);
    EXPECT_EQ(LoadSample(wav), 0u);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_DECODE_STREAM, TRUE);
    EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, wav.data(), 0, n, BASS_STREAM_DECODE), 0u);
    EXPECT_NE(lib.BASS_StreamCreateFile(TRUE, wav.data(), 0, n, 0), 0u);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_STREAM, TRUE);
    EXPECT_EQ(lib.BASS_StreamCreateFile(TRUE, wav.data(), 0, n, 0), 0u);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE, TRUE);
    EXPECT_EQ(lib.BASS_SampleCreate(100, kRate, 4, 0), nullptr);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE, FALSE);
    EXPECT_NE(lib.BASS_SampleCreate(100, kRate, 4, 0), nullptr);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE_DONE, TRUE);
    EXPECT_EQ(lib.BASS_SampleCreateDone(), 0u);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_MUSIC_LOAD, TRUE);
    EXPECT_EQ(lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0, 0), 0u);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_MUSIC_LOAD, FALSE);
    HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0, 0);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_ORDER_POSITION, TRUE);
    EXPECT_EQ(lib.BASS_MusicGetOrderPosition(m), 0xFFFFFFFFu);
    EXPECT_EQ(lib.BASS_SampleCreate(0, kRate, 4, 0), nullptr);                // empty
    EXPECT_EQ(lib.BASS_SampleCreate(0xFFFFFFFFu, kRate, 4, 0), nullptr);      // a length of -1
    EXPECT_EQ(lib.BASS_SampleCreate(100, 0, 4, 0), nullptr);                  // no rate

    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_ACTIVE, TRUE, BASS_ACTIVE_STALLED);
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_STALLED));
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_LENGTH, TRUE, ~0ull);
    EXPECT_EQ(lib.BASS_ChannelGetLength(m), ~0ull);
    EXPECT_FLOAT_EQ(lib.BASS_ChannelBytes2Seconds(m, lib.BASS_ChannelGetLength(m)), -1.0f);
    lib.FW_SoundTest_Reset();
    EXPECT_EQ(lib.BASS_ChannelIsActive(m), static_cast<DWORD>(BASS_ACTIVE_STOPPED));

    // The journal lists the calls with their arguments, once switched on.
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 40);
    EXPECT_EQ(lib.Journal(), "");
    lib.FW_SoundTest_SetJournal(TRUE);
    lib.BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 30);
    lib.BASS_ChannelSetPosition(m, 0x80000000u | (8u << 16) | 2u);
    EXPECT_EQ(lib.Journal(), "BASS_SetConfig(6,30)\nBASS_ChannelSetPosition(0x" + [&] {
                  char b[16];
                  snprintf(b, sizeof(b), "%X", m);
                  return std::string(b);
              }() + ",0x80080002)\n");
}

TEST(SoundLibraryDevices, NoSoundDeviceAndInitFaults) {
    Library lib;
    ASSERT_TRUE(lib.Open());
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_DEVICE, TRUE);
    EXPECT_FALSE(lib.BASS_Init(-1, kRate, 0, nullptr, nullptr));
    EXPECT_FALSE(lib.BASS_Init(5, kRate, 0, nullptr, nullptr));
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NOSOUND_INIT, TRUE);
    EXPECT_FALSE(lib.BASS_Init(0, kRate, 0, nullptr, nullptr));
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NOSOUND_INIT, FALSE);

    // The no-sound device: everything works, nothing is heard.
    lib.FW_SoundTest_SetManualOutput(TRUE);
    ASSERT_TRUE(lib.BASS_Init(0, kRate, 0, nullptr, nullptr));
    auto wav = MakeWav(kRate, 1, kRate, Constant(0.5f));
    HSAMPLE s = lib.BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 4, 0);
    HCHANNEL c = lib.BASS_SampleGetChannel(s, FALSE);
    lib.BASS_ChannelPlay(c, TRUE);
    EXPECT_EQ(Peak(lib.Mix(4410), 0), 0);
    EXPECT_GT(lib.BASS_ChannelGetPosition(c), 0u);
    lib.BASS_Free();

    // Without the test output the no-sound device keeps time by itself.
    lib.FW_SoundTest_SetManualOutput(FALSE);
    ASSERT_TRUE(lib.BASS_Init(0, kRate, 0, nullptr, nullptr));
    s = lib.BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 4, 0);
    c = lib.BASS_SampleGetChannel(s, FALSE);
    lib.BASS_ChannelPlay(c, TRUE);
    for (int i = 0; i < 200 && lib.BASS_ChannelGetPosition(c) == 0; ++i) usleep(5000);
    EXPECT_GT(lib.BASS_ChannelGetPosition(c), 0u);
    EXPECT_EQ(lib.FW_SoundTest_Mix(nullptr, 10), 0u);
    lib.BASS_Free();
    lib.FW_SoundTest_Reset();
    lib.Close();
}

}  // namespace
