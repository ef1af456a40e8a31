#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/helpers/script_tokenizer.h"
#include "platform/backend/headless.h"

namespace {

using Tok = std::pair<int, std::string>;

std::vector<Tok> Tokens(const char* text) {
    ScriptTokenizer tz("t.res", text);
    std::vector<Tok> out;
    for (int i = 0; i < 1000; i++) {
        int code = tz.GetToken();
        if (code == TOKEN_END) break;
        out.emplace_back(code, tz.TokenText());
    }
    return out;
}

class TokenizerLog : public ::testing::Test {
protected:
    void SetUp() override {
        platform::headless::SetDebugEcho(false);
        platform::headless::ClearDebugOutput();
    }
    void TearDown() override { platform::headless::SetDebugEcho(true); }
    std::vector<std::string> Lines() { return platform::headless::DebugLines(); }
};

}  // namespace

TEST(ScriptTokenizer, EmptyAndCommentOnlyTextsEndAtOnceAndForEver) {
    for (const char* text : {"", "   \t\r\n", "; only a comment", ";a\r\n;b\n  ; c"}) {
        ScriptTokenizer tz("t", text);
        EXPECT_EQ(tz.TokenCode(), 0);
        EXPECT_STREQ(tz.TokenText(), "");
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(tz.GetToken(), TOKEN_END) << text;
            EXPECT_STREQ(tz.TokenText(), "");
        }
        tz.PutBack();
        EXPECT_EQ(tz.GetToken(), TOKEN_END);
    }
}

TEST(ScriptTokenizer, KeywordsMatchAsPrefixesInTableOrder) {
    EXPECT_EQ(Tokens("sizex"), (std::vector<Tok>{{PAR_SIZE, "size"}, {TOKEN_STRING, "x"}}));
    EXPECT_EQ(Tokens("texture1"), (std::vector<Tok>{{PAR_TEXTURE, "texture"}, {TOKEN_NUMBER, "1"}}));
    EXPECT_EQ(Tokens("truex"), (std::vector<Tok>{{TOKEN_BOOL, "true"}, {TOKEN_STRING, "x"}}));
    EXPECT_EQ(Tokens("ALPHAX"), (std::vector<Tok>{{TOKEN_ALPHA, "ALPHA"}, {TOKEN_STRING, "X"}}));
    EXPECT_EQ(Tokens("ALPHABLEND ALPHAADD"),
              (std::vector<Tok>{{BLEND_ALPHABLEND, "ALPHABLEND"}, {BLEND_ALPHAADD, "ALPHAADD"}}));
    EXPECT_EQ(Tokens("Texture texture TEXTURE"),
              (std::vector<Tok>{{RES_TEXTURE, "Texture"}, {PAR_TEXTURE, "texture"}, {TOKEN_STRING, "TEXTURE"}}));
    EXPECT_EQ(Tokens("Sprite sprite RECT rect CIRCLE"),
              (std::vector<Tok>{{RES_SPRITE, "Sprite"},
                                {PAR_SPRITE, "sprite"},
                                {TOKEN_RECT, "RECT"},
                                {PAR_RECT, "rect"},
                                {TOKEN_CIRCLE, "CIRCLE"}}));
    EXPECT_EQ(Tokens("a:b={c,d}"), (std::vector<Tok>{{TOKEN_STRING, "a"},
                                                      {TOKEN_COLON, ":"},
                                                      {TOKEN_STRING, "b"},
                                                      {TOKEN_EQUAL, "="},
                                                      {TOKEN_LBRACE, "{"},
                                                      {TOKEN_STRING, "c"},
                                                      {TOKEN_COMMA, ","},
                                                      {TOKEN_STRING, "d"},
                                                      {TOKEN_RBRACE, "}"}}));
}

TEST(ScriptTokenizer, NumbersAndHexRuns) {
    EXPECT_EQ(Tokens("80FF8040"), (std::vector<Tok>{{TOKEN_STRING, "80FF"}, {TOKEN_NUMBER, "8040"}}));
    EXPECT_EQ(Tokens("00FF00FF"), (std::vector<Tok>{{TOKEN_STRING, "00FF"}, {TOKEN_STRING, "00FF"}}));
    EXPECT_EQ(Tokens("FF8040C0"), (std::vector<Tok>{{TOKEN_STRING, "FF8040C0"}}));
    EXPECT_EQ(Tokens("1a"), (std::vector<Tok>{{TOKEN_STRING, "1a"}}));
    EXPECT_EQ(Tokens("-1.5e3"), (std::vector<Tok>{{TOKEN_STRING, "-1.5e"}, {TOKEN_NUMBER, "3"}}));
    EXPECT_EQ(Tokens("1.2.3 - 1-2"),
              (std::vector<Tok>{{TOKEN_NUMBER, "1.2.3"}, {TOKEN_NUMBER, "-"}, {TOKEN_NUMBER, "1-2"}}));
}

TEST(ScriptTokenizer, BareWordsStringsAndComments) {
    EXPECT_EQ(Tokens("a;b"), (std::vector<Tok>{{TOKEN_STRING, "a;b"}}));
    EXPECT_EQ(Tokens("x\"y ; c\nz"), (std::vector<Tok>{{TOKEN_STRING, "x\"y"}, {TOKEN_STRING, "z"}}));
    EXPECT_EQ(Tokens("\"a b{}=:,\" \"\""), (std::vector<Tok>{{TOKEN_STRING, "a b{}=:,"}, {TOKEN_STRING, ""}}));
    EXPECT_EQ(Tokens("\"open"), (std::vector<Tok>{{TOKEN_STRING, "open"}}));
}

TEST(ScriptTokenizer, LineCounting) {
    {
        ScriptTokenizer tz("t", ";x\r\nword");
        EXPECT_EQ(tz.GetToken(), TOKEN_STRING);
        EXPECT_EQ(tz.Line(), 2);
    }
    {
        // An LF that ends an unclosed string is consumed with it and not counted.
        ScriptTokenizer tz("t", "\"abc\nnext\nlast");
        EXPECT_EQ(tz.GetToken(), TOKEN_STRING);
        EXPECT_STREQ(tz.TokenText(), "abc");
        tz.GetToken();
        EXPECT_STREQ(tz.TokenText(), "next");
        EXPECT_EQ(tz.Line(), 1);
        tz.GetToken();
        EXPECT_EQ(tz.Line(), 2);
    }
    {
        // Ended by the CR of a CR LF the line still counts.
        ScriptTokenizer tz("t", "\"abc\r\nnext");
        tz.GetToken();
        tz.GetToken();
        EXPECT_STREQ(tz.TokenText(), "next");
        EXPECT_EQ(tz.Line(), 2);
    }
}

TEST(ScriptTokenizer, PutBackRescansTheSameToken) {
    const char* text = "Texture 12.5 word \"quoted string\" } ";
    ScriptTokenizer tz("t", text);
    for (int i = 0; i < 5; i++) {
        int code = tz.GetToken();
        std::string txt = tz.TokenText();
        tz.PutBack();
        EXPECT_EQ(tz.GetToken(), code);
        EXPECT_EQ(txt, tz.TokenText());
    }
    EXPECT_EQ(tz.GetToken(), TOKEN_END);
}

TEST(ScriptTokenizer, LongTokensAreCutAndConsumedWhole) {
    std::string longWord(300, 'w');
    std::string text = longWord + " \"" + std::string(200, 'q') + "\" next";
    ScriptTokenizer tz("t", text.c_str());
    EXPECT_EQ(tz.GetToken(), TOKEN_STRING);
    EXPECT_EQ(std::string(tz.TokenText()), std::string(127, 'w'));
    EXPECT_TRUE(tz.TokenCut());
    tz.PutBack();
    tz.GetToken();
    EXPECT_EQ(std::string(tz.TokenText()), std::string(127, 'w'));
    EXPECT_EQ(tz.GetToken(), TOKEN_STRING);
    EXPECT_EQ(std::string(tz.TokenText()), std::string(127, 'q'));
    EXPECT_EQ(tz.GetToken(), TOKEN_STRING);
    EXPECT_STREQ(tz.TokenText(), "next");
    EXPECT_FALSE(tz.TokenCut());
}

TEST(ScriptTokenizer, ValueReaders) {
    struct Case {
        const char* text;
        int i;
        float f;
        bool b;
    };
    for (const Case& c : {Case{"42", 42, 42.0f, false}, Case{"-7.5", -7, -7.5f, false},
                          Case{"true", 0, 0.0f, true}, Case{"\"t\"", 0, 0.0f, true},
                          Case{"True", 0, 0.0f, true}, Case{"TRUE", 0, 0.0f, true},
                          Case{"false", 0, 0.0f, false}, Case{"yes", 0, 0.0f, false},
                          Case{"\"1e2\"", 1, 100.0f, false}, Case{"\"  12abc\"", 12, 12.0f, false},
                          Case{"\"inf\"", 0, 0.0f, false}, Case{"\"0x10\"", 0, 0.0f, false},
                          Case{"99999999999999", 2147483647, 99999999999999.0f, false},
                          Case{"-99999999999999", -2147483647 - 1, -99999999999999.0f, false}}) {
        ScriptTokenizer tz("t", c.text);
        tz.GetToken();
        EXPECT_EQ(tz.TokenInt(), c.i) << c.text;
        EXPECT_FLOAT_EQ(tz.TokenFloat(), c.f) << c.text;
        EXPECT_EQ(tz.TokenBool(), c.b) << c.text;
    }
    ScriptTokenizer big("t", "\"1e999\" \"-1e999\"");
    big.GetToken();
    EXPECT_FLOAT_EQ(big.TokenFloat(), 3.40282347e38f);
    big.GetToken();
    EXPECT_FLOAT_EQ(big.TokenFloat(), -3.40282347e38f);
}

TEST(ScriptTokenizer, TokenHex) {
    struct Case {
        const char* text;
        DWORD value;
    };
    for (const Case& c : {Case{"\"FFFFFFFF\"", 0xFFFFFFFFu}, Case{"ff", 0xFFu}, Case{"\"\"", 0u},
                          Case{"\"123456789A\"", 0x3456789Au}, Case{"\"80ff8040\"", 0x80FF8040u},
                          Case{"\"G\"", 0xFu}, Case{"\"g\"", 0xFu}, Case{"\"h\"", 0xAu}, Case{"\":\"", 0xAu}}) {
        ScriptTokenizer tz("t", c.text);
        tz.GetToken();
        EXPECT_EQ(tz.TokenHex(), c.value) << c.text;
    }
}

TEST_F(TokenizerLog, ErrorLineFormat) {
    ScriptTokenizer tz("data\\x.res", "\n\n  bad");
    tz.GetToken();
    tz.Error("Unrecognized resource specificator ", ".");
    tz.GetToken();
    tz.Error("'}' missed, ", " encountered.");
    ScriptTokenizer empty("e.res", "\"\"");
    empty.GetToken();
    empty.Error("A ", " b");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"data\\x.res, line 3: Unrecognized resource specificator 'bad'.",
                                                  "data\\x.res, line 3: '}' missed, '<EOF>' encountered.",
                                                  "e.res, line 1: A '<EOF>' b"}));
}

TEST(ScriptTokenizer, BinaryGarbageNeverReadsPastTheEnd) {
    unsigned seed = 12345;
    for (int round = 0; round < 200; round++) {
        std::string text;
        int len = round % 64;
        for (int i = 0; i < len; i++) {
            seed = seed * 1103515245u + 12345u;
            char c = char((seed >> 16) & 0xFF);
            text += c ? c : 'x';
        }
        ScriptTokenizer tz("t", text.c_str());
        int n = 0;
        while (tz.GetToken() != TOKEN_END) {
            ASSERT_LE(++n, len) << "every token consumes at least one character";
            tz.TokenHex();
            tz.TokenFloat();
        }
    }
}
