// The game's bitmap font: 95 glyphs of 5 by 8 ink cells, codes 0x20 to 0x7E.
#pragma once

namespace assets {

struct GlyphArt {
    char code;
    const char* rows[8];
};

const GlyphArt* FindGlyph(char c);
int GlyphCount();
const GlyphArt& GlyphAt(int i);

constexpr int kGlyphWidth = 6;   // 5 ink columns and one blank
constexpr int kGlyphHeight = 8;

}  // namespace assets
