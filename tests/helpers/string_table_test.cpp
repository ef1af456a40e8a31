#include <gtest/gtest.h>

#include <string>

#include "engine/engine_impl.h"
#include "engine/helpers/string_table.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

class StringTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateEngine(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        platform::headless::SetDebugEcho(false);
        platform::headless::ClearDebugOutput();
    }
    void TearDown() override {
        platform::headless::SetDebugEcho(true);
        engine->System_Release();
    }

    // Writes the table file; the test fails when the resource layer cannot read it.
    std::string Write(const std::string& name, const std::string& text) {
        std::string file = helpers_test::WriteAppFile("helpers_st_" + helpers_test::TestName() + "_" + name + ".txt", text);
        if (!helpers_test::ResourceLayerReads(engine, file)) {
            skipped = true;
        }
        return file;
    }

    bool LoggedFormatError(const std::string& file) {
        std::string want = "String table " + file + " has incorrect format.";
        for (const std::string& line : platform::headless::DebugLines())
            if (line == want) return true;
        return false;
    }

    Engine* engine = nullptr;
    bool skipped = false;
};

#define FAIL_IF_UNREADABLE() \
    if (skipped) FAIL() << "Resource_Load cannot read the test file"

}  // namespace

TEST_F(StringTableTest, LookupIsExactAndLaterEntriesShadow) {
    std::string f = Write("basic",
                          "[ZEVSTRINGTABLE]\r\n"
                          "greeting = \"Hello\"\r\n"
                          "; a comment line \"with quotes\" = x\r\n"
                          "  name=\"first\"\n"
                          "name\t=\t\"second\"\n"
                          "semi = \"a;b\"\n");
    FAIL_IF_UNREADABLE();
    StringTable t(f.c_str());
    EXPECT_STREQ(t.GetString("greeting"), "Hello");
    EXPECT_EQ(t.GetString("Greeting"), nullptr);
    EXPECT_STREQ(t.GetString("name"), "second");
    EXPECT_STREQ(t.GetString("semi"), "a;b");
    EXPECT_EQ(t.GetString("missing"), nullptr);
    EXPECT_EQ(t.GetString(nullptr), nullptr);
    int n = 0;
    for (StringTableEntry* e = t.entries; e; e = e->next) n++;
    EXPECT_EQ(n, 4);
    EXPECT_FALSE(LoggedFormatError(f));
}

TEST_F(StringTableTest, EscapesAndJoinedLines) {
    std::string f = Write("escapes",
                          "[ZEVSTRINGTABLE]\n"
                          "nl = \"one\\ntwo\"\n"
                          "quote = \"say \\\"hi\\\" \\\\ \\x\"\n"
                          "joined = \"first line   \n"
                          "          second line\"\n"
                          "lf = \"a\\\n"
                          "   b\"\n"
                          "crlf = \"a\\\r\n"
                          "   b\"\r\n");
    FAIL_IF_UNREADABLE();
    StringTable t(f.c_str());
    EXPECT_STREQ(t.GetString("nl"), "one\ntwo");
    EXPECT_STREQ(t.GetString("quote"), "say \"hi\" \\ x");
    EXPECT_STREQ(t.GetString("joined"), "first line second line");
    EXPECT_STREQ(t.GetString("lf"), "a\n   b");
    EXPECT_STREQ(t.GetString("crlf"), "a b");
}

TEST_F(StringTableTest, LongNamesAreCutAndLongValuesKeptWhole) {
    std::string name70(70, 'n');
    std::string value(8191, 'v');
    std::string huge(20000, 'h');
    std::string f = Write("long", "[ZEVSTRINGTABLE]\n" + name70 + " = \"x\"\nv = \"" + value + "\"\nh = \"" + huge +
                                      "\"\nafter = \"ok\"\n");
    FAIL_IF_UNREADABLE();
    StringTable t(f.c_str());
    EXPECT_STREQ(t.GetString(name70.substr(0, 63).c_str()), "x");
    EXPECT_EQ(t.GetString(name70.c_str()), nullptr);
    EXPECT_EQ(std::string(t.GetString("v")), value);
    // Values beyond the scratch are cut; reading goes on after them.
    EXPECT_EQ(std::string(t.GetString("h")), huge.substr(0, 8191));
    EXPECT_STREQ(t.GetString("after"), "ok");
}

TEST_F(StringTableTest, UnclosedValueEndsTheFile) {
    std::string f = Write("unclosed", "[ZEVSTRINGTABLE]\na = \"1\"\nb = \"runs on\n  c = 3");
    std::string g = Write("backslash", "[ZEVSTRINGTABLE]\na = \"x\\");
    FAIL_IF_UNREADABLE();
    StringTable t(f.c_str());
    EXPECT_STREQ(t.GetString("a"), "1");
    EXPECT_STREQ(t.GetString("b"), "runs on c = 3");
    EXPECT_EQ(t.GetString("c"), nullptr);
    StringTable u(g.c_str());
    EXPECT_STREQ(u.GetString("a"), "x");  // a backslash at the very end gives nothing
}

TEST_F(StringTableTest, FormatErrorsKeepEarlierEntries) {
    std::string f = Write("noeq", "[ZEVSTRINGTABLE]\na = \"1\"\nb c = \"2\"\nd = \"4\"\n");
    std::string g = Write("noquote", "[ZEVSTRINGTABLE]\na = \"1\"\nb = 2\"\n");
    FAIL_IF_UNREADABLE();
    StringTable t(f.c_str());
    EXPECT_STREQ(t.GetString("a"), "1");
    EXPECT_EQ(t.GetString("b"), nullptr);
    EXPECT_EQ(t.GetString("d"), nullptr);
    EXPECT_TRUE(LoggedFormatError(f));
    StringTable u(g.c_str());
    EXPECT_STREQ(u.GetString("a"), "1");
    EXPECT_EQ(u.GetString("b"), nullptr);
    EXPECT_TRUE(LoggedFormatError(g));
}

TEST_F(StringTableTest, HeaderIsRequired) {
    std::string bad = Write("lower", "[zevstringtable]\na = \"1\"\n");
    std::string shortf = Write("short", "[ZEVSTRING");
    std::string bare = Write("bare", "[ZEVSTRINGTABLE]");
    std::string dangling = Write("dangling", "[ZEVSTRINGTABLE]\na = \"1\"\nname_at_end");
    FAIL_IF_UNREADABLE();
    StringTable a(bad.c_str());
    EXPECT_EQ(a.entries, nullptr);
    EXPECT_TRUE(LoggedFormatError(bad));
    StringTable b(shortf.c_str());
    EXPECT_EQ(b.entries, nullptr);
    EXPECT_TRUE(LoggedFormatError(shortf));
    StringTable c(bare.c_str());
    EXPECT_EQ(c.entries, nullptr);
    EXPECT_FALSE(LoggedFormatError(bare));
    StringTable d(dangling.c_str());
    EXPECT_STREQ(d.GetString("a"), "1");
    EXPECT_EQ(d.GetString("name_at_end"), nullptr);
}

TEST_F(StringTableTest, MissingFileGivesAnEmptyTable) {
    int base = nRef;
    {
        StringTable t("helpers_st_does_not_exist.txt");
        EXPECT_EQ(nRef, base + 1);
        EXPECT_EQ(t.entries, nullptr);
        EXPECT_EQ(t.GetString("a"), nullptr);
    }
    EXPECT_EQ(nRef, base);
}
