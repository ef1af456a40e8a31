// Records that need the engine's graphics or sound: textures (genalpha), targets, sprites on
// declared and undeclared textures, distortion meshes, effects, music and streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/helpers/distortion_mesh.h"
#include "engine/helpers/res_music.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/res_target.h"
#include "engine/helpers/res_texture.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "tests/support/resource_script_support.h"

using Lines = std::vector<std::string>;

namespace {

d3d9test::Image MakeImage(UINT w, UINT h, std::vector<uint32_t> pixels) {
    d3d9test::Image img;
    img.width = w;
    img.height = h;
    img.pixels = std::move(pixels);
    return img;
}

// A mono 16-bit PCM WAV of n samples.
std::string Wav(int n) {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string data;
    for (int i = 0; i < n; i++) data += le16(uint16_t((i % 50) * 600));
    return "RIFF" + le32(uint32_t(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(22050) +
           le32(44100) + le16(2) + le16(16) + "data" + le32(uint32_t(data.size())) + data;
}

// A four-channel module with one empty pattern and no samples.
std::string Mod() {
    std::string m(20, 0);
    memcpy(&m[0], "rs test", 7);
    for (int i = 0; i < 31; i++) {
        std::string s(30, 0);
        s[25] = 64;  // volume
        m += s;
    }
    m += char(1);    // song length
    m += char(127);  // restart
    m += std::string(128, 0);
    m += "M.K.";
    m += std::string(1024, 0);
    return m;
}

}  // namespace

class ResourceRecordsGfx : public restest_rm::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        if (IsSkipped()) return;
        platform::headless::Reset();
        platform::headless::SetDebugEcho(false);
        std::string why;
        if (!helpers_test::StartGraphics(engine, 64, 64, &why)) FAIL() << why;
        started = true;
    }
    void TearDown() override {
        rm.reset();
        if (started) engine->System_Shutdown();
        ScriptTest::TearDown();
    }

    std::string Png(const std::string& name, const d3d9test::Image& img) {
        written.push_back(name);
        EXPECT_TRUE(helpers_test::SavePng(helpers_test::AppFolder() + name, img));
        return name;
    }

    std::vector<uint32_t> Pixels(TextureHandle tex) {
        int w = engine->Texture_GetWidth(tex, false);
        int h = engine->Texture_GetHeight(tex, false);
        DWORD* p = engine->Texture_Lock(tex, true, 0, 0, 0, 0);
        if (!p) return {};
        std::vector<uint32_t> out(p, p + size_t(w) * size_t(h));
        engine->Texture_Unlock(tex);
        return out;
    }

    std::unique_ptr<ResourceManager> rm;
    bool started = false;
};

TEST_F(ResourceRecordsGfx, GenalphaClearsEveryPixelOfTheKeyColour) {
    const uint32_t M = 0xFFFF00FF;
    Png("rs_ga.png", MakeImage(4, 4, {M, 0x80FF00FF, 0xFF00FF00, M,  //
                                      M, M, 0xFF000000, 0x00FF00FF,  //
                                      0xFFFFFFFF, M, M, M,           //
                                      M, 0xFF123456, M, M}));
    Png("rs_ga1.png", MakeImage(1, 1, {0xFF336699}));
    rm = Load("rs_ga.res",
              "Texture key { filename = rs_ga.png genalpha = true }\n"
              "Texture plain { filename = rs_ga.png }\n"
              "Texture one { filename = rs_ga1.png genalpha = true }\n"
              "Texture later { filename = rs_ga_late.png genalpha = true resgroup = 5 }\n");
    ASSERT_TRUE(rm->LoadGroup(1) || true);
    TextureHandle key = rm->GetTexture("key");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(rm->GetTexture("key"), key);
    ASSERT_EQ(engine->Texture_GetWidth(key, false), 4);
    EXPECT_EQ(Pixels(key), (std::vector<uint32_t>{0, 0x80FF00FF, 0xFF00FF00, 0,  //
                                                  0, 0, 0xFF000000, 0x00FF00FF,  //
                                                  0xFFFFFFFF, 0, 0, 0,           //
                                                  0, 0xFF123456, 0, 0}));
    EXPECT_EQ(Pixels(rm->GetTexture("plain"))[0], M);
    std::vector<uint32_t> one = Pixels(rm->GetTexture("one"));
    ASSERT_FALSE(one.empty());
    for (uint32_t p : one) EXPECT_EQ(p, 0u);

    // A texture that cannot be loaded gives 0 and is tried again on the next Get.
    EXPECT_EQ(rm->GetTexture("later"), nullptr);
    EXPECT_FALSE(rm->LoadGroup(5));
    Png("rs_ga_late.png", MakeImage(2, 2, {M, 1, 2, M}));
    EXPECT_TRUE(rm->LoadGroup(5));
    EXPECT_EQ(Pixels(rm->GetTexture("later")), (std::vector<uint32_t>{0, 1, 2, 0}));

    // Freed and loaded again, the pass runs again on the fresh texture.
    rm->FreeGroup(0);
    EXPECT_EQ(Rec<TextureRecord>(rm.get(), RES_LIST_TEXTURE, "key")->handle, 0u);
    EXPECT_TRUE(rm->LoadGroup(0));
    EXPECT_EQ(Pixels(rm->GetTexture("key"))[0], 0u);
}

TEST_F(ResourceRecordsGfx, SpritesFindDeclaredOrLoadUndeclaredTextures) {
    Png("rs_sp.png", MakeImage(4, 4, std::vector<uint32_t>(16, 0xFF808080)));
    rm = Load("rs_sp.res",
              "Texture declared { filename = rs_sp.png }\n"
              "Sprite a { texture = declared rect = 1, 1, 2, 2 }\n"
              "Sprite b { texture = rs_sp.png rect = 0, 0, 4, 4 resgroup = 3 }\n"
              "Sprite c : b { hotspot = 2, 2 }\n"
              "Distortion d { texture = declared rect = 0, 0, 4, 4 mesh = 3, 3 }\n");
    ResourceManager* m = rm.get();
    Sprite* a = m->GetSprite("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->quad.tex, m->GetTexture("declared"));
    EXPECT_FLOAT_EQ(a->quad.v[0].tx, 0.25f);

    Sprite* b = m->GetSprite("b");
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->quad.tex, nullptr);
    auto* reg = Rec<TextureRecord>(m, RES_LIST_TEXTURE, "rs_sp.png");
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg->resgroup, 3);
    EXPECT_STREQ(reg->filename, "rs_sp.png");
    EXPECT_FALSE(reg->mipmap || reg->genalpha);
    EXPECT_NE(b->quad.tex, a->quad.tex);
    Sprite* c = m->GetSprite("c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->quad.tex, b->quad.tex);
    EXPECT_FLOAT_EQ(c->hotX, 2);
    EXPECT_EQ(m->GetTexture("rs_sp.png"), b->quad.tex);

    DistortionMesh* d = m->GetDistortionMesh("d");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetTexture(), m->GetTexture("declared"));
    EXPECT_TRUE(m->LoadGroup(0));
}

TEST_F(ResourceRecordsGfx, RecordsThatNameNoTextureSaySoInTheLog) {
    // Blocks whose base is not declared name no texture: none is looked for under an empty name.
    rm = Load("rs_nt.res",
              "Sprite s : missing { rect = 0, 0, 4, 4 }\n"
              "Animation a : missing { rect = 0, 0, 4, 4 }\n"
              "Distortion d : missing { rect = 0, 0, 4, 4 }\n");
    platform::headless::ClearDebugOutput();
    ASSERT_NE(rm->GetSprite("s"), nullptr);
    EXPECT_EQ(rm->GetSprite("s")->quad.tex, nullptr);
    ASSERT_NE(rm->GetAnimation("a"), nullptr);
    ASSERT_NE(rm->GetDistortionMesh("d"), nullptr);
    EXPECT_EQ(rm->GetDistortionMesh("d")->GetTexture(), nullptr);
    EXPECT_EQ(platform::headless::DebugLines(),
              (Lines{"Sprite 's' names no texture.", "Animation 'a' names no texture.", "Distortion 'd' names no texture."}));
}

TEST_F(ResourceRecordsGfx, TargetsAreCreatedAtTheirSize) {
    rm = Load("rs_tg.res", "Target small { size = 32, 16 zbuffer = true resgroup = 2 }\nTarget dflt { }\n");
    TargetHandle small = rm->GetTarget("small");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(rm->GetTarget("small"), small);
    TextureHandle tex = engine->Target_GetTexture(small);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(engine->Texture_GetWidth(tex, false), 32);
    EXPECT_EQ(engine->Texture_GetHeight(tex, false), 16);
    TargetHandle dflt = rm->GetTarget("dflt");
    ASSERT_NE(dflt, nullptr);
    EXPECT_EQ(engine->Texture_GetWidth(engine->Target_GetTexture(dflt), false), 256);
    rm->FreeGroup(2);
    EXPECT_EQ(Rec<TargetRecord>(rm.get(), RES_LIST_TARGET, "small")->handle, 0u);
    EXPECT_NE(rm->GetTarget("small"), nullptr);
    EXPECT_EQ(rm->GetTarget("undeclared"), nullptr);
}

class ResourceRecordsSound : public restest_rm::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        if (IsSkipped()) return;
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::headless::Reset();
        platform::headless::SetDebugEcho(false);
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_USE_SOUND, true);
        engine->System_SetState(STATE_SCREEN_WIDTH, 64);
        engine->System_SetState(STATE_SCREEN_HEIGHT, 64);
        engine->System_SetState(STATE_HIDE_MOUSE, false);
        if (!engine->System_Initiate()) FAIL() << "System_Initiate failed: " << engine->System_GetErrorMessage();
        started = true;
        Write("rs_snd.wav", Wav(2000));
        EffectHandle probe = engine->Effect_Load("rs_snd.wav");
        ASSERT_NE(probe, EffectHandle{}) << "Effect_Load does not load a WAV file";
        engine->Effect_Free(probe);
    }
    void TearDown() override {
        rm.reset();
        if (started) engine->System_Shutdown();
        ScriptTest::TearDown();
    }
    std::unique_ptr<ResourceManager> rm;
    bool started = false;
};

TEST_F(ResourceRecordsSound, EffectsStreamsAndMusicLoadOnFirstUse) {
    Write("rs_mus.mod", Mod());
    rm = Load("rs_snd.res",
              "Sound boom { filename = rs_snd.wav resgroup = 1 }\n"
              "Stream tune { filename = rs_snd.wav resgroup = 1 }\n"
              "Music song { filename = rs_mus.mod amplify = 80 resgroup = 2 }\n"
              "Music plain { filename = rs_mus.mod resgroup = 2 }\n");
    ResourceManager* m = rm.get();
    EXPECT_TRUE(m->LoadGroup(1));
    EffectHandle boom = m->GetSound("boom");
    EXPECT_NE(boom, 0u);
    EXPECT_EQ(m->GetSound("boom"), boom);
    EXPECT_NE(m->GetStream("tune"), 0u);

    // An undeclared sound file is loaded and registered; a second call loads nothing new.
    EffectHandle direct = m->GetSound("rs_snd.wav", 6);
    ASSERT_NE(direct, 0u);
    EXPECT_EQ(m->GetSound("rs_snd.wav"), direct);
    EXPECT_EQ(m->FindResource(RES_LIST_SOUND, "rs_snd.wav")->resgroup, 6);
    StreamHandle sdirect = m->GetStream("rs_snd.wav");
    ASSERT_NE(sdirect, 0u);
    EXPECT_EQ(m->GetStream("rs_snd.wav"), sdirect);

    MusicHandle song = m->GetMusic("song");
    ASSERT_NE(song, MusicHandle{}) << "Music_Load does not load a module";
    EXPECT_EQ(engine->Music_GetAmplify(song), 80);
    EXPECT_EQ(engine->Music_GetAmplify(m->GetMusic("plain")), 50);
    m->FreeGroup(2);
    EXPECT_EQ(Rec<MusicRecord>(m, RES_LIST_MUSIC, "song")->handle, 0u);
    MusicHandle again = m->GetMusic("song");
    ASSERT_NE(again, 0u);
    EXPECT_EQ(engine->Music_GetAmplify(again), 80);
    MusicHandle direct_mus = m->GetMusic("rs_mus.mod");
    ASSERT_NE(direct_mus, 0u);
    EXPECT_EQ(Rec<MusicRecord>(m, RES_LIST_MUSIC, "rs_mus.mod")->amplify, 50);
}
