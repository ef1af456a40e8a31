// Text drawn on the headless device, compared with golden pictures; and the font's bitmap
// lookup, which needs textures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "engine/helpers/font.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

// 3 by 5 ink cells on a 4 by 6 grid; each glyph is 3 by 6 with one blank row below.
struct Art {
    char code;
    const char* rows[5];
};
const Art kArt[] = {
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}}, {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}}, {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {".##", "#..", "#.#", "#.#", ".##"}}, {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}}, {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    {'L', {"#..", "#..", "#..", "#..", "###"}}, {'M', {"#.#", "###", "###", "#.#", "#.#"}},
    {'N', {"##.", "#.#", "#.#", "#.#", "#.#"}}, {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    {'P', {"##.", "#.#", "##.", "#..", "#.."}}, {'Q', {".#.", "#.#", "#.#", "##.", ".##"}},
    {'R', {"##.", "#.#", "##.", "#.#", "#.#"}}, {'S', {".##", "#..", ".#.", "..#", "##."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}}, {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'W', {"#.#", "#.#", "###", "###", "#.#"}}, {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"##.", "..#", ".#.", "#..", "###"}}, {'?', {"##.", "..#", ".#.", "...", ".#."}},
    {' ', {"...", "...", "...", "...", "..."}},
};
const int kPerRow = 16;

// Writes the font picture and its description into a folder of the application folder.
std::string WriteFont(const std::string& folder) {
    helpers_test::MakeAppFolder(folder);
    d3d9test::Image img;
    img.width = 64;
    img.height = 16;
    img.pixels.assign(64 * 16, 0);
    std::string desc = "[ZEVFONT]\nBitmap = glyphs.png\n";
    int i = 0;
    for (const Art& a : kArt) {
        int cx = (i % kPerRow) * 4, cy = (i / kPerRow) * 6;
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 3; x++)
                if (a.rows[y][x] == '#') img.pixels[(cy + y) * 64 + cx + x] = 0xFFFFFFFF;
        char line[64];
        std::snprintf(line, sizeof(line), "Char = \"%c\", %d, %d, 3, 6, 0, 1\n", a.code, cx, cy);
        desc += line;
        i++;
    }
    helpers_test::SavePng(helpers_test::AppFolder() + folder + "/glyphs.png", img);
    helpers_test::WrittenPaths().push_back(helpers_test::AppFolder() + folder + "/glyphs.png");
    return helpers_test::WriteAppFile(folder + "/font.fnt", desc);
}

class FontGolden : public ::testing::Test {
protected:
    void SetUp() override {
        platform::headless::Reset();
        d3d9test::ResetControls();
        platform::headless::SetDebugEcho(false);
        engine = CreateEngine(ENGINE_VERSION);
    }
    void TearDown() override {
        if (started) engine->System_Shutdown();
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
    }

    bool Start(int w, int h) {
        std::string why;
        if (!helpers_test::StartGraphics(engine, w, h, &why)) {
            reason = why;
            return false;
        }
        started = true;
        folder = "helpers_fontgold_" + helpers_test::TestName();
        file = WriteFont(folder);
        if (!helpers_test::ResourceLayerReads(engine, file)) {
            reason = "Resource_Load cannot read an existing file";
            return false;
        }
        return true;
    }

    Engine* engine = nullptr;
    bool started = false;
    std::string reason;
    std::string file;
    std::string folder;
};

#define START_OR_SKIP(w, h) \
    if (!Start(w, h)) FAIL() << "graphics not available: " << reason

void Frame(Engine* e, float x, float y, float w, float h) {
    e->Gfx_RenderLine(x, y, x + w, y, 0xFF3060A0);
    e->Gfx_RenderLine(x + w, y, x + w, y + h, 0xFF3060A0);
    e->Gfx_RenderLine(x + w, y + h, x, y + h, 0xFF3060A0);
    e->Gfx_RenderLine(x, y + h, x, y, 0xFF3060A0);
}

}  // namespace

TEST_F(FontGolden, BitmapBesideTheDescription) {
    START_OR_SKIP(32, 32);
    Font font(file.c_str());
    ASSERT_NE(font.texture, nullptr);
    ASSERT_NE(font.glyphs['A'], nullptr);
    EXPECT_EQ(font.glyphs['A']->quad.tex, font.texture);
    EXPECT_EQ(font.height, 6.0f);

    // A bitmap that cannot be loaded ends reading; the glyphs before it stay, untextured.
    std::string bad = helpers_test::WriteAppFile(
        folder + "/bad.fnt", "[ZEVFONT]\nChar = \"A\", 0, 0, 3, 5, 0, 1\nBitmap = missing.png\nChar = \"B\", 4, 0, 3, 5, 0, 1\n");
    platform::headless::ClearDebugOutput();
    Font broken(bad.c_str());
    EXPECT_EQ(broken.texture, nullptr);
    EXPECT_NE(broken.glyphs['A'], nullptr);
    EXPECT_EQ(broken.glyphs['B'], nullptr);
    bool logged = false;
    for (const std::string& l : platform::headless::DebugLines())
        logged |= l.find(folder) != std::string::npos && l.find("missing.png") != std::string::npos;
    EXPECT_TRUE(logged) << "the texture layer names the bitmap it looked for";

    // Glyph rectangles outside the texture, or turned inside out, are kept and drawn safely.
    std::string odd = helpers_test::WriteAppFile(
        folder + "/odd.fnt", "[ZEVFONT]\nBitmap = glyphs.png\nChar = \"A\", 1000, -1000, 3, 6, 0, 1\n"
                             "Char = \"B\", 60, 10, 30, 30, 0, 1\nChar = \"C\", 8, 8, -4, -6, 0, 1\n");
    Font outside(odd.c_str());
    ASSERT_NE(outside.texture, nullptr);
    EXPECT_NE(outside.glyphs['A'], nullptr);
    EXPECT_NE(outside.glyphs['C'], nullptr);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    outside.Render(2, 2, ALIGN_LEFT, "ABC\nCBA");
    outside.SetScale(1e30f);
    outside.Render(0, 0, ALIGN_CENTER, "AB");
    engine->Gfx_EndScene();
}

TEST_F(FontGolden, AlignmentsLinesAndColour) {
    START_OR_SKIP(128, 64);
    Font font(file.c_str());
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    engine->Gfx_RenderLine(64, 0, 64, 64, 0xFF404040);
    font.Render(2, 2, ALIGN_LEFT, "LEFT");
    font.Render(126, 2, ALIGN_RIGHT, "RIGHT");
    font.Render(64, 10, ALIGN_CENTER, "CENTER\nTWO LINES\nX");
    font.SetColor(0xFFFF4040);
    font.Printf(2, 34, ALIGN_LEFT, "RED %d", 12);
    font.SetColor(0xFF40FF40);
    font.Render(126, 34, ALIGN_RIGHT, "GREEN\nRIGHT");
    font.SetColor(0x80FFFFFF);
    font.Render(64, 50, ALIGN_CENTER, "HALF ?");
    engine->Gfx_EndScene();
    ASSERT_TRUE(helpers_test::MatchesGolden(helpers_test::Capture(engine), "helpers_font_align"));
}

TEST_F(FontGolden, WrapSpacingTrackingScaleAndRotation) {
    START_OR_SKIP(160, 96);
    Font font(file.c_str());
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);

    Frame(engine, 2, 2, 60, 40);
    font.PrintfWrapped(2, 2, 60, 40, ALIGN_LEFT | ALIGN_TOP, "THE QUICK BROWN FOX %d", 21);
    Frame(engine, 66, 2, 44, 40);
    font.PrintfWrapped(66, 2, 44, 40, ALIGN_CENTER | ALIGN_MIDDLE, "WRAP INTO A BOX");
    Frame(engine, 114, 2, 44, 40);
    font.PrintfWrapped(114, 2, 44, 40, ALIGN_RIGHT | ALIGN_BOTTOM, "SOME TEXT AT THE BOTTOM");

    font.SetScale(2);
    font.Render(2, 46, ALIGN_LEFT, "BIG");
    font.SetScale(1);
    font.SetProportion(2);
    font.Render(40, 46, ALIGN_LEFT, "WIDE");
    font.SetProportion(1);
    font.SetTracking(2);
    font.Render(80, 46, ALIGN_LEFT, "TRACK");
    font.SetTracking(0);
    font.SetSpacing(2);
    font.Render(2, 60, ALIGN_LEFT, "SPACED\nLINES");
    font.SetSpacing(1);
    font.SetScale(1.5f);
    font.Render(60, 60, ALIGN_LEFT, "ONE\nHALF");
    font.SetScale(1);
    font.SetRotation(0.5f);
    font.Render(110, 60, ALIGN_LEFT, "TURN");
    engine->Gfx_EndScene();
    ASSERT_TRUE(helpers_test::MatchesGolden(helpers_test::Capture(engine), "helpers_font_layout"));
}
