// Text far wider or lines far taller than an int holds (huge scales or glyph sizes from a font
// description) are placed by the float rules, not by an out-of-range conversion to int.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "engine/helpers/font.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

class RegressFont : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateEngine(ENGINE_VERSION);
        platform::headless::SetDebugEcho(false);
    }
    void TearDown() override {
        helpers_test::RemoveAppFile(file);
        platform::headless::SetDebugEcho(true);
        engine->System_Release();
    }
    Engine* engine = nullptr;
    std::string file = "regress_font_wide.fnt";
};

TEST_F(RegressFont, CentredTextWiderThanAnIntStartsHalfItsWidthLeft) {
    helpers_test::WriteAppFile(file, "[ZEVFONT]\nChar = \"a\", 0, 0, 8, 10, 0, 0\n");
    if (!helpers_test::ResourceLayerReads(engine, file)) FAIL() << "Resource_Load cannot read " << file;
    Font font(file.c_str());
    ASSERT_NE(font.GetSprite('a'), nullptr);
    font.SetScale(1e6f);
    std::string text(1000, 'a');  // 8000 pixels, a million times: 8e9
    const float width = font.TextWidth(text.c_str());
    ASSERT_GT(width / 2, 2147483648.0f);
    font.Render(0, 0, ALIGN_CENTER, text.c_str());
    // The last glyph drawn starts one glyph width left of the right end, x + width / 2.
    EXPECT_NEAR(font.GetSprite('a')->quad.v[0].x, width / 2 - 8e6f, width * 1e-3f);

    // Lines more than an int apart.
    font.SetSpacing(1e4f);
    font.Render(0, 0, ALIGN_LEFT, "a\na");
    EXPECT_GT(font.GetSprite('a')->quad.v[0].y, 1e10f);
}

}  // namespace
