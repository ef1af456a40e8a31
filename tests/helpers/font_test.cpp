#include <gtest/gtest.h>

#include <string>

#include "engine/engine_impl.h"
#include "engine/helpers/font.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

// Glyphs a to e (8 wide, 10 high, post 1) and '?' (6 wide), without a bitmap.
const char kBasic[] =
    "[ZEVFONT]\r\n"
    "Char = \"a\", 0, 0, 8, 10, 0, 1\r\n"
    "Char = 62, 8, 0, 8, 10, 0, 1\r\n"
    "Char = \"c\", 16, 0, 8, 10, 0, 1\n"
    "Char = \"d\", 24, 0, 8, 10, 0, 1\n"
    "Char = \"e\", 32, 0, 8, 10, 0, 1\n"
    "Char = 3F, 40, 0, 6, 4, 0, 0\n";

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateEngine(ENGINE_VERSION);
        platform::headless::SetDebugEcho(false);
        platform::headless::ClearDebugOutput();
    }
    void TearDown() override {
        platform::headless::SetDebugEcho(true);
        engine->System_Release();
    }

    std::string Write(const std::string& name, const std::string& text) {
        std::string file = helpers_test::WriteAppFile("helpers_font_" + helpers_test::TestName() + "_" + name + ".fnt", text);
        if (!helpers_test::ResourceLayerReads(engine, file)) skipped = true;
        return file;
    }

    bool Logged(const std::string& want) {
        for (const std::string& line : platform::headless::DebugLines())
            if (line == want) return true;
        return false;
    }

    int GlyphCount(const Font& f) {
        int n = 0;
        for (Sprite* g : f.glyphs) n += g != nullptr;
        return n;
    }

    Engine* engine = nullptr;
    bool skipped = false;
};

#define FAIL_IF_UNREADABLE() \
    if (skipped) FAIL() << "Resource_Load cannot read the test file"

float X0(const Font& f, unsigned char c) { return f.glyphs[c]->quad.v[0].x; }
float Y0(const Font& f, unsigned char c) { return f.glyphs[c]->quad.v[0].y; }

}  // namespace

TEST_F(FontTest, HeaderMustBeTheWholeFirstLine) {
    std::string space = Write("space", "[ZEVFONT] \nChar = \"a\", 0, 0, 8, 8, 0, 0\n");
    std::string empty = Write("empty", "\n[ZEVFONT]\nChar = \"a\", 0, 0, 8, 8, 0, 0\n");
    std::string nothing = Write("nothing", "");
    FAIL_IF_UNREADABLE();
    for (const std::string& f : {space, empty}) {
        Font font(f.c_str());
        EXPECT_EQ(GlyphCount(font), 0) << f;
        EXPECT_EQ(font.texture, nullptr);
        EXPECT_TRUE(Logged("Font " + f + " has incorrect format.")) << f;
        font.Render(0, 0, ALIGN_LEFT, "a");  // an empty font draws nothing and survives
        EXPECT_EQ(font.TextWidth("abc"), 0.0f);
    }
    Font none(nothing.c_str());
    EXPECT_EQ(GlyphCount(none), 0);
}

TEST_F(FontTest, MissingDescriptionGivesAnEmptyFont) {
    int base = nRef;
    {
        Font font("helpers_font_missing.fnt");
        EXPECT_EQ(nRef, base + 1);
        EXPECT_EQ(GlyphCount(font), 0);
        font.Printf(0, 0, ALIGN_CENTER, "%d", 5);
        font.PrintfWrapped(0, 0, 10, 10, ALIGN_MIDDLE, "a b");
    }
    EXPECT_EQ(nRef, base);
}

TEST_F(FontTest, CharLines) {
    std::string f = Write("chars",
                          "[ZEVFONT]\n"
                          "Char = 41, 1, 2, 3, 4, 5, 6\n"
                          "Char=\"B\",1,2,3,4,5,6\n"
                          "Char =  \" \" , 7, 8, 9, 10, -1, -2\n"
                          "Char = \"\"\", 0, 0, 2, 2, 0, 0\n"
                          "Char = 6a, 0, 0, 5, 30, 0, 0\n"
                          "Char = 1A0, 0, 0, 8, 99, 0, 0\n"        // code 416: skipped
                          "Char = 100, 0, 0, 8, 99, 0, 0\n"        // code 256: skipped
                          "Char = fF, 0, 0, 8, 2, 0, 0\n"
                          "Char = 0000000000000041, 9, 9, 9, 9, 9, 9\n"  // still 0x41: replaces
                          "Char = \"C\", 1, 2, 3\n"                // too few numbers: skipped
                          "Char \"D\" 1, 2, 3, 4, 5, 6\n"          // no '=': skipped
                          "Char = \"E\n"                          // line ends early: skipped
                          "Char = zz, 0, 0, 1, 1, 0, 0\n"          // letters that are no digits: skipped
                          "Char = , 0, 0, 1, 1, 0, 0\n"            // no digit: code 0
                          "Unknown line\n"
                          "Bitmap =\n");                           // no name: skipped
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    ASSERT_NE(font.glyphs['A'], nullptr);
    EXPECT_EQ(font.glyphs['A']->rectX, 9.0f);
    EXPECT_EQ(font.pre['A'], 9.0f);
    ASSERT_NE(font.glyphs['B'], nullptr);
    EXPECT_EQ(font.glyphs['B']->rectX, 1.0f);
    EXPECT_EQ(font.glyphs['B']->rectY, 2.0f);
    EXPECT_EQ(font.glyphs['B']->width, 3.0f);
    EXPECT_EQ(font.glyphs['B']->height, 4.0f);
    EXPECT_EQ(font.pre['B'], 5.0f);
    EXPECT_EQ(font.post['B'], 6.0f);
    ASSERT_NE(font.glyphs[' '], nullptr);
    EXPECT_EQ(font.post[' '], -2.0f);
    EXPECT_NE(font.glyphs['"'], nullptr);
    EXPECT_NE(font.glyphs['j'], nullptr);
    EXPECT_NE(font.glyphs[0], nullptr);
    EXPECT_EQ(font.glyphs['C'], nullptr);
    EXPECT_EQ(font.glyphs['D'], nullptr);
    EXPECT_EQ(font.glyphs['E'], nullptr);
    EXPECT_NE(font.glyphs[0xFF], nullptr);
    EXPECT_EQ(GlyphCount(font), 7);
    EXPECT_EQ(font.height, 30.0f);  // the skipped 99 does not count
    EXPECT_EQ(font.texture, nullptr);
}

TEST_F(FontTest, BitmapIsLookedForBesideTheDescription) {
    const std::string top = "helpers_font_" + helpers_test::TestName();
    helpers_test::MakeAppFolder(top);
    helpers_test::MakeAppFolder(top + "/fonts");
    const std::string desc = "[ZEVFONT]\nBitmap = big.png\n";
    Write("x", desc);  // checks that the resource layer reads files
    FAIL_IF_UNREADABLE();
    helpers_test::WriteAppFile(top + "/fonts/big.fnt", desc);
    struct Case {
        std::string description, bitmap;
    } cases[] = {
        {top + "\\fonts\\big.fnt", top + "\\fonts\\big.png"},
        {top + "\\fonts/big.fnt", top + "\\big.png"},  // the last backslash decides
        {top + "/fonts/big.fnt", top + "/fonts/big.png"},
    };
    for (const Case& c : cases) {
        platform::headless::ClearDebugOutput();
        Font font(c.description.c_str());
        EXPECT_FALSE(Logged("Font " + c.description + " has incorrect format.")) << c.description;
        EXPECT_TRUE(Logged("Can't load resource: " + c.bitmap)) << c.description;
    }
    helpers_test::WriteAppFile(top + ".fnt", desc);  // no folder at all
    platform::headless::ClearDebugOutput();
    Font bare((top + ".fnt").c_str());
    EXPECT_TRUE(Logged("Can't load resource: big.png"));
}

TEST_F(FontTest, TextWidth) {
    std::string f = Write("basic", kBasic);
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    font.SetScale(2);
    EXPECT_EQ(font.TextWidth("ab"), 36.0f);
    EXPECT_EQ(font.TextWidth("ab\nabcd", false), 36.0f);
    EXPECT_EQ(font.TextWidth("ab\nabcd", true), 72.0f);
    EXPECT_EQ(font.TextWidth("ab\r\n\r\nabcd\n\n", true), 72.0f);
    EXPECT_EQ(font.TextWidth("", true), 0.0f);
    font.SetScale(1);
    font.SetTracking(2);
    font.SetProportion(0.5f);
    EXPECT_EQ(font.TextWidth("ab"), 11.0f);
    // Unknown bytes are drawn as '?' (6 wide), bytes above 127 included.
    font.SetTracking(0);
    font.SetProportion(1);
    EXPECT_EQ(font.TextWidth("a\x01\xFF"), 9.0f + 6.0f + 6.0f);
}

TEST_F(FontTest, UnknownCharactersWithoutQuestionMarkAreLeftOut) {
    std::string f = Write("noq", "[ZEVFONT]\nChar = \"a\", 0, 0, 8, 10, 0, 0\n");
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    EXPECT_EQ(font.TextWidth("aXa"), 16.0f);
    font.Render(10, 0, ALIGN_LEFT, "Xa");
    EXPECT_EQ(X0(font, 'a'), 10.0f);
}

TEST_F(FontTest, RenderAlignsEachLineAndAdvancesWholePixels) {
    std::string f = Write("basic", kBasic);
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    font.SetScale(1.5f);
    font.Render(0, 0, ALIGN_LEFT, "a\nb\nc");
    EXPECT_EQ(Y0(font, 'b'), 15.0f);
    EXPECT_EQ(Y0(font, 'c'), 30.0f);
    font.SetScale(1.25f);
    font.Render(0, 0, ALIGN_LEFT, "a\nb\nc");
    EXPECT_EQ(Y0(font, 'b'), 12.0f);
    EXPECT_EQ(Y0(font, 'c'), 24.0f);
    font.SetSpacing(2);
    font.SetScale(1);
    font.Render(0, 0, ALIGN_LEFT, "a\nb");
    EXPECT_EQ(Y0(font, 'b'), 20.0f);

    font.SetSpacing(1);
    // "abcd" is 36 wide: right-aligned it ends on x, centred it starts at x - 18.
    font.Render(100, 0, ALIGN_RIGHT, "abcd\ne");
    EXPECT_EQ(X0(font, 'a'), 64.0f);
    EXPECT_EQ(X0(font, 'd'), 91.0f);
    EXPECT_EQ(X0(font, 'e'), 91.0f);
    font.Render(100, 0, ALIGN_CENTER, "abcd\ne");
    EXPECT_EQ(X0(font, 'a'), 82.0f);
    EXPECT_EQ(X0(font, 'e'), 96.0f);  // 9 / 2 truncated to 4
    font.Render(100, 0, 3, "ab");    // 3 acts as left
    EXPECT_EQ(X0(font, 'a'), 100.0f);
}

TEST_F(FontTest, CentreTruncatesTheHalfWidth) {
    std::string f = Write("wide", "[ZEVFONT]\nChar = \"w\", 0, 0, 37, 10, 0, 0\n");
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    font.Render(100, 0, ALIGN_CENTER, "w");
    EXPECT_EQ(X0(font, 'w'), 82.0f);
}

TEST_F(FontTest, PreTrackingAndColour) {
    std::string f = Write("pre", "[ZEVFONT]\nChar = \"a\", 0, 0, 8, 10, 2, 1\nChar = \"b\", 0, 0, 8, 10, 3, 0\n");
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    font.SetTracking(1);
    font.SetScale(2);
    font.Render(0, 0, ALIGN_LEFT, "ab");
    EXPECT_EQ(X0(font, 'a'), 4.0f);           // pre 2 scaled
    EXPECT_EQ(X0(font, 'b'), 4 + 20 + 6.0f);  // a's width, post and tracking, then b's pre
    font.SetColor(0x80FF0000);
    font.SetZ(0.1f);
    font.SetBlendMode(BLENDMODE_COLORADD);
    EXPECT_EQ(font.glyphs['b']->GetColor(3), 0x80FF0000u);
    EXPECT_EQ(font.glyphs['a']->quad.v[2].z, 0.1f);
    EXPECT_EQ(font.glyphs['a']->quad.blend, BLENDMODE_COLORADD);
    EXPECT_EQ(font.GetColor(), 0x80FF0000u);
}

TEST_F(FontTest, PrintfCutsAt1023Characters) {
    std::string f = Write("basic", kBasic);
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    std::string text = std::string(1022, 'a') + "b" + std::string(500, 'c');
    font.Printf(0, 5, ALIGN_LEFT, "%s", text.c_str());
    EXPECT_EQ(X0(font, 'b'), 1022 * 9.0f);
    EXPECT_EQ(Y0(font, 'b'), 5.0f);
    EXPECT_EQ(Y0(font, 'c'), 0.0f);  // never drawn
    font.Printf(0, 7, ALIGN_LEFT, "%s%d", "c", 42);
    EXPECT_EQ(Y0(font, 'c'), 7.0f);
}

TEST_F(FontTest, PrintfWrapped) {
    std::string f = Write("basic", kBasic);
    FAIL_IF_UNREADABLE();
    Font font(f.c_str());
    // Too narrow for two words: one word a line.
    font.PrintfWrapped(0, 0, 20, 100, ALIGN_LEFT, "aa bb cc");
    EXPECT_EQ(Y0(font, 'a'), 0.0f);
    EXPECT_EQ(Y0(font, 'b'), 10.0f);
    EXPECT_EQ(Y0(font, 'c'), 20.0f);
    // Two words fit (18 + ? + 18 = 42 with the space as '?').
    font.PrintfWrapped(0, 0, 42, 100, ALIGN_LEFT, "aa bb cc");
    EXPECT_EQ(Y0(font, 'b'), 0.0f);
    EXPECT_EQ(Y0(font, 'c'), 10.0f);
    // A word wider than the box stays whole on one line; bottom alignment counts one line.
    font.PrintfWrapped(0, 0, 10, 100, ALIGN_BOTTOM, "aaaa");
    EXPECT_EQ(Y0(font, 'a'), 90.0f);
    EXPECT_EQ(X0(font, 'a'), 27.0f);
    // Middle: three lines of 10 in a box of 45 start at trunc(15 / 2) = 7.
    font.PrintfWrapped(0, 0, 20, 45, ALIGN_MIDDLE | ALIGN_CENTER, "aa bb\ncc");
    EXPECT_EQ(Y0(font, 'a'), 7.0f);
    EXPECT_EQ(Y0(font, 'c'), 27.0f);
    EXPECT_EQ(X0(font, 'c'), 10.0f);  // centred on x + 10: 18 wide, starts at 1
    // Right: lines end at x + w.
    font.PrintfWrapped(0, 0, 50, 100, ALIGN_RIGHT, "a");
    EXPECT_EQ(X0(font, 'a'), 41.0f);
    // Text taller than the box overhangs it upward when bottom-aligned.
    font.PrintfWrapped(0, 0, 1, 15, ALIGN_BOTTOM, "a b c");
    EXPECT_EQ(Y0(font, 'a'), -15.0f);
}

TEST_F(FontTest, ReadLine) {
    char line[256];
    const char* text = "one\r\n\r\ntwo\nthree";
    const char* p = Font::ReadLine(text, line);
    EXPECT_STREQ(line, "one");
    p = Font::ReadLine(p, line);
    EXPECT_STREQ(line, "two");
    p = Font::ReadLine(p, line);
    EXPECT_STREQ(line, "three");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, 0);
    EXPECT_EQ(Font::ReadLine(p, line), nullptr);
    std::string longLine(400, 'x');
    std::string both = longLine + "\nnext";
    p = Font::ReadLine(both.c_str(), line);
    EXPECT_EQ(std::string(line), std::string(255, 'x'));
    EXPECT_STREQ(p, "next");
}
