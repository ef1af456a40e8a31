#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/helpers/animation.h"
#include "engine/helpers/distortion_mesh.h"
#include "engine/helpers/font.h"
#include "engine/helpers/particle_system.h"
#include "engine/helpers/res_file.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/res_stringtable.h"
#include "engine/helpers/res_texture.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "engine/helpers/string_table.h"
#include "tests/support/resource_script_support.h"

using restest_rm::ScriptTest;
using Lines = std::vector<std::string>;

class ResourceGroups : public ScriptTest {
protected:
    static std::string Text(void* data, size_t n) { return data ? std::string(static_cast<char*>(data), n) : ""; }
};

TEST_F(ResourceGroups, LoadGroupBuildsOnlyItsGroupAndFreeGroupReleases) {
    Write("rs_g_one.bin", "one");
    Write("rs_g_two.bin", "two");
    Write("rs_g_three.bin", "three");
    auto rm = Load("rs_groups.res",
                   "Resource one { filename = rs_g_one.bin resgroup = 1 }\n"
                   "Resource two { filename = rs_g_two.bin resgroup = 2 }\n"
                   "Resource three { filename = rs_g_three.bin resgroup = 2 }\n"
                   "StringTable tab { filename = rs_g_missing.txt resgroup = 1 }\n");
    ResourceManager* m = rm.get();
    auto* one = Rec<FileRecord>(m, RES_LIST_RESOURCE, "one");
    auto* two = Rec<FileRecord>(m, RES_LIST_RESOURCE, "two");
    auto* three = Rec<FileRecord>(m, RES_LIST_RESOURCE, "three");
    auto* tab = Rec<StringTableRecord>(m, RES_LIST_STRINGTABLE, "tab");
    ASSERT_TRUE(one && two && three && tab);
    EXPECT_EQ(one->handle, 0u);

    EXPECT_TRUE(m->LoadGroup(2));
    EXPECT_EQ(one->handle, 0u);
    EXPECT_EQ(tab->handle, 0u);
    EXPECT_EQ(Text((void*)two->handle, 3), "two");
    EXPECT_EQ(Text((void*)three->handle, 5), "three");

    // Loaded records count as success and keep their value.
    ResourceValue cached = two->handle;
    EXPECT_TRUE(m->LoadGroup(2));
    EXPECT_EQ(two->handle, cached);
    EXPECT_EQ(m->GetResource("two"), (void*)cached);

    // An object kind always builds, whatever becomes of its file.
    EXPECT_TRUE(m->LoadGroup(1));
    EXPECT_NE(one->handle, 0u);
    ASSERT_NE(tab->handle, 0u);
    EXPECT_EQ(m->GetStringTable("tab"), (StringTable*)tab->handle);
    EXPECT_EQ(m->GetStringTable("tab")->GetString("anything"), nullptr);

    m->FreeGroup(2);
    EXPECT_EQ(two->handle, 0u);
    EXPECT_EQ(three->handle, 0u);
    EXPECT_NE(one->handle, 0u);

    // Used again after its group was freed: made anew from the record.
    EXPECT_EQ(Text(m->GetResource("two"), 3), "two");
    EXPECT_NE(two->handle, 0u);

    m->FreeGroup(0);
    EXPECT_EQ(one->handle, 0u);
    EXPECT_EQ(two->handle, 0u);
    EXPECT_EQ(tab->handle, 0u);
    EXPECT_TRUE(m->LoadGroup(0));
    EXPECT_NE(one->handle, 0u);
    EXPECT_NE(two->handle, 0u);
    EXPECT_NE(three->handle, 0u);
    EXPECT_NE(tab->handle, 0u);
    // Free on unbuilt records, or twice, does nothing.
    m->FreeGroup(0);
    m->FreeGroup(0);
    m->FreeGroup(5);
}

TEST_F(ResourceGroups, LoadGroupStopsBuildingAtTheFirstFailure) {
    Write("rs_f_ok.bin", "ok");
    // Lists are walked newest first: "bad" is met before "good", "late" in a later list.
    auto rm = Load("rs_fail.res",
                   "Resource good { filename = rs_f_ok.bin }\n"
                   "Resource bad { filename = rs_f_missing.bin resgroup = 3 }\n"
                   "StringTable late { filename = x }\n");
    ResourceManager* m = rm.get();
    EXPECT_FALSE(m->LoadGroup(0));
    EXPECT_EQ(Rec<FileRecord>(m, RES_LIST_RESOURCE, "good")->handle, 0u);
    EXPECT_EQ(Rec<StringTableRecord>(m, RES_LIST_STRINGTABLE, "late")->handle, 0u);
    bool logged = false;
    for (const std::string& l : Log()) logged |= l == "Can't load resource: rs_f_missing.bin";
    EXPECT_TRUE(logged);
    // Other groups do not meet the failing record.
    EXPECT_TRUE(m->LoadGroup(7) );
    EXPECT_FALSE(m->LoadGroup(3));
    // A failed build is tried again once the file is there.
    Write("rs_f_missing.bin", "now");
    EXPECT_TRUE(m->LoadGroup(0));
    EXPECT_EQ(Text(m->GetResource("bad"), 3), "now");
}

TEST_F(ResourceGroups, UndeclaredFilesAreLoadedAndRegistered) {
    Write("rs_u_data.bin", "payload");
    auto rm = Load("rs_undeclared.res", "Sprite s { }\n");
    ResourceManager* m = rm.get();

    void* data = m->GetResource("rs_u_data.bin", 4);
    EXPECT_EQ(Text(data, 7), "payload");
    auto* rec = Rec<FileRecord>(m, RES_LIST_RESOURCE, "rs_u_data.bin");
    ASSERT_NE(rec, nullptr);
    EXPECT_STREQ(rec->filename, "rs_u_data.bin");
    EXPECT_EQ(rec->resgroup, 4);
    EXPECT_EQ(m->GetResource("rs_u_data.bin", 9), data);
    m->FreeGroup(4);
    EXPECT_EQ(rec->handle, 0u);
    EXPECT_EQ(Text(m->GetResource("rs_u_data.bin"), 7), "payload");

    EXPECT_EQ(m->GetResource("rs_u_missing.bin"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_RESOURCE, "rs_u_missing.bin"), nullptr);
    EXPECT_EQ(m->GetResource(nullptr), nullptr);

    // Without a device or sound these load nothing and register nothing.
    EXPECT_EQ(m->GetTexture("rs_u_missing.png"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_TEXTURE, "rs_u_missing.png"), nullptr);
    EXPECT_EQ(m->GetSound("rs_u_missing.wav"), 0u);
    EXPECT_EQ(m->GetMusic("rs_u_missing.mod"), 0u);
    EXPECT_EQ(m->GetStream("rs_u_missing.ogg"), 0u);
    EXPECT_EQ(m->FindResource(RES_LIST_SOUND, "rs_u_missing.wav"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_MUSIC, "rs_u_missing.mod"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_STREAM, "rs_u_missing.ogg"), nullptr);
}

TEST_F(ResourceGroups, StringTablesAreMadeOnDemand) {
    Write("rs_st.txt", "[ZEVSTRINGTABLE]\ngreeting = \"Hello\"\n");
    auto rm = Load("rs_st.res", "StringTable declared { filename = rs_st.txt resgroup = 2 }\n");
    ResourceManager* m = rm.get();
    StringTable* d = m->GetStringTable("declared");
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->GetString("greeting"), "Hello");
    EXPECT_EQ(m->GetStringTable("declared"), d);

    StringTable* u = m->GetStringTable("rs_st.txt", 3);
    ASSERT_NE(u, nullptr);
    EXPECT_NE(u, d);
    EXPECT_STREQ(u->GetString("greeting"), "Hello");
    auto* rec = Rec<StringTableRecord>(m, RES_LIST_STRINGTABLE, "rs_st.txt");
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->resgroup, 3);
    EXPECT_STREQ(rec->filename, "rs_st.txt");

    // A file that cannot be read still gives a (empty) table, registered once.
    StringTable* missing = m->GetStringTable("rs_st_missing.txt");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->GetString("greeting"), nullptr);
    EXPECT_EQ(m->GetStringTable("rs_st_missing.txt"), missing);

    m->FreeGroup(3);
    EXPECT_EQ(rec->handle, 0u);
    StringTable* again = m->GetStringTable("rs_st.txt");
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ(again->GetString("greeting"), "Hello");
}

TEST_F(ResourceGroups, ObjectKindsBuildWithoutTheirFiles) {
    auto rm = Load("rs_objects.res",
                   "Sprite spr { texture = rs_o_missing.png rect = 0, 0, 8, 4 hotspot = 2, 1 color = \"80FF0000\"\n"
                   "  zorder = 0.25 blendmode = COLORADD flip = true, false }\n"
                   "Sprite spr2 : spr { }\n"
                   "Animation ani { texture = rs_o_missing.png rect = 0,0,4,4 frames = 3 fps = 6 mode = REVERSE }\n"
                   "Font fnt { filename = rs_o_missing.fnt color = \"FF112233\" }\n"
                   "Particle par { filename = rs_o_missing.psi sprite = spr }\n"
                   "Particle par2 { sprite = undeclared }\n"
                   "Distortion dis { texture = rs_o_missing.png rect = 0,0,16,16 mesh = 4, 3 color = \"FF00FF00\" zorder = 0.7 }\n");
    ResourceManager* m = rm.get();
    EXPECT_TRUE(m->LoadGroup(0));

    Sprite* spr = m->GetSprite("spr");
    ASSERT_NE(spr, nullptr);
    EXPECT_EQ(spr->quad.tex, nullptr);
    EXPECT_FLOAT_EQ(spr->width, 8);
    EXPECT_FLOAT_EQ(spr->height, 4);
    EXPECT_FLOAT_EQ(spr->hotX, 2);
    EXPECT_FLOAT_EQ(spr->hotY, 1);
    EXPECT_EQ(spr->GetColor(0), 0x80FF0000u);
    EXPECT_EQ(spr->GetColor(3), 0x80FF0000u);
    EXPECT_FLOAT_EQ(spr->quad.v[2].z, 0.25f);
    EXPECT_EQ(spr->quad.blend, 3);
    EXPECT_TRUE(spr->flipX);
    EXPECT_FALSE(spr->flipY);
    // The missing texture registered nothing.
    EXPECT_EQ(m->FindResource(RES_LIST_TEXTURE, "rs_o_missing.png"), nullptr);

    Sprite* spr2 = m->GetSprite("spr2");
    ASSERT_NE(spr2, nullptr);
    EXPECT_NE(spr2, spr);
    EXPECT_EQ(spr2->GetColor(1), 0x80FF0000u);

    Animation* ani = m->GetAnimation("ani");
    ASSERT_NE(ani, nullptr);
    EXPECT_EQ(ani->GetFrames(), 3);
    EXPECT_EQ(ani->GetMode(), ANIM_REVERSE | ANIM_LOOP);
    EXPECT_EQ(ani->GetFrame(), 2);

    EXPECT_NE(m->GetFont("fnt"), nullptr);
    ParticleSystem* par = m->GetParticleSystem("par");
    ASSERT_NE(par, nullptr);
    EXPECT_EQ(par->info.sprite, spr);
    ParticleSystem* par2 = m->GetParticleSystem("par2");
    ASSERT_NE(par2, nullptr);
    EXPECT_EQ(par2->info.sprite, nullptr);

    DistortionMesh* dis = m->GetDistortionMesh("dis");
    ASSERT_NE(dis, nullptr);
    EXPECT_EQ(dis->GetCols(), 4);
    EXPECT_EQ(dis->GetRows(), 3);
    EXPECT_EQ(dis->GetColor(3, 2), 0xFF00FF00u);
    EXPECT_FLOAT_EQ(dis->GetZ(0, 0), 0.7f);
    EXPECT_EQ(dis->GetBlendMode(), 2);

    // Freed and built again: a new object from the same record.
    m->FreeGroup(0);
    EXPECT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "spr")->handle, 0u);
    Sprite* rebuilt = m->GetSprite("spr");
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->GetColor(2), 0x80FF0000u);
}

TEST_F(ResourceGroups, FontTakesEverySettingOfItsBlock) {
    auto rm = Load("rs_fontset.res",
                   "Font f { filename = rs_o_missing.fnt color = \"80112233\" zorder = 0.2 blendmode = COLORADD, ZWRITE\n"
                   "  scale = 2.5 proportion = 0.75 tracking = 3 spacing = 1.25 rotation = 0.5 }\n"
                   "Font g : f { scale = 1 }\n");
    Font* f = rm->GetFont("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetColor(), 0x80112233u);
    EXPECT_FLOAT_EQ(f->GetZ(), 0.2f);
    EXPECT_EQ(f->GetBlendMode(), BLENDMODE_COLORADD | BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE);
    EXPECT_FLOAT_EQ(f->GetScale(), 2.5f);
    EXPECT_FLOAT_EQ(f->GetProportion(), 0.75f);
    EXPECT_FLOAT_EQ(f->GetTracking(), 3.0f);
    EXPECT_FLOAT_EQ(f->GetSpacing(), 1.25f);
    EXPECT_FLOAT_EQ(f->GetRotation(), 0.5f);
    Font* g = rm->GetFont("g");
    ASSERT_NE(g, nullptr);
    EXPECT_NE(g, f);
    EXPECT_FLOAT_EQ(g->GetScale(), 1.0f);
    EXPECT_FLOAT_EQ(g->GetTracking(), 3.0f);
    EXPECT_EQ(g->GetColor(), 0x80112233u);
}

TEST_F(ResourceGroups, AnimationTakesTheSpriteSettingsAndItsSpeed) {
    auto rm = Load("rs_animset.res",
                   "Animation a { texture = rs_o_missing.png rect = 0, 0, 8, 8 hotspot = 3, 4 color = \"C0FF8000\"\n"
                   "  zorder = 0.3 blendmode = ALPHAADD flip = false, true frames = 2 fps = 4 }\n");
    Animation* a = rm->GetAnimation("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetColor(0), 0xC0FF8000u);
    EXPECT_EQ(a->GetColor(3), 0xC0FF8000u);
    EXPECT_FLOAT_EQ(a->quad.v[1].z, 0.3f);
    EXPECT_EQ(a->quad.blend, 0);
    EXPECT_FLOAT_EQ(a->hotX, 3);
    EXPECT_FLOAT_EQ(a->hotY, 4);
    EXPECT_FALSE(a->flipX);
    EXPECT_TRUE(a->flipY);
    EXPECT_FLOAT_EQ(a->speed, 0.25f);
    EXPECT_EQ(a->GetMode(), ANIM_LOOP);
}

TEST_F(ResourceGroups, ReplaceScriptDropsTheOldRecords) {
    Write("rs_r_data.bin", "abc");
    auto rm = Load("rs_replace1.res", "Resource old { filename = rs_r_data.bin }\nSprite s { }\n");
    ResourceManager* m = rm.get();
    EXPECT_TRUE(m->LoadGroup(0));
    EXPECT_NE(m->GetSprite("s"), nullptr);
    m->GetResource("rs_r_data.bin");
    Write("rs_replace2.res", "Sprite t { zorder = 0.1 }\n");
    m->ReplaceScript("rs_replace2.res");
    EXPECT_EQ(m->FindResource(RES_LIST_RESOURCE, "old"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_RESOURCE, "rs_r_data.bin"), nullptr);
    EXPECT_EQ(m->GetSprite("s"), nullptr);
    ASSERT_NE(m->GetSprite("t"), nullptr);
    m->ReplaceScript(nullptr);
    EXPECT_EQ(m->GetSprite("t"), nullptr);
    m->ReplaceScript("rs_replace1.res");
    EXPECT_NE(m->GetSprite("s"), nullptr);
}

// ---- Bad input: every script below must leave a manager that serves its good blocks.

TEST_F(ResourceGroups, BadInputStillServesTheGoodBlocks) {
    struct Case {
        const char* name;
        std::string text;
    };
    std::string garbage;
    for (int i = 1; i < 256; i++) garbage += char(i);
    std::string withNul = std::string("Sprite good { }\n") + '\0' + "Sprite hidden { }";
    const std::vector<Case> cases = {
        {"rs_bad_str.res", "Sprite good { }\nSprite x { texture = \"never closed\n}\nSprite y { texture = \"open"},
        {"rs_bad_block.res", "Sprite good { zorder = 0.5\nSprite y { }\nTexture z {"},
        {"rs_bad_kw.res", "Sprite good { }\nShader s { }\nsprite y { }\nSPRITE z { }\nSprite good2 { unknown = 3 }"},
        {"rs_bad_num.res",
         "Sprite good { resgroup = 99999999999 zorder = 1e999 rect = -1e40, 0x10, 1.2.3, - }\n"
         "Target t { size = -5, 999999999999 }\nMusic m { amplify = --- }\nDistortion d { mesh = -3, x }"},
        {"rs_bad_garbage.res", "Sprite good { }\n" + garbage + "\nSprite good2 { }"},
        {"rs_bad_colons.res", "Sprite good { }\nSprite a : : : { }\nSprite : { }\n: : {\n}}}}\n{{{{"},
        {"rs_bad_tail.res", "Sprite good { }\nSprite"},
        {"rs_bad_tail2.res", "Sprite good { }\nSprite x :"},
        {"rs_bad_tail3.res", "Sprite good { }\nSprite x { blendmode ="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto rm = Load(c.name, c.text);
        EXPECT_NE(rm->GetSprite("good"), nullptr);
        EXPECT_FALSE(Errors(c.name).empty());
        rm->LoadGroup(0);
        rm->FreeGroup(0);
    }
    // Text after a NUL byte is not read.
    auto nul = Load("rs_bad_nul.res", withNul);
    EXPECT_NE(nul->GetSprite("good"), nullptr);
    EXPECT_EQ(nul->GetSprite("hidden"), nullptr);
    auto num = Load("rs_bad_num2.res", "Sprite good { resgroup = 99999999999 zorder = \"1e999\" }\nTarget t { size = -5, 999999999999 }");
    auto* good = Rec<SpriteRecord>(num.get(), RES_LIST_SPRITE, "good");
    EXPECT_EQ(good->resgroup, 2147483647);
    EXPECT_FLOAT_EQ(good->z, 3.40282347e38f);
    EXPECT_EQ(Errors("rs_bad_num2.res"), Lines{});
}

// Random and mutated scripts: parsing, lookups and freeing never crash or read out of bounds.
TEST_F(ResourceGroups, FuzzedScripts) {
    const char* words[] = {"Include", "Resource", "Texture", "Sound", "Music", "Stream", "Target", "Sprite",
                           "Animation", "Font", "Particle", "Distortion", "StringTable", "filename", "resgroup",
                           "mipmap", "genalpha", "amplify", "size", "zbuffer", "texture", "rect", "hotspot",
                           "blendmode", "color", "zorder", "flip", "scale", "proportion", "rotation", "frames",
                           "fps", "mode", "tracking", "spacing", "sprite", "mesh", "COLORADD", "ALPHABLEND",
                           "NOZWRITE", "LOOP", "REVERSE", "ALPHA", "RECT", "=", ",", ":", "{", "}", "\"", ";",
                           "\n", "\r\n", "\t", "true", "false", "12", "-3.5", "FF00", "a", "b", "c", "\"q s\"",
                           "rs_fz_0.res", "rs_fz_1.res", "rs_fz_2.res"};
    const int nwords = int(sizeof(words) / sizeof(words[0]));
    std::mt19937 rng(20260105);
    const std::string base =
        "Sprite a { texture = t rect = 0,0,4,4 blendmode = COLORADD, ZWRITE }\n"
        "Animation b : a { frames = 2 mode = PINGPONG }\n"
        "StringTable c { filename = \"x\" }\nInclude \"rs_fz_1.res\"\n";
    for (int round = 0; round < 150; round++) {
        std::string text;
        if (round % 2 == 0) {
            int n = int(rng() % 60);
            for (int i = 0; i < n; i++) {
                text += words[rng() % nwords];
                if (rng() % 3) text += ' ';
            }
        } else {
            text = base;
            int edits = 1 + int(rng() % 6);
            for (int e = 0; e < edits && !text.empty(); e++) {
                size_t pos = rng() % text.size();
                switch (rng() % 4) {
                case 0: text.erase(pos, 1 + rng() % 5); break;
                case 1: text.insert(pos, words[rng() % nwords]); break;
                case 2: text[pos] = char(rng() % 256); break;
                default: text.insert(pos, text.substr(rng() % text.size(), rng() % 20)); break;
                }
            }
        }
        Write("rs_fz_" + std::to_string(round % 3) + ".res", text);
        platform::headless::ClearDebugOutput();
        ResourceManager rm(("rs_fz_" + std::to_string(round % 3) + ".res").c_str());
        for (const char* name : {"a", "b", "c", "q s", "12"}) {
            rm.GetSprite(name);
            rm.GetAnimation(name);
            rm.GetDistortionMesh(name);
            rm.GetStringTable(name);
        }
        rm.FreeGroup(0);
        rm.ReplaceScript("rs_fz_0.res");
        for (const std::string& l : Log()) ASSERT_LT(l.size(), 256u);
    }
}
