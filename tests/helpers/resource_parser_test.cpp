#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/helpers/animation.h"
#include "engine/helpers/res_animation.h"
#include "engine/helpers/res_distortion.h"
#include "engine/helpers/res_file.h"
#include "engine/helpers/res_font.h"
#include "engine/helpers/res_music.h"
#include "engine/helpers/res_particle.h"
#include "engine/helpers/res_sound.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/res_stream.h"
#include "engine/helpers/res_stringtable.h"
#include "engine/helpers/res_target.h"
#include "engine/helpers/res_texture.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/string_table.h"
#include "tests/support/resource_script_support.h"

using restest_rm::ScriptTest;
using Lines = std::vector<std::string>;

class ResourceParser : public ScriptTest {};

TEST_F(ResourceParser, EveryBlockKindWithEveryParameter) {
    auto rm = Load("rs_kinds.res",
                   "; every kind\n"
                   "Resource raw { filename = \"rs_raw.bin\" resgroup = 3 }\n"
                   "Texture tex { filename = pic.png resgroup = 2 mipmap = true genalpha = true }\n"
                   "Sound snd { filename = \"s.wav\" resgroup = 4 }\n"
                   "Music mus { filename = m.mod resgroup = 5 amplify = 80 }\n"
                   "Stream str { filename = o.ogg resgroup = 6 }\n"
                   "Target tgt { resgroup = 7 size = 320, 240 zbuffer = true }\n"
                   "Sprite spr { texture = tex rect = 1, 2.5, 30, 40 hotspot = 5, 6 blendmode = COLORADD, ZWRITE\n"
                   "  color = \"80FF8040\" zorder = 0.25 flip = true, false resgroup = 8 }\n"
                   "Animation ani { texture = tex rect = 0,0,16,16 hotspot = 8,8 blendmode = ALPHAADD color = \"C0102030\"\n"
                   "  zorder = 0.75 flip = false, true resgroup = 9 frames = 4 fps = 7.5 mode = REVERSE, PINGPONG, NOLOOP }\n"
                   "Font fnt { filename = f.fnt resgroup = 10 mipmap = true blendmode = COLORADD color = \"FF00FF00\"\n"
                   "  zorder = 0.1 scale = 2 proportion = 0.5 rotation = 1.5 tracking = 3 spacing = 1.25 }\n"
                   "Particle par { filename = p.psi resgroup = 11 sprite = spr }\n"
                   "Distortion dis { texture = tex rect = 1,2,3,4 blendmode = NOZWRITE, COLORADD color = \"11223344\"\n"
                   "  zorder = 0.3 mesh = 8, 6 resgroup = 12 }\n"
                   "StringTable tab { filename = \"t.txt\" resgroup = 13 }\n");
    EXPECT_EQ(Errors("rs_kinds.res"), Lines{});
    ResourceManager* m = rm.get();

    auto* raw = Rec<FileRecord>(m, RES_LIST_RESOURCE, "raw");
    ASSERT_NE(raw, nullptr);
    EXPECT_STREQ(raw->filename, "rs_raw.bin");
    EXPECT_EQ(raw->resgroup, 3);
    EXPECT_EQ(raw->handle, 0u);

    auto* tex = Rec<TextureRecord>(m, RES_LIST_TEXTURE, "tex");
    ASSERT_NE(tex, nullptr);
    EXPECT_STREQ(tex->filename, "pic.png");
    EXPECT_EQ(tex->resgroup, 2);
    EXPECT_TRUE(tex->mipmap);
    EXPECT_TRUE(tex->genalpha);

    auto* snd = Rec<SoundRecord>(m, RES_LIST_SOUND, "snd");
    ASSERT_NE(snd, nullptr);
    EXPECT_STREQ(snd->filename, "s.wav");
    EXPECT_EQ(snd->resgroup, 4);

    auto* mus = Rec<MusicRecord>(m, RES_LIST_MUSIC, "mus");
    ASSERT_NE(mus, nullptr);
    EXPECT_STREQ(mus->filename, "m.mod");
    EXPECT_EQ(mus->resgroup, 5);
    EXPECT_EQ(mus->amplify, 80);

    auto* str = Rec<StreamRecord>(m, RES_LIST_STREAM, "str");
    ASSERT_NE(str, nullptr);
    EXPECT_STREQ(str->filename, "o.ogg");
    EXPECT_EQ(str->resgroup, 6);

    auto* tgt = Rec<TargetRecord>(m, RES_LIST_TARGET, "tgt");
    ASSERT_NE(tgt, nullptr);
    EXPECT_EQ(tgt->resgroup, 7);
    EXPECT_EQ(tgt->width, 320);
    EXPECT_EQ(tgt->height, 240);
    EXPECT_TRUE(tgt->zbuffer);

    auto* spr = Rec<SpriteRecord>(m, RES_LIST_SPRITE, "spr");
    ASSERT_NE(spr, nullptr);
    EXPECT_STREQ(spr->texname, "tex");
    EXPECT_FLOAT_EQ(spr->tx, 1);
    EXPECT_FLOAT_EQ(spr->ty, 2.5f);
    EXPECT_FLOAT_EQ(spr->w, 30);
    EXPECT_FLOAT_EQ(spr->h, 40);
    EXPECT_FLOAT_EQ(spr->hotx, 5);
    EXPECT_FLOAT_EQ(spr->hoty, 6);
    EXPECT_EQ(spr->blend, BLENDMODE_COLORADD | BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE);
    EXPECT_EQ(spr->color, 0x80FF8040u);
    EXPECT_FLOAT_EQ(spr->z, 0.25f);
    EXPECT_TRUE(spr->bXFlip);
    EXPECT_FALSE(spr->bYFlip);
    EXPECT_EQ(spr->resgroup, 8);

    auto* ani = Rec<AnimationRecord>(m, RES_LIST_ANIMATION, "ani");
    ASSERT_NE(ani, nullptr);
    EXPECT_STREQ(ani->texname, "tex");
    EXPECT_FLOAT_EQ(ani->w, 16);
    EXPECT_FLOAT_EQ(ani->hotx, 8);
    EXPECT_EQ(ani->blend, 0);
    EXPECT_EQ(ani->color, 0xC0102030u);
    EXPECT_FLOAT_EQ(ani->z, 0.75f);
    EXPECT_FALSE(ani->bXFlip);
    EXPECT_TRUE(ani->bYFlip);
    EXPECT_EQ(ani->resgroup, 9);
    EXPECT_EQ(ani->frames, 4);
    EXPECT_FLOAT_EQ(ani->fps, 7.5f);
    EXPECT_EQ(ani->mode, ANIM_REVERSE | ANIM_PINGPONG);

    auto* fnt = Rec<FontRecord>(m, RES_LIST_FONT, "fnt");
    ASSERT_NE(fnt, nullptr);
    EXPECT_STREQ(fnt->filename, "f.fnt");
    EXPECT_EQ(fnt->resgroup, 10);
    EXPECT_TRUE(fnt->mipmap);
    EXPECT_EQ(fnt->blend, 3);
    EXPECT_EQ(fnt->color, 0xFF00FF00u);
    EXPECT_FLOAT_EQ(fnt->z, 0.1f);
    EXPECT_FLOAT_EQ(fnt->scale, 2);
    EXPECT_FLOAT_EQ(fnt->proportion, 0.5f);
    EXPECT_FLOAT_EQ(fnt->rotation, 1.5f);
    EXPECT_FLOAT_EQ(fnt->tracking, 3);
    EXPECT_FLOAT_EQ(fnt->spacing, 1.25f);

    auto* par = Rec<ParticleRecord>(m, RES_LIST_PARTICLE, "par");
    ASSERT_NE(par, nullptr);
    EXPECT_STREQ(par->filename, "p.psi");
    EXPECT_STREQ(par->spritename, "spr");
    EXPECT_EQ(par->resgroup, 11);

    auto* dis = Rec<DistortionRecord>(m, RES_LIST_DISTORTION, "dis");
    ASSERT_NE(dis, nullptr);
    EXPECT_STREQ(dis->texname, "tex");
    EXPECT_FLOAT_EQ(dis->tx, 1);
    EXPECT_FLOAT_EQ(dis->h, 4);
    EXPECT_EQ(dis->blend, 3);
    EXPECT_EQ(dis->color, 0x11223344u);
    EXPECT_FLOAT_EQ(dis->z, 0.3f);
    EXPECT_EQ(dis->cols, 8);
    EXPECT_EQ(dis->rows, 6);
    EXPECT_EQ(dis->resgroup, 12);

    auto* tab = Rec<StringTableRecord>(m, RES_LIST_STRINGTABLE, "tab");
    ASSERT_NE(tab, nullptr);
    EXPECT_STREQ(tab->filename, "t.txt");
    EXPECT_EQ(tab->resgroup, 13);

    // The script list is emptied at the end of the load.
    EXPECT_EQ(m->FindResource(RES_LIST_SCRIPT, "rs_kinds.res"), nullptr);
}

TEST_F(ResourceParser, BlocksWithoutParametersTakeTheDefaults) {
    auto rm = Load("rs_defaults.res", "Music m {} Target tg {} Animation a {} Font f {} Distortion d {}\n");
    EXPECT_EQ(Errors("rs_defaults.res"), Lines{});
    ResourceManager* m = rm.get();
    EXPECT_EQ(Rec<MusicRecord>(m, RES_LIST_MUSIC, "m")->amplify, 50);
    auto* tg = Rec<TargetRecord>(m, RES_LIST_TARGET, "tg");
    EXPECT_EQ(tg->width, 256);
    EXPECT_EQ(tg->height, 256);
    auto* a = Rec<AnimationRecord>(m, RES_LIST_ANIMATION, "a");
    EXPECT_EQ(a->frames, 1);
    EXPECT_FLOAT_EQ(a->fps, 12.0f);
    EXPECT_EQ(a->mode, ANIM_LOOP);
    EXPECT_EQ(a->blend, BLENDMODE_ALPHABLEND);
    EXPECT_EQ(a->color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(a->z, 0.5f);
    auto* f = Rec<FontRecord>(m, RES_LIST_FONT, "f");
    EXPECT_FLOAT_EQ(f->scale, 1);
    EXPECT_FLOAT_EQ(f->proportion, 1);
    EXPECT_FLOAT_EQ(f->spacing, 1);
    auto* d = Rec<DistortionRecord>(m, RES_LIST_DISTORTION, "d");
    EXPECT_EQ(d->cols, 2);
    EXPECT_EQ(d->rows, 2);
}

TEST_F(ResourceParser, InheritanceCopiesTheBaseAndOverridesWhatTheBlockSets) {
    auto rm = Load("rs_base.res",
                   "Sprite a { texture = t rect = 1,2,3,4 hotspot = 5,6 blendmode = COLORADD color = \"11223344\"\n"
                   "  flip = true, true resgroup = 7 }\n"
                   "Sprite b : a { zorder = 0.2 }\n"
                   "Animation x { frames = 5 fps = 3 mode = PINGPONG texture = t2 }\n"
                   "Animation y : x { fps = 9 }\n"
                   "Music m { filename = a.mod amplify = 70 resgroup = 2 }\n"
                   "Music n : m { filename = b.mod }\n"
                   "Resource r1 { filename = one resgroup = 4 }\n"
                   "Resource r2 : r1 { }\n"
                   "Sprite c : later { }\n"
                   "Sprite later { texture = z }\n"
                   "Texture onlytex { filename = q }\n"
                   "Sprite d : onlytex { }\n");
    ResourceManager* m = rm.get();
    auto* b = Rec<SpriteRecord>(m, RES_LIST_SPRITE, "b");
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->name, "b");
    EXPECT_STREQ(b->texname, "t");
    EXPECT_FLOAT_EQ(b->tx, 1);
    EXPECT_FLOAT_EQ(b->h, 4);
    EXPECT_FLOAT_EQ(b->hotx, 5);
    EXPECT_FLOAT_EQ(b->hoty, 6);
    EXPECT_EQ(b->blend, 3);
    EXPECT_EQ(b->color, 0x11223344u);
    EXPECT_TRUE(b->bXFlip && b->bYFlip);
    EXPECT_EQ(b->resgroup, 7);
    EXPECT_FLOAT_EQ(b->z, 0.2f);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "a")->z, 0.5f);

    auto* y = Rec<AnimationRecord>(m, RES_LIST_ANIMATION, "y");
    EXPECT_EQ(y->frames, 5);
    EXPECT_FLOAT_EQ(y->fps, 9);
    EXPECT_EQ(y->mode, ANIM_PINGPONG | ANIM_LOOP);
    EXPECT_STREQ(y->texname, "t2");

    auto* n = Rec<MusicRecord>(m, RES_LIST_MUSIC, "n");
    EXPECT_STREQ(n->filename, "b.mod");
    EXPECT_EQ(n->amplify, 70);
    EXPECT_EQ(n->resgroup, 2);
    auto* r2 = Rec<FileRecord>(m, RES_LIST_RESOURCE, "r2");
    EXPECT_STREQ(r2->filename, "one");
    EXPECT_EQ(r2->resgroup, 4);

    // A base declared later, or only in another kind, is not a base.
    auto* c = Rec<SpriteRecord>(m, RES_LIST_SPRITE, "c");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->texname, "");
    auto* d = Rec<SpriteRecord>(m, RES_LIST_SPRITE, "d");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->blend, 2);
    EXPECT_EQ(Errors("rs_base.res"), (Lines{"rs_base.res, line 10: Base resource 'later' is not defined.",
                                             "rs_base.res, line 13: Base resource 'onlytex' is not defined."}));
}

TEST_F(ResourceParser, EmptyNamedRecordIsNeverAnImplicitBase) {
    auto rm = Load("rs_emptyname.res", "Sprite \"\" { zorder = 0.9 }\nSprite a { }\nSprite b : \"\" { }\n");
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(rm.get(), RES_LIST_SPRITE, "a")->z, 0.5f);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(rm.get(), RES_LIST_SPRITE, "b")->z, 0.9f);
    EXPECT_EQ(Errors("rs_emptyname.res"), Lines{});
}

TEST_F(ResourceParser, DuplicateNamesInOneKindAreReportedAndSkipped) {
    auto rm = Load("rs_dup.res",
                   "Sprite s { zorder = 0.1 }\n"
                   "Texture s { filename = x }\n"
                   "Sprite s { zorder = 0.9 }\n"
                   "Sprite t { }\n");
    ResourceManager* m = rm.get();
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "s")->z, 0.1f);
    EXPECT_NE(Rec<TextureRecord>(m, RES_LIST_TEXTURE, "s"), nullptr);
    EXPECT_NE(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "t"), nullptr);
    EXPECT_EQ(Errors("rs_dup.res"),
              (Lines{"rs_dup.res, line 3: Resource 's' of the same type already has been defined."}));
}

TEST_F(ResourceParser, NamesAreExactAndCaseSensitive) {
    auto rm = Load("rs_names.res", "Sprite Wagon { }\nSprite wagon2 { zorder = 1 }\n");
    ResourceManager* m = rm.get();
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "Wagon"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_SPRITE, "wagon"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_SPRITE, "Wago"), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_SPRITE, "Wagon "), nullptr);
    EXPECT_EQ(m->GetSprite("wagon"), nullptr);
    EXPECT_EQ(m->GetSprite(nullptr), nullptr);
    EXPECT_EQ(m->GetFont("Wagon"), nullptr);
    EXPECT_EQ(m->GetAnimation("Wagon"), nullptr);
    EXPECT_EQ(m->GetTarget("Wagon"), nullptr);
    EXPECT_EQ(m->GetParticleSystem("Wagon"), nullptr);
    EXPECT_EQ(m->GetDistortionMesh("Wagon"), nullptr);
}

TEST_F(ResourceParser, StatementErrorsGiveTheirLinesAndParsingGoesOn) {
    auto rm = Load("rs_errors.res",
                   "junk more\n"                               // 1: unrecognized, skipped to line 2
                   "Sprite a zorder = 1 }\n"                    // 2: no '{'
                   "Sprite b { zorder = 0.3\n"                  // 3: no '}' before line 4
                   "Sprite c { 42 zorder = 0.4 }\n"             // 4: a number for a parameter word
                   "Target t { filename = x size = 8, 9 }\n"    // 5: a parameter the kind lacks
                   "Sprite d { frames = 3 blendmode = COLORADD, LOOP, ALPHAADD }\n"  // 6
                   "Sprite e { blendmode = }\n"                 // 7: '}' taken as a list word
                   "Sprite f { }\n"                             // 8: the block of e ends here
                   "Sprite g { zorder = 0.6 ");                 // 9: end of the text inside a block
    ResourceManager* m = rm.get();
    EXPECT_EQ(Errors("rs_errors.res"),
              (Lines{"rs_errors.res, line 1: Unrecognized resource specificator 'junk'.",
                     "rs_errors.res, line 2: Illegal resource syntax, 'zorder' found; '{' expected.",
                     "rs_errors.res, line 4: '}' missed, 'Sprite' encountered.",
                     "rs_errors.res, line 4: Unsupported resource parameter '42'.",
                     "rs_errors.res, line 5: Unsupported resource parameter 'filename'.",
                     "rs_errors.res, line 6: Unsupported resource parameter 'frames'.",
                     "rs_errors.res, line 6: Unsupported value 'LOOP'.",
                     "rs_errors.res, line 7: Unsupported value '}'.",
                     "rs_errors.res, line 8: '}' missed, 'Sprite' encountered.",
                     "rs_errors.res, line 9: '}' missed, '<EOF>' encountered."}));
    auto modes = Load("rs_modes.res", "Animation m { mode = NOLOOP, COLORADD, REVERSE }\n");
    EXPECT_EQ(Rec<AnimationRecord>(modes.get(), RES_LIST_ANIMATION, "m")->mode, ANIM_REVERSE);
    EXPECT_EQ(Errors("rs_modes.res"), (Lines{"rs_modes.res, line 1: Unsupported value 'COLORADD'."}));
    EXPECT_EQ(m->FindResource(RES_LIST_SPRITE, "a"), nullptr);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "b")->z, 0.3f);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "c")->z, 0.4f);
    auto* t = Rec<TargetRecord>(m, RES_LIST_TARGET, "t");
    EXPECT_EQ(t->width, 8);
    EXPECT_EQ(t->height, 9);
    EXPECT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "d")->blend, BLENDMODE_COLORADD);
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "e"), nullptr);
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "f"), nullptr);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "g")->z, 0.6f);
}

TEST_F(ResourceParser, SeparatorsAreSkippedUnlooked) {
    auto rm = Load("rs_sep.res",
                   "Target a { size 64, 32 }\n"
                   "Sprite c { color = 80FF8040 }\n"
                   "Sprite d { blendmode = COLORADD, ALPHABLEND } Sprite e { blendmode = NOZWRITE }\n"
                   "Sprite f { blendmode = ZWRITE = COLORADD blendmode , COLORMUL }\n"
                   "Target g { size : 10 ; 20 }\n"
                   "Sprite h { }\n");
    ResourceManager* m = rm.get();
    auto* a = Rec<TargetRecord>(m, RES_LIST_TARGET, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, 0);   // read from the ","
    EXPECT_EQ(a->height, 0);  // read from the "}", so the block runs on to the next kind word
    auto* c = Rec<SpriteRecord>(m, RES_LIST_SPRITE, "c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->color, 0x80FFu);
    EXPECT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "d")->blend, 3);
    EXPECT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "e")->blend, 2);
    EXPECT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "f")->blend, BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE);
    // A ';' starts a comment: the height's separator is the next line's "Sprite", its value "h".
    auto* g = Rec<TargetRecord>(m, RES_LIST_TARGET, "g");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->width, 10);
    EXPECT_EQ(g->height, 0);
    EXPECT_EQ(m->FindResource(RES_LIST_SPRITE, "h"), nullptr);
    EXPECT_EQ(Errors("rs_sep.res"), (Lines{"rs_sep.res, line 2: '}' missed, 'Sprite' encountered.",
                                            "rs_sep.res, line 2: Unsupported resource parameter '8040'.",
                                            "rs_sep.res, line 6: Unsupported resource parameter '{'."}));
}

TEST_F(ResourceParser, MissingTopLevelScriptAndEmptyScripts) {
    platform::headless::ClearDebugOutput();
    {
        // A script that cannot be read fails every group load with the error of its read.
        ResourceManager rm("rs_no_such_script.res");
        EXPECT_EQ(rm.GetSprite("x"), nullptr);
        EXPECT_FALSE(rm.LoadGroup(0));
        EXPECT_FALSE(rm.LoadGroup(3));
        EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load resource: rs_no_such_script.res");
    }
    bool found = false;
    for (const std::string& l : Log()) found |= l == "Script 'rs_no_such_script.res' not found.";
    EXPECT_TRUE(found);
    {
        // A folder in the script's place is not readable either.
        helpers_test::MakeAppFolder("rs_folder.res");
        ResourceManager rm("rs_folder.res");
        EXPECT_FALSE(rm.LoadGroup(0));
        EXPECT_STREQ(engine->System_GetErrorMessage(), "Can't load resource: rs_folder.res");
        // Replacing it with a readable script, or with none, mends it; an unreadable one again fails.
        Write("rs_replacing.res", "Resource r { filename = rs_replacing.res }\n");
        rm.ReplaceScript("rs_replacing.res");
        EXPECT_TRUE(rm.LoadGroup(0));
        rm.ReplaceScript("rs_no_such_script.res");
        EXPECT_FALSE(rm.LoadGroup(0));
        rm.ReplaceScript(nullptr);
        EXPECT_TRUE(rm.LoadGroup(0));
    }
    {
        ResourceManager none(nullptr);
        EXPECT_TRUE(none.LoadGroup(0));
    }
    // An empty script declares nothing, which is no failure of the manager's.
    auto rm = Load("rs_empty.res", "");
    EXPECT_EQ(Errors("rs_empty.res"), Lines{});
    EXPECT_TRUE(rm->LoadGroup(0));
    auto rm2 = Load("rs_comments.res", "; nothing\r\n\r\n   ; here\n");
    EXPECT_EQ(Errors("rs_comments.res"), Lines{});
}

TEST_F(ResourceParser, IncludesNestedMissingRepeatedAndSelf) {
    Write("rs_inc_c.res", "Sprite fromc { zorder = 0.3 }\n");
    Write("rs_inc_b.res", "Sprite fromb { }\nInclude \"rs_inc_c.res\"\nSprite afterc : fromc { }\n");
    auto rm = Load("rs_inc_a.res",
                   "Include \"rs_inc_b.res\"\n"
                   "Include \"rs_inc_missing.res\"\n"
                   "Include \"rs_inc_c.res\"\n"
                   "Include \"rs_inc_a.res\"\n"
                   "Sprite froma : afterc { }\n");
    ResourceManager* m = rm.get();
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "fromb"), nullptr);
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "fromc"), nullptr);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "afterc")->z, 0.3f);
    EXPECT_FLOAT_EQ(Rec<SpriteRecord>(m, RES_LIST_SPRITE, "froma")->z, 0.3f);
    EXPECT_EQ(Errors("rs_inc_a.res"), (Lines{"rs_inc_a.res, line 2: Script 'rs_inc_missing.res' not found.",
                                              "rs_inc_a.res, line 3: Script 'rs_inc_c.res' already has been parsed.",
                                              "rs_inc_a.res, line 4: Script 'rs_inc_a.res' already has been parsed."}));
    EXPECT_EQ(Errors("rs_inc_b.res"), Lines{});
    EXPECT_EQ(Errors("rs_inc_c.res"), Lines{});
    EXPECT_EQ(m->FindResource(RES_LIST_SCRIPT, "rs_inc_b.res"), nullptr);

    // The guard lasts one load: replacing the script parses everything again.
    platform::headless::ClearDebugOutput();
    m->ReplaceScript("rs_inc_a.res");
    EXPECT_NE(m->FindResource(RES_LIST_SPRITE, "fromc"), nullptr);
    EXPECT_EQ(Errors("rs_inc_a.res").size(), 3u);
}

TEST_F(ResourceParser, LongIncludeChainsAreFollowed) {
    // Each script includes the next under a new name, then declares a sprite based on the
    // deepest script's one: it is found only when the include was parsed at once, whole.
    const int kLevels = 3000;
    for (int i = 0; i < kLevels; i++) {
        std::string n = std::to_string(i);
        std::string text = "Sprite s" + n + " { }\n";
        if (i + 1 < kLevels) text += "Include \"rs_chain" + std::to_string(i + 1) + ".res\"\n";
        text += "Sprite after" + n + " : s" + std::to_string(kLevels - 1) + " { }\n";
        Write("rs_chain" + n + ".res", text);
    }
    platform::headless::ClearDebugOutput();
    ResourceManager rm("rs_chain0.res");
    for (int i : {0, 31, 32, 39, 40, kLevels - 1}) {
        EXPECT_NE(rm.FindResource(RES_LIST_SPRITE, ("s" + std::to_string(i)).c_str()), nullptr) << i;
        EXPECT_NE(rm.FindResource(RES_LIST_SPRITE, ("after" + std::to_string(i)).c_str()), nullptr) << i;
    }
    EXPECT_EQ(Log(), Lines{});
    EXPECT_EQ(rm.FindResource(RES_LIST_SCRIPT, "rs_chain0.res"), nullptr);
    // An include at the very end of the text names nothing.
    auto end = Load("rs_inc_end.res", "Sprite x { }\nInclude");
    EXPECT_NE(end->FindResource(RES_LIST_SPRITE, "x"), nullptr);
    EXPECT_EQ(Errors("rs_inc_end.res"), (Lines{"rs_inc_end.res, line 2: Script '<EOF>' not found."}));
}

TEST_F(ResourceParser, LongNamesAreCutAndReported) {
    std::string longName(200, 'n');
    auto rm = Load("rs_long.res", "Sprite " + longName + " { texture = " + std::string(150, 't') + " }\n");
    ResourceManager* m = rm.get();
    auto* s = Rec<SpriteRecord>(m, RES_LIST_SPRITE, std::string(127, 'n').c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s->texname), std::string(127, 't'));
    EXPECT_EQ(Errors("rs_long.res"),
              (Lines{"rs_long.res, line 1: Resource name '" + std::string(127, 'n') + "' is cut to 127 characters.",
                     "rs_long.res, line 1: Name '" + std::string(127, 't') + "' is cut to 127 characters."}));
    // A getter refuses a name that no record can hold.
    platform::headless::ClearDebugOutput();
    EXPECT_EQ(m->GetSprite(longName.c_str()), nullptr);
    EXPECT_EQ(m->GetResource(longName.c_str()), nullptr);
    EXPECT_EQ(m->GetStringTable(longName.c_str()), nullptr);
    EXPECT_EQ(m->FindResource(RES_LIST_STRINGTABLE, std::string(127, 'n').c_str()), nullptr);
}

TEST_F(ResourceParser, TheGameScriptParsesCleanly) {
    std::string path = std::string(FW_TEST_DATA_DIR) + "/../data/tamble.res";
    platform::headless::ClearDebugOutput();
    ResourceManager rm(path.c_str());
    for (const std::string& l : Log()) EXPECT_EQ(l.find(", line "), std::string::npos) << l;
    auto* w2 = Rec<SpriteRecord>(&rm, RES_LIST_SPRITE, "wagon2");
    ASSERT_NE(w2, nullptr);
    EXPECT_STREQ(w2->texname, "world");
    EXPECT_NE(rm.FindResource(RES_LIST_FONT, "c64"), nullptr);
}
