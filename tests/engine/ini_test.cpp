#include <gtest/gtest.h>

#include <string>

#include "engine/engine_impl.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ReadAll;
using restest::ScratchFolder;

class Ini : public ::testing::Test {
protected:
    void SetUp() override {
        engine = static_cast<EngineImpl*>(CreateEngine(ENGINE_VERSION));
        ASSERT_NE(engine, nullptr);
    }
    void TearDown() override { engine->System_Release(); }
    EngineImpl* engine = nullptr;
};

TEST_F(Ini, WithoutIniFileReadsGiveDefaultsAndWritesNothing) {
    engine->Ini_SetInt("s", "i", 5);
    engine->Ini_SetFloat("s", "f", 1.5f);
    engine->Ini_SetString("s", "t", "x");
    EXPECT_EQ(engine->Ini_GetInt("s", "i", 42), 42);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("s", "f", 2.25f), 2.25f);
    const char* def = "fallback";
    char* got = engine->Ini_GetString("s", "t", def);
    EXPECT_STREQ(got, "fallback");
    EXPECT_EQ(got, engine->iniString);  // the engine's buffer, not the argument
    EXPECT_NE(static_cast<const char*>(got), def);
    EXPECT_STREQ(engine->Ini_GetString("s", "t", std::string(400, 'd').c_str()), std::string(255, 'd').c_str());
}

TEST_F(Ini, RoundTripsThroughTheApplicationFolder) {
    ScratchFolder dir("ini_rt");
    engine->System_SetStateString(STATE_INI_FILE, (dir.name() + "/game.ini").c_str());
    engine->Ini_SetInt("Game", "Level", -17);
    engine->Ini_SetFloat("Game", "Speed", 0.5f);
    engine->Ini_SetString("Player", "Name", "Ann Smith");
    EXPECT_EQ(ReadAll(dir.path() + "game.ini"), "[Game]\nLevel=-17\nSpeed=0.500000\n\n[Player]\nName=Ann Smith\n");

    EXPECT_EQ(engine->Ini_GetInt("game", "level", 0), -17);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("Game", "Speed", 9.0f), 0.5f);
    EXPECT_STREQ(engine->Ini_GetString("PLAYER", "NAME", "?"), "Ann Smith");
    EXPECT_EQ(engine->Ini_GetInt("Game", "Missing", 7), 7);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("Game", "Missing", -1.25f), -1.25f);
    EXPECT_STREQ(engine->Ini_GetString("Nope", "Name", "dflt"), "dflt");

    engine->Ini_SetInt("Game", "Level", 3);  // replaces
    EXPECT_EQ(engine->Ini_GetInt("Game", "Level", 0), 3);
}

TEST_F(Ini, NumberParsingRules) {
    ScratchFolder dir("ini_num");
    dir.Write("n.ini",
              "[n]\nletters=abc\nempty=\nlead=  +42xyz\nneg=-7\nhuge=99999999999999\nf1=1.5e2rest\n"
              "f2=.25\nfbad=x1\nfempty=\nquoted=\"12\"\nfhex=0x1A\nfinf=inf\nfnan=NaN\nfsign= -2.5E-1\n");
    engine->System_SetStateString(STATE_INI_FILE, (dir.name() + "\\N.INI").c_str());
    EXPECT_EQ(engine->Ini_GetInt("n", "letters", 5), 0);  // a value, not a number: 0
    EXPECT_EQ(engine->Ini_GetInt("n", "empty", 5), 5);    // an empty value: the default
    EXPECT_EQ(engine->Ini_GetInt("n", "lead", 5), 42);
    EXPECT_EQ(engine->Ini_GetInt("n", "neg", 5), -7);
    EXPECT_EQ(engine->Ini_GetInt("n", "huge", 5), 2147483647);
    EXPECT_EQ(engine->Ini_GetInt("n", "quoted", 5), 12);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "f1", 1.0f), 150.0f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "f2", 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "fbad", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "fempty", 1.0f), 1.0f);
    // Only decimal numbers count: no hexadecimal, infinity or NaN.
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "fhex", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "finf", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "fnan", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(engine->Ini_GetFloat("n", "fsign", 1.0f), -0.25f);
    EXPECT_STREQ(engine->Ini_GetString("n", "empty", "dflt"), "");  // texts: empty stays empty
}

TEST_F(Ini, UnwritableFileAndClearedName) {
    ScratchFolder dir("ini_bad");
    engine->System_SetStateString(STATE_INI_FILE, (dir.name() + "\\nofolder\\x.ini").c_str());
    engine->Ini_SetInt("s", "k", 1);  // lost without a word
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 9), 9);
    engine->System_SetStateString(STATE_INI_FILE, (dir.name() + "\\x.ini").c_str());
    engine->Ini_SetInt("s", "k", 1);
    engine->System_SetStateString(STATE_INI_FILE, nullptr);
    EXPECT_EQ(engine->Ini_GetInt("s", "k", 9), 9);
    EXPECT_STREQ(engine->Ini_GetString("s", "k", nullptr), "");
}

TEST_F(Ini, NameTooLongForAPathIsRefusedAndKeepsTheFile) {
    ScratchFolder dir("ini_long");
    engine->System_SetStateString(STATE_INI_FILE, (dir.name() + "\\keep.ini").c_str());
    engine->Ini_SetInt("s", "k", 1);
    const std::string kept = engine->System_GetStateString(STATE_INI_FILE);
    // Together with the application folder the name passes the path limit, relative or not.
    for (const std::string& name : {std::string(300, 'n'), std::string(MAX_PATH - 1, 'r'), "\\" + std::string(280, 'a')}) {
        engine->System_SetStateString(STATE_INI_FILE, name.c_str());
        ASSERT_NE(engine->System_GetStateString(STATE_INI_FILE), nullptr);
        EXPECT_EQ(engine->System_GetStateString(STATE_INI_FILE), kept);
        EXPECT_EQ(engine->Ini_GetInt("s", "k", 9), 1);
    }
    // The log-file name follows the same rule.
    engine->System_SetStateString(STATE_LOG_FILE, (dir.name() + "\\log.txt").c_str());
    const std::string log = engine->System_GetStateString(STATE_LOG_FILE);
    engine->System_SetStateString(STATE_LOG_FILE, std::string(300, 'n').c_str());
    ASSERT_NE(engine->System_GetStateString(STATE_LOG_FILE), nullptr);
    EXPECT_EQ(engine->System_GetStateString(STATE_LOG_FILE), log);
}

}  // namespace
