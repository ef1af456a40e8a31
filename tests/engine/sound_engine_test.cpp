// The engine's sound binding and operations over the real sound library, its test output
// and its fault switches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/foundation_fixture.h"
#include "tests/support/sound_test_files.h"

using namespace soundtest;

namespace {

class SoundEngine : public fwtest::EngineTest {
protected:
    Library lib;  // our own reference keeps the switches across the engine's loads
    std::vector<std::string> files;

    void SetUp() override {
        EngineTest::SetUp();
        platform::ClearModuleFaults();
        ASSERT_TRUE(lib.Open());
        lib.FW_SoundTest_Reset();
        lib.FW_SoundTest_SetManualOutput(TRUE);
        lib.FW_SoundTest_SetJournal(TRUE);
    }
    void TearDown() override {
        e->Sound_Done();
        for (auto& f : files) remove(f.c_str());
        platform::ClearModuleFaults();
        lib.FW_SoundTest_Reset();
        lib.Close();
        EngineTest::TearDown();
    }
    // A file in the application folder; its relative name is returned.
    std::string WriteFile(const std::string& base, const std::vector<unsigned char>& bytes) {
        std::string name = "sound_engine_" + std::to_string(getpid()) + "_" + base;
        std::string path = ProgramFolder() + name;
        FILE* f = fopen(path.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        files.push_back(path);
        return name;
    }
    bool LogHas(const std::string& text) {
        std::string all = fwtest::hl::DebugText();
        return all.find(text) != std::string::npos;
    }
    std::string H(DWORD h) {
        char b[16];
        snprintf(b, sizeof(b), "0x%X", h);
        return b;
    }
    bool JournalHas(const std::string& call) { return lib.Journal().find(call + "\n") != std::string::npos; }
    int StreamNodes() {
        int n = 0;
        for (StreamNode* s = e->soundStreams; s; s = s->next) ++n;
        return n;
    }
};

TEST_F(SoundEngine, MissingLibraryFailsTheStartUp) {
    platform::SetModuleRefused("bass.dll", true);
    EXPECT_FALSE(e->Sound_Init());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load BASS.DLL");
    EXPECT_TRUE(LogHas("Can't load BASS.DLL"));
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);
}

TEST_F(SoundEngine, WrongVersionIsRefusedAndUnloaded) {
    for (DWORD v : {0x02040000u, 0x02020000u}) {
        lib.FW_SoundTest_SetVersion(v);
        EXPECT_FALSE(e->Sound_Init());
        EXPECT_STREQ(engine->System_GetErrorMessage(), "Incorrect BASS.DLL version");
        EXPECT_EQ(e->soundLib, nullptr);
        EXPECT_EQ(platform::ModuleLoadBalance(), 0);
    }
    lib.FW_SoundTest_ClearJournal();
    e->Sound_Done();  // nothing to do
    EXPECT_EQ(lib.Journal(), "");
}

TEST_F(SoundEngine, MissingEntryPointIsRefusedLikeAnotherVersion) {
    platform::SetProcMissing("BASS_ChannelBytes2Seconds", true);
    EXPECT_FALSE(e->Sound_Init());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Incorrect BASS.DLL version");
    EXPECT_TRUE(LogHas("BASS.DLL lacks the entry point BASS_ChannelBytes2Seconds"));
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);
    EXPECT_EQ(lib.Journal().find("BASS_Init"), std::string::npos);
}

TEST_F(SoundEngine, WorkingStartUpLogsTheDeviceAndAppliesTheVolumes) {
    engine->System_SetState(STATE_EFFECT_VOLUME, 70);  // before start-up: stored only
    engine->System_SetState(STATE_MUSIC_VOLUME, 40);
    engine->System_SetState(STATE_STREAM_VOLUME, 150);  // unclamped
    EXPECT_EQ(lib.Journal(), "");
    ASSERT_TRUE(e->Sound_Init());
    EXPECT_NE(e->soundLib, nullptr);
    EXPECT_FALSE(e->silent);
    EXPECT_TRUE(LogHas("Sound Device: Test buffer\n"));
    EXPECT_TRUE(LogHas("Sample rate: 44100\n"));
    EXPECT_FALSE(LogHas("BASS Init failed"));
    std::string j = lib.Journal();
    EXPECT_NE(j.find("BASS_GetVersion()\nBASS_Init(-1,44100,0x0)\nBASS_GetDeviceDescription(1)\n"
                     "BASS_SetConfig(4,70)\nBASS_SetConfig(6,40)\nBASS_SetConfig(5,150)\n"),
              std::string::npos)
        << j;
    EXPECT_EQ(platform::ModuleLoadBalance(), 1);

    // A second start-up while loaded changes nothing.
    lib.FW_SoundTest_ClearJournal();
    EXPECT_TRUE(e->Sound_Init());
    EXPECT_EQ(lib.Journal(), "");
    // Volume states reach the running library.
    engine->System_SetState(STATE_MUSIC_VOLUME, 10);
    EXPECT_EQ(lib.Journal(), "BASS_SetConfig(6,10)\n");

    e->Sound_Done();
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);
    EXPECT_NE(lib.Journal().find("BASS_Stop()\nBASS_Free()\n"), std::string::npos);
}

TEST_F(SoundEngine, SoundOffLoadsNothing) {
    engine->System_SetState(STATE_USE_SOUND, false);
    EXPECT_TRUE(e->Sound_Init());
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(lib.Journal(), "");
}

TEST_F(SoundEngine, NoAudioDeviceRunsSilentWithDummyHandles) {
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_DEVICE, TRUE);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NOSOUND_INIT, TRUE);  // even that result is ignored
    ASSERT_TRUE(e->Sound_Init());
    EXPECT_TRUE(e->silent);
    EXPECT_NE(e->soundLib, nullptr);
    EXPECT_TRUE(LogHas("BASS Init failed, using no sound"));
    EXPECT_FALSE(LogHas("Sound Device:"));
    EXPECT_TRUE(JournalHas("BASS_Init(0,44100,0x0)"));
    e->Sound_Done();

    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NOSOUND_INIT, FALSE);
    ASSERT_TRUE(e->Sound_Init());
    lib.FW_SoundTest_ClearJournal();
    // Effects and streams load as 1 without reading anything: a missing file is no error.
    EXPECT_EQ(engine->Effect_Load("no_such_sound.wav"), 1u);
    EXPECT_EQ(engine->Stream_Load("no_such_tune.ogg"), 1u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "");
    EXPECT_EQ(lib.Journal(), "");
    // Music still loads, never as 1; the dummy handle is harmless to every operation.
    auto mod = MakeMod();
    MusicHandle m = engine->Music_Load(reinterpret_cast<const char*>(mod.data()), static_cast<DWORD>(mod.size()));
    EXPECT_NE(m, 0u);
    EXPECT_NE(m, 1u);
    EXPECT_EQ(engine->Music_GetLength(m), 3);
    EXPECT_EQ(engine->Effect_Play(1), 0u);
    engine->Stream_Play(1, true, 50);
    EXPECT_FALSE(engine->Channel_IsPlaying(1));
    engine->Stream_Free(1);
    engine->Effect_Free(1);
}

TEST_F(SoundEngine, EveryOperationWithoutTheLibrary) {
    ASSERT_EQ(e->soundLib, nullptr);
    int order = 7, row = 8;
    EXPECT_EQ(engine->Effect_Load("x.wav"), 0u);
    EXPECT_EQ(engine->Effect_Play(5), 0u);
    EXPECT_EQ(engine->Effect_PlayAdjusted(5, 50, 0, 1.0f, false), 0u);
    EXPECT_EQ(engine->Music_Load("x.mod"), 0u);
    EXPECT_EQ(engine->Music_Play(5, true), 0u);
    EXPECT_EQ(engine->Music_GetAmplify(5), -1);
    EXPECT_EQ(engine->Music_GetLength(5), -1);
    EXPECT_FALSE(engine->Music_GetPos(5, &order, &row));
    EXPECT_EQ(order, 7);
    EXPECT_EQ(row, 8);
    EXPECT_EQ(engine->Music_GetInstrumentVolume(5, 0), -1);
    EXPECT_EQ(engine->Music_GetChannelVolume(5, 0), -1);
    EXPECT_EQ(engine->Stream_Load("x.ogg"), 0u);
    EXPECT_EQ(engine->Stream_Play(5, true), 0u);
    EXPECT_FALSE(engine->Channel_IsPlaying(5));
    EXPECT_FLOAT_EQ(engine->Channel_GetLength(5), -1.0f);
    EXPECT_FLOAT_EQ(engine->Channel_GetPos(5), -1.0f);
    EXPECT_FALSE(engine->Channel_IsSliding(5));
    engine->Effect_Free(5);
    engine->Music_Free(5);
    engine->Music_SetAmplify(5, 1);
    engine->Music_SetPos(5, 1, 1);
    engine->Music_SetInstrumentVolume(5, 1, 1);
    engine->Music_SetChannelVolume(5, 1, 1);
    engine->Stream_Free(5);
    engine->Channel_SetPanning(5, 1);
    engine->Channel_SetVolume(5, 1);
    engine->Channel_SetPitch(5, 1);
    engine->Channel_Pause(5);
    engine->Channel_Resume(5);
    engine->Channel_Stop(5);
    engine->Channel_PauseAll();
    engine->Channel_ResumeAll();
    engine->Channel_StopAll();
    engine->Channel_SetPos(5, 1);
    engine->Channel_SlideAttributes(5, 1, 1, 1, 1);
    e->Sound_SetEffectVolume(10);
    EXPECT_EQ(lib.Journal(), "");
    EXPECT_STREQ(engine->System_GetErrorMessage(), "");
}

TEST_F(SoundEngine, EffectsLoadPlayAdjustedAndAreHeard) {
    ASSERT_TRUE(e->Sound_Init());
    auto wav = MakeWav(44100, 1, 44100, Constant(0.5f));
    std::string name = WriteFile("fx.wav", wav);
    EffectHandle fx = engine->Effect_Load(name.c_str());
    ASSERT_NE(fx, 0u);
    lib.FW_SoundTest_ClearJournal();
    ChannelHandle c = engine->Effect_PlayAdjusted(fx, 50, -30, 0.5f, true);
    ASSERT_NE(c, 0u);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetAttributes(" + H(c) + ",22050,50,-30)"));
    EXPECT_TRUE(JournalHas("BASS_ChannelSetFlags(" + H(c) + ",0x10006)"));  // over-vol, mono, loop
    EXPECT_TRUE(JournalHas("BASS_ChannelPlay(" + H(c) + ",1)"));
    auto out = lib.Mix(100);
    EXPECT_NEAR(out[100], 8192, 3);
    EXPECT_NEAR(out[101], 5734, 3);
    EXPECT_TRUE(engine->Channel_IsPlaying(c));
    EXPECT_NEAR(engine->Channel_GetLength(c), 1.0f, 1e-4);

    engine->Channel_SetPitch(c, 1.5f);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetAttributes(" + H(c) + ",66150,-1,-101)"));
    engine->Channel_SetVolume(c, 20);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetAttributes(" + H(c) + ",-1,20,-101)"));
    engine->Channel_SetPanning(c, 40);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetAttributes(" + H(c) + ",-1,-1,40)"));
    engine->Channel_SlideAttributes(c, 0.25f, 0, -101, -1.0f);
    EXPECT_TRUE(JournalHas("BASS_ChannelSlideAttributes(" + H(c) + ",-1,0,-101,250)"));
    EXPECT_TRUE(engine->Channel_IsSliding(c));
    lib.Mix(44100 / 4);
    EXPECT_FALSE(engine->Channel_IsSliding(c));
    engine->Channel_SlideAttributes(c, 0.1f, 100, 0, 2.0f);
    EXPECT_TRUE(JournalHas("BASS_ChannelSlideAttributes(" + H(c) + ",88200,100,0,100)"));

    ChannelHandle plain = engine->Effect_Play(fx);
    EXPECT_NE(plain, c);
    EXPECT_TRUE(JournalHas("BASS_SampleGetChannel(" + H(fx) + ",0)"));
    EXPECT_TRUE(JournalHas("BASS_ChannelPlay(" + H(plain) + ",1)"));
    engine->Effect_Free(fx);
    EXPECT_FALSE(engine->Channel_IsPlaying(c));
    EXPECT_FLOAT_EQ(engine->Channel_GetLength(c), -1.0f);
}

TEST_F(SoundEngine, EffectFallsBackToTheDecoder) {
    ASSERT_TRUE(e->Sound_Init());
    auto ogg = MakeOgg(22050, 1, 11025, Sine(441, 22050));
    const char* data = reinterpret_cast<const char*>(ogg.data());
    DWORD size = static_cast<DWORD>(ogg.size());

    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_LOAD, TRUE);
    lib.FW_SoundTest_ClearJournal();
    EffectHandle fx = engine->Effect_Load(data, size);
    ASSERT_NE(fx, 0u);
    std::string j = lib.Journal();
    EXPECT_NE(j.find("BASS_StreamCreateFile(1,0," + std::to_string(size) + ",0x200000)"), std::string::npos) << j;
    EXPECT_NE(j.find("BASS_SampleCreate(22050,22050,4,0x210002)"), std::string::npos) << j;
    EXPECT_NE(j.find("BASS_ChannelGetData("), std::string::npos);
    ChannelHandle c = engine->Effect_Play(fx);
    EXPECT_NEAR(engine->Channel_GetLength(c), 0.5f, 1e-4);  // the whole decoded sound
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 2u);          // the decoding stream is gone

    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE, TRUE);
    EXPECT_EQ(engine->Effect_Load(data, size), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't create sound effect: Not enough memory");
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE, FALSE);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE_DONE, TRUE);
    EXPECT_EQ(engine->Effect_Load(data, size), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't create sound effect");
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 2u);

    // Neither accepts it: 0, and an error of its own in place of an earlier, unrelated one.
    e->System_PostError("earlier");
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_DECODE_STREAM, TRUE);
    EXPECT_EQ(engine->Effect_Load(data, size), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load sound effect");
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetManualOutput(TRUE);
    std::string text = "not a sound";
    e->System_PostError("earlier");
    EXPECT_EQ(engine->Effect_Load(text.c_str(), static_cast<DWORD>(text.size())), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load sound effect");
    // From a file, the error names it.
    std::string damaged = WriteFile("damaged.wav", std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_EQ(engine->Effect_Load(damaged.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load sound effect: " + damaged);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_LOAD, TRUE);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_CREATE_DONE, TRUE);
    std::string decodable = WriteFile("decodable.ogg", ogg);
    EXPECT_EQ(engine->Effect_Load(decodable.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't create sound effect: " + decodable);
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetManualOutput(TRUE);
    EXPECT_EQ(engine->Effect_Load("sound_engine_missing.wav"), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load resource: sound_engine_missing.wav");
}

TEST_F(SoundEngine, MusicPlaysByOrderAndRow) {
    ASSERT_TRUE(e->Sound_Init());
    auto mod = MakeMod(3);
    std::string name = WriteFile("tune.mod", mod);
    MusicHandle m = engine->Music_Load(name.c_str());
    ASSERT_NE(m, 0u);
    EXPECT_TRUE(lib.Journal().find("BASS_MusicLoad(1,0," + std::to_string(mod.size()) + ",0x420200,0)\n") !=
                std::string::npos);
    EXPECT_EQ(engine->Music_GetLength(m), 3);
    engine->Music_SetPos(m, 1, 8);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetPosition(" + H(m) + ",0x80080001)"));
    lib.FW_SoundTest_ClearJournal();
    // -1 and -1 play on from where the module stands.
    EXPECT_EQ(engine->Music_Play(m, false, 80), m);
    EXPECT_EQ(lib.Journal(), "BASS_MusicGetOrderPosition(" + H(m) + ")\nBASS_ChannelSetPosition(" + H(m) +
                                 ",0x80080001)\nBASS_ChannelGetInfo(" + H(m) + ")\nBASS_ChannelSetAttributes(" +
                                 H(m) + ",44100,80,0)\nBASS_ChannelSetFlags(" + H(m) + ",0x420200)\nBASS_ChannelPlay(" +
                                 H(m) + ",0)\n");
    int order = -5, row = -5;
    ASSERT_TRUE(engine->Music_GetPos(m, &order, &row));
    EXPECT_EQ(order, 1);
    EXPECT_EQ(row, 8);
    auto out = lib.Mix(44100);
    EXPECT_GT(Peak(out, 0), 1000);
    ASSERT_TRUE(engine->Music_GetPos(m, &order, &row));
    EXPECT_EQ(order, 1);
    EXPECT_NEAR(row, 16, 1);
    EXPECT_TRUE(engine->Channel_IsPlaying(m));
    EXPECT_NEAR(engine->Channel_GetLength(m), 23.04f, 0.05f);

    // 0 and 0 start at the beginning, looping.
    lib.FW_SoundTest_ClearJournal();
    engine->Music_Play(m, true, 100, 0, 0);
    EXPECT_TRUE(JournalHas("BASS_ChannelSetPosition(" + H(m) + ",0x80000000)"));
    EXPECT_TRUE(JournalHas("BASS_ChannelSetFlags(" + H(m) + ",0x420204)"));
    ASSERT_TRUE(engine->Music_GetPos(m, &order, &row));
    EXPECT_EQ(order, 0);
    EXPECT_EQ(row, 0);

    engine->Music_SetAmplify(m, 70);
    EXPECT_EQ(engine->Music_GetAmplify(m), 70);
    engine->Music_SetChannelVolume(m, 2, 30);
    EXPECT_EQ(engine->Music_GetChannelVolume(m, 2), 30);
    EXPECT_EQ(engine->Music_GetChannelVolume(m, 9), -1);
    engine->Music_SetInstrumentVolume(m, 0, 60);
    EXPECT_EQ(engine->Music_GetInstrumentVolume(m, 0), 60);
    EXPECT_TRUE(JournalHas("BASS_MusicSetAttribute(" + H(m) + ",0x200,60)"));
    EXPECT_TRUE(JournalHas("BASS_MusicSetAttribute(" + H(m) + ",0x102,30)"));

    // No position known: false, outputs untouched.
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_ORDER_POSITION, TRUE);
    order = row = 42;
    EXPECT_FALSE(engine->Music_GetPos(m, &order, &row));
    EXPECT_EQ(order, 42);
    EXPECT_EQ(row, 42);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_ORDER_POSITION, FALSE);

    engine->Music_Free(m);
    EXPECT_EQ(engine->Music_GetLength(m), -1);
    std::string text = "no module";
    EXPECT_EQ(engine->Music_Load(text.c_str(), static_cast<DWORD>(text.size())), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load music");
    std::string bad = WriteFile("bad.mod", std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_EQ(engine->Music_Load(bad.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load music: " + bad);
}

TEST_F(SoundEngine, MutedMusicChannelStaysMutedThroughPlayAndSetPos) {
    ASSERT_TRUE(e->Sound_Init());
    auto mod = MakeMod(3);
    MusicHandle m = engine->Music_Load(reinterpret_cast<const char*>(mod.data()), static_cast<DWORD>(mod.size()));
    ASSERT_NE(m, 0u);
    engine->Music_SetChannelVolume(m, 0, 0);  // channel 0 plays every note of the module
    engine->Music_Play(m, true, 100, 0, 0);
    EXPECT_EQ(Peak(lib.Mix(44100), 0), 0);
    engine->Music_SetPos(m, 1, 16);
    EXPECT_EQ(Peak(lib.Mix(44100), 0), 0);
    engine->Music_Play(m, false, 100);
    EXPECT_EQ(Peak(lib.Mix(44100), 0), 0);
    EXPECT_EQ(engine->Music_GetChannelVolume(m, 0), 0);
    engine->Music_SetChannelVolume(m, 0, 100);
    engine->Music_SetPos(m, 0, 0);
    EXPECT_GT(Peak(lib.Mix(44100 / 2), 0), 1000);
    engine->Music_Free(m);
}

TEST_F(SoundEngine, StreamsKeepTheirFileDataUntilFreed) {
    ASSERT_TRUE(e->Sound_Init());
    auto ogg = MakeOgg(44100, 2, 44100, Sine(441, 44100));
    std::string name = WriteFile("tune.ogg", ogg);
    StreamHandle a = engine->Stream_Load(name.c_str());
    StreamHandle b = engine->Stream_Load(name.c_str());
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_EQ(StreamNodes(), 2);
    EXPECT_EQ(e->soundStreams->stream, b);  // newest first
    void* dataA = e->soundStreams->next->data;
    EXPECT_TRUE(lib.FW_SoundTest_StreamDataInUse(dataA));

    EXPECT_EQ(engine->Stream_Play(a, false, 100), a);
    auto out = lib.Mix(44100 / 4);
    EXPECT_GT(Peak(out, 0), 10000);
    EXPECT_NEAR(engine->Channel_GetPos(a), 0.25f, 0.01f);
    engine->Channel_SetPos(a, 0.5f);
    EXPECT_NEAR(engine->Channel_GetPos(a), 0.5f, 0.001f);
    // Paused and resumed it goes on; played again it restarts.
    engine->Channel_Pause(a);
    EXPECT_FALSE(engine->Channel_IsPlaying(a));
    lib.Mix(4410);
    engine->Channel_Resume(a);
    EXPECT_TRUE(engine->Channel_IsPlaying(a));
    EXPECT_NEAR(engine->Channel_GetPos(a), 0.5f, 0.001f);
    engine->Stream_Play(a, true, 100);
    EXPECT_NEAR(engine->Channel_GetPos(a), 0.0f, 0.001f);

    engine->Stream_Free(a);
    EXPECT_EQ(StreamNodes(), 1);
    EXPECT_EQ(e->soundStreams->stream, b);
    EXPECT_FALSE(engine->Channel_IsPlaying(a));
    EXPECT_EQ(Peak(lib.Mix(4410), 0), 0);

    // Data of the caller gets no node.
    StreamHandle c = engine->Stream_Load(reinterpret_cast<const char*>(ogg.data()), static_cast<DWORD>(ogg.size()));
    ASSERT_NE(c, 0u);
    EXPECT_EQ(StreamNodes(), 1);
    engine->Stream_Free(c);
    EXPECT_EQ(StreamNodes(), 1);

    std::string text = "no stream";
    EXPECT_EQ(engine->Stream_Load(text.c_str(), static_cast<DWORD>(text.size())), 0u);
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load stream");
    std::string bad = WriteFile("bad.ogg", std::vector<unsigned char>(text.begin(), text.end()));
    EXPECT_EQ(engine->Stream_Load(bad.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load stream: " + bad);
    EXPECT_EQ(StreamNodes(), 1);

    // Shut-down empties the list.
    e->Sound_Done();
    EXPECT_EQ(e->soundStreams, nullptr);
}

// A damaged Ogg Vorbis setup header: the stream loads (its decoder is set up when it first
// plays), its decoder fails, and played twice it plays nothing, the second time too. A chained
// file whose links differ in rate is refused at load with the load error.
// Ogg files that no one rate or decoder plays are refused with the load errors; a length that
// does not fit 32 bits sizes no sound effect.
TEST_F(SoundEngine, DamagedAndMixedRateOggStreams) {
    ASSERT_TRUE(e->Sound_Init());
    // Headers that parse but set up no decoder, a chain whose length libsndfile cannot tell and
    // of which it decodes nothing, codebooks past the library's limits and a file without its
    // comment header.
    for (const char* file : {"damaged_setup_header.ogg", "tune_setup_damaged.ogg", "chain_good_then_broken_link.ogg",
                             "chain_cut_unknown_length.ogg", "codebook_2e22.ogg", "setup_lookup_book_of_4m_values.ogg",
                             "no_comment_packet.ogg"}) {
        SCOPED_TRACE(file);
        std::string damaged = WriteFile(file, FuzzSoundFile(std::string("corpus/sound/") + file));
        EXPECT_EQ(engine->Stream_Load(damaged.c_str()), 0u);
        EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load stream: " + damaged);
        EXPECT_EQ(engine->Effect_Load(damaged.c_str()), 0u);
        EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load sound effect: " + damaged);
    }
    // FLAC of 77 million frames whose length is not told: a stream of unknown length, but no
    // sound effect (the sample passes its limit, and the decoder tells no length to size one).
    const std::string bomb = WriteFile("bomb.flac", FuzzSoundFile("corpus/sound/flac_no_total_77m_frames.flac"));
    const StreamHandle stream = engine->Stream_Load(bomb.c_str());
    EXPECT_NE(stream, 0u);
    EXPECT_EQ(engine->Channel_GetLength(stream), -1.0f);
    engine->Stream_Free(stream);
    EXPECT_EQ(engine->Effect_Load(bomb.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load sound effect: " + bomb);
    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_SAMPLE_LOAD, TRUE);
    const auto ogg = MakeOgg(22050, 1, 1000, Sine(441, 22050));
    for (QWORD length : {~0ull, 0x100000004ull}) {
        lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_LENGTH, TRUE, length);
        lib.FW_SoundTest_ClearJournal();
        EXPECT_EQ(engine->Effect_Load(reinterpret_cast<const char*>(ogg.data()), static_cast<DWORD>(ogg.size())), 0u);
        EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load sound effect");
        EXPECT_EQ(lib.Journal().find("BASS_SampleCreate("), std::string::npos) << lib.Journal();
    }
    lib.FW_SoundTest_Reset();
    lib.FW_SoundTest_SetManualOutput(TRUE);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);

    auto mixed = MakeOgg(44100, 1, 6000, Sine(441, 44100));
    const auto slower = MakeOgg(22050, 1, 6000, Sine(441, 22050));
    mixed.insert(mixed.end(), slower.begin(), slower.end());
    std::string name = WriteFile("mixed.ogg", mixed);
    EXPECT_EQ(engine->Stream_Load(name.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load stream: " + name);
    EXPECT_EQ(engine->Effect_Load(name.c_str()), 0u);
    EXPECT_EQ(std::string(engine->System_GetErrorMessage()), "Can't load sound effect: " + name);
    EXPECT_EQ(StreamNodes(), 0);
}

TEST_F(SoundEngine, ChannelStatesAndTheAllChannelsCalls) {
    ASSERT_TRUE(e->Sound_Init());
    auto wav = MakeWav(44100, 1, 44100, Constant(0.5f));
    EffectHandle fx = engine->Effect_Load(reinterpret_cast<const char*>(wav.data()), static_cast<DWORD>(wav.size()));
    ChannelHandle c = engine->Effect_Play(fx);
    for (QWORD state : {0ull, 2ull, 3ull}) {
        lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_ACTIVE, TRUE, state);
        EXPECT_FALSE(engine->Channel_IsPlaying(c));
    }
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_ACTIVE, TRUE, 1);
    EXPECT_TRUE(engine->Channel_IsPlaying(c));
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_ACTIVE, FALSE, 0);
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_POSITION, TRUE, ~0ull);
    EXPECT_FLOAT_EQ(engine->Channel_GetPos(c), -1.0f);
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_POSITION, FALSE, 0);
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_SLIDING, TRUE, 7);
    EXPECT_TRUE(engine->Channel_IsSliding(c));
    lib.FW_SoundTest_SetOverride(FW_SOUND_OVERRIDE_SLIDING, FALSE, 0);

    lib.FW_SoundTest_ClearJournal();
    engine->Channel_PauseAll();
    EXPECT_EQ(Peak(lib.Mix(441), 0), 0);
    engine->Channel_ResumeAll();
    EXPECT_NE(Peak(lib.Mix(441), 0), 0);
    engine->Channel_StopAll();
    EXPECT_FALSE(engine->Channel_IsPlaying(c));
    EXPECT_EQ(lib.Journal(), "BASS_Pause()\nBASS_Start()\nBASS_Stop()\nBASS_Start()\nBASS_ChannelIsActive(" + H(c) + ")\n");
    ChannelHandle after = engine->Effect_Play(fx);
    EXPECT_TRUE(engine->Channel_IsPlaying(after));
    EXPECT_NE(Peak(lib.Mix(441), 0), 0);  // heard after the restart
    engine->Channel_Stop(after);
    EXPECT_FALSE(engine->Channel_IsPlaying(after));
}

TEST_F(SoundEngine, SystemStartUpFailsWithoutTheLibraryAndGoesOnWithoutADevice) {
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_SCREEN_WIDTH, 64);
    engine->System_SetState(STATE_SCREEN_HEIGHT, 48);
    platform::SetModuleRefused("bass.dll", true);
    EXPECT_FALSE(engine->System_Initiate());
    EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load BASS.DLL");
    EXPECT_EQ(e->window, nullptr);  // shut down again
    platform::SetModuleRefused("bass.dll", false);

    lib.FW_SoundTest_SetFault(FW_SOUND_FAULT_NO_DEVICE, TRUE);
    ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
    EXPECT_TRUE(e->silent);
    EXPECT_TRUE(LogHas("BASS Init failed, using no sound"));
    EXPECT_EQ(engine->Stream_Load("data\\tune1.ogg"), 1u);
    engine->System_Shutdown();
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);
}

TEST_F(SoundEngine, SoundStateSwitchedOffAndOnWhileRunning) {
    ManualStart();
    ASSERT_TRUE(e->Sound_Init());
    auto ogg = MakeOgg(44100, 1, 4410, Constant(0.3f));
    std::string name = WriteFile("s.ogg", ogg);
    StreamHandle s = engine->Stream_Load(name.c_str());
    ASSERT_NE(s, 0u);
    ASSERT_EQ(StreamNodes(), 1);

    engine->System_SetState(STATE_USE_SOUND, false);
    EXPECT_EQ(e->soundLib, nullptr);
    EXPECT_EQ(e->soundStreams, nullptr);
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u);
    EXPECT_FALSE(engine->Channel_IsPlaying(s));

    engine->System_SetState(STATE_EFFECT_VOLUME, 33);
    lib.FW_SoundTest_ClearJournal();
    engine->System_SetState(STATE_USE_SOUND, true);
    EXPECT_NE(e->soundLib, nullptr);
    EXPECT_TRUE(JournalHas("BASS_SetConfig(4,33)"));
    EXPECT_EQ(engine->Stream_Load(name.c_str()) != 0, true);
}

}  // namespace
