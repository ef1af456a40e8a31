#include "tools/assets/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/assets/font_glyphs.h"

namespace assets {

int TextWidth(const char* text, int scale) {
    return static_cast<int>(std::strlen(text)) * kGlyphWidth * scale - scale;
}

int DrawText(Canvas& c, int x, int y, const char* text, uint32_t colour, int scale) {
    int cx = x;
    for (const char* p = text; *p; ++p) {
        const GlyphArt* g = FindGlyph(*p);
        if (!g) g = FindGlyph('?');
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < 5; ++col)
                if (g->rows[row][col] == '#') c.Fill(cx + col * scale, y + row * scale, scale, scale, colour);
        cx += kGlyphWidth * scale;
    }
    return cx - x;
}

Canvas MakeFontBitmap() {
    Canvas c(128, 64);
    for (int i = 0; i < GlyphCount(); ++i) {
        const GlyphArt& g = GlyphAt(i);
        int idx = static_cast<unsigned char>(g.code) - 0x20;
        int x = 8 * (idx % 16), y = 10 * (idx / 16);
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < 5; ++col)
                if (g.rows[row][col] == '#') c.Set(x + col, y + row, pal::White);
    }
    return c;
}

namespace {

using namespace pal;

void Triangle(Canvas& c, int x0, int y0, int x1, int y1, int x2, int y2, uint32_t colour) {
    int minx = std::min({x0, x1, x2}), maxx = std::max({x0, x1, x2});
    int miny = std::min({y0, y1, y2}), maxy = std::max({y0, y1, y2});
    auto edge = [](int ax, int ay, int bx, int by, int px, int py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    int area = edge(x0, y0, x1, y1, x2, y2);
    for (int y = miny; y <= maxy; ++y)
        for (int x = minx; x <= maxx; ++x) {
            int w0 = edge(x1, y1, x2, y2, x, y), w1 = edge(x2, y2, x0, y0, x, y), w2 = edge(x0, y0, x1, y1, x, y);
            bool in = area >= 0 ? (w0 >= 0 && w1 >= 0 && w2 >= 0) : (w0 <= 0 && w1 <= 0 && w2 <= 0);
            if (in) c.Set(x, y, colour);
        }
}

// A wooden building: walls, a roof, a door and windows. (x, y) is the bottom-left corner.
void House(Canvas& c, int x, int y, int w, int h, uint32_t wall, uint32_t roof, bool falseFront) {
    c.Fill(x, y - h, w, h, wall);
    for (int j = y - h + 2; j < y; j += 3) c.Fill(x, j, w, 1, Brown);  // planks
    if (falseFront) {
        c.Fill(x - 1, y - h - 6, w + 2, 6, wall);
        c.Fill(x - 1, y - h - 7, w + 2, 1, roof);
    } else {
        Triangle(c, x - 2, y - h, x + w + 1, y - h, x + w / 2, y - h - w / 2, roof);
    }
    c.Fill(x + w / 2 - 2, y - 8, 5, 8, Black);  // door
    c.Fill(x + 2, y - h + 4, 4, 4, Yellow);      // windows
    c.Fill(x + w - 6, y - h + 4, 4, 4, Yellow);
}

void Tepee(Canvas& c, int cx, int y, int h, uint32_t skin, uint32_t band) {
    Triangle(c, cx - h / 2, y - 1, cx + h / 2, y - 1, cx, y - h, skin);
    c.Fill(cx - h / 4, y - h / 2, h / 2 + 1, 2, band);
    Triangle(c, cx - 3, y - 1, cx + 3, y - 1, cx, y - 9, Black);  // opening
    c.Line(cx, y - h, cx - 4, y - h - 5, Brown);                // poles
    c.Line(cx, y - h, cx + 4, y - h - 5, Brown);
    c.Line(cx, y - h, cx, y - h - 6, Brown);
}

void Wheel(Canvas& c, int cx, int cy, double phase) {
    c.Ring(cx, cy, 13, Brown);
    c.Ring(cx, cy, 12, Orange);
    for (int k = 0; k < 4; ++k) {
        double a = phase + k * M_PI / 4;
        int dx = static_cast<int>(std::lround(std::cos(a) * 11)), dy = static_cast<int>(std::lround(std::sin(a) * 11));
        c.Line(cx - dx, cy - dy, cx + dx, cy + dy, Brown);
    }
    c.Disc(cx, cy, 2, DarkGrey);
}

// The wagon faces west; the hot spot (32, 34) is the axle midpoint.
Canvas Wagon(double phase) {
    Canvas c(64, 48);
    c.Line(0, 35, 10, 29, Brown);  // tongue
    c.Line(0, 36, 10, 30, Brown);
    c.Fill(6, 20, 52, 9, Orange);  // bed
    c.Fill(6, 20, 52, 1, Tan);
    c.Fill(6, 28, 52, 1, Brown);
    for (int x = 10; x < 58; x += 8) c.Fill(x, 21, 1, 7, Brown);
    // white cover over hoops
    for (int x = 9; x <= 54; ++x) {
        double t = (x - 31.5) / 23.0;
        int top = 2 + static_cast<int>(std::lround(8 * t * t));
        c.Fill(x, top, 1, 20 - top, White);
    }
    for (int x = 12; x < 54; x += 10) c.Fill(x, 5, 1, 15, LightGrey);
    c.Fill(9, 19, 46, 1, LightGrey);
    Wheel(c, 18, 34, phase);
    Wheel(c, 46, 34, phase);
    return c;
}

void Face(Canvas& c, int x, int y, uint32_t skin) {
    c.Fill(x + 4, y + 4, 8, 8, skin);
    c.Set(x + 6, y + 7, Black);
    c.Set(x + 9, y + 7, Black);
    c.Fill(x + 7, y + 10, 2, 1, Red);
}

Canvas Portraits() {
    // Seven 16 x 16 pictures side by side at a pitch of 20.
    Canvas c(140, 16);
    // Pa: brown hat and beard
    Face(c, 0, 0, Skin);
    c.Fill(2, 2, 12, 2, Brown);
    c.Fill(4, 0, 8, 2, Brown);
    c.Fill(4, 11, 8, 3, Orange);
    c.Fill(3, 14, 10, 2, Blue);
    // Ma: bonnet
    Face(c, 20, 0, Skin);
    c.Fill(22, 1, 12, 3, LightBlue);
    c.Fill(22, 4, 2, 8, LightBlue);
    c.Fill(32, 4, 2, 8, LightBlue);
    c.Fill(23, 13, 10, 3, Purple);
    // Boobell: pigtails, pink dress
    Face(c, 40, 0, Skin);
    c.Fill(44, 2, 8, 2, Yellow);
    c.Fill(41, 5, 3, 5, Yellow);
    c.Fill(52, 5, 3, 5, Yellow);
    c.Fill(43, 13, 10, 3, Pink);
    // John-Boy: cap and dark hair
    Face(c, 60, 0, Skin);
    c.Fill(63, 2, 10, 3, Red);
    c.Fill(72, 4, 3, 1, Red);
    c.Fill(64, 5, 1, 3, Brown);
    c.Fill(63, 13, 10, 3, Green);
    // Zeke: grey hair and long grey beard
    Face(c, 80, 0, Skin);
    c.Fill(83, 2, 10, 2, LightGrey);
    c.Fill(83, 4, 1, 5, LightGrey);
    c.Fill(92, 4, 1, 5, LightGrey);
    c.Fill(84, 11, 8, 4, LightGrey);
    c.Fill(83, 15, 10, 1, DarkGrey);
    // Twofeathers: black hair, headband and two feathers
    Face(c, 100, 0, Tan);
    c.Fill(103, 3, 10, 2, Black);
    c.Fill(103, 5, 1, 7, Black);
    c.Fill(112, 5, 1, 7, Black);
    c.Fill(103, 5, 10, 1, Red);
    c.Fill(110, 0, 1, 4, White);
    c.Fill(112, 0, 1, 4, White);
    c.Set(110, 0, Red);
    c.Set(112, 0, Red);
    c.Fill(103, 13, 10, 3, Orange);
    // The dead: a grave marker on a mound
    c.Fill(126, 2, 4, 11, LightGrey);
    c.Fill(123, 5, 10, 3, LightGrey);
    c.Fill(121, 13, 14, 3, Brown);
    return c;
}

void Blit(Canvas& dst, const Canvas& src, int x, int y, int sx = 0, int sy = 0, int w = -1, int h = -1) {
    if (w < 0) w = src.width;
    if (h < 0) h = src.height;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            uint32_t p = src.Get(sx + i, sy + j);
            if (p >> 24) dst.Set(x + i, y + j, p);
        }
}

}  // namespace

Canvas MakeTitleAtlas() {
    Canvas c(512, 256);
    const char* name = "FAREWANDER";
    const int scale = 4;
    int tw = TextWidth(name, scale);
    int tx = (292 - tw) / 2, ty = 14;

    // title1: a wooden sign with mountains and the lettering in shadow.
    c.Fill(0, 0, 292, 120, Brown);
    c.Fill(2, 2, 288, 116, Orange);
    c.Fill(4, 4, 284, 112, Brown);
    for (int y = 8; y < 112; y += 6) c.Fill(6, y, 280, 1, 0xFF503008);
    for (int x = 6; x < 286; ++x) {  // mountain range along the bottom
        int h = 18 + static_cast<int>(10 * std::sin(x * 0.045) + 6 * std::sin(x * 0.13));
        c.Fill(x, 112 - h, 1, h, Purple);
        if (h > 26) c.Fill(x, 112 - h, 1, 3, White);
    }
    c.Fill(6, 106, 280, 6, Green);
    DrawText(c, tx + 3, ty + 3, name, Black, scale);
    DrawText(c, tx, ty, name, Red, scale);
    const char* sub = "a journey west";
    DrawText(c, (292 - TextWidth(sub)) / 2, 56, sub, Tan);
    const char* hint = "press Left to start";
    DrawText(c, (292 - TextWidth(hint)) / 2, 70, hint, LightGrey);

    // title2: the lettering alone, in white, drawn over title1 in the blinking colour.
    DrawText(c, tx, 124 + ty, name, White, scale);

    // left arrow, 24 x 16 at (300, 0)
    Triangle(c, 300, 8, 310, 0, 310, 15, Yellow);
    c.Fill(310, 5, 14, 6, Yellow);
    c.Fill(311, 6, 12, 4, Orange);
    Triangle(c, 302, 8, 309, 3, 309, 13, Orange);
    return c;
}

Canvas MakeWorldAtlas() {
    Canvas c(512, 256);
    const int groundY = 80;  // every feature picture stands on its rect's bottom edge

    // start town (0, 0): three false-front buildings and a flag
    {
        Canvas t(112, 80);
        House(t, 4, groundY, 30, 30, Tan, Red, true);
        House(t, 40, groundY, 32, 38, Orange, Red, true);
        House(t, 78, groundY, 28, 28, Tan, Brown, false);
        t.Fill(56, 20, 1, 22, LightGrey);
        t.Fill(57, 20, 10, 6, Red);
        t.Fill(57, 22, 10, 2, White);
        Blit(c, t, 0, 0);
    }
    // the lost city (116, 0): a golden stepped temple, at most 72 px tall
    {
        Canvas t(112, 80);
        for (int s = 0; s < 6; ++s) {
            int w = 100 - s * 16, h = 10;
            t.Fill(56 - w / 2, groundY - (s + 1) * h, w, h, s % 2 ? Gold : Yellow);
            t.Fill(56 - w / 2, groundY - (s + 1) * h, w, 1, White);
        }
        t.Fill(50, groundY - 70, 12, 8, Gold);
        t.Fill(52, groundY - 12, 8, 12, Black);
        Blit(c, t, 116, 0);
    }
    // town (232, 0): a dark band 32 to 48 px above the ground keeps its white name readable
    {
        Canvas t(112, 80);
        House(t, 6, groundY, 34, 46, Brown, Red, true);
        House(t, 44, groundY, 30, 50, DarkGrey, Brown, true);
        House(t, 78, groundY, 30, 40, Brown, Red, false);
        Blit(c, t, 232, 0);
    }
    // tribe (348, 0): three tepees and a fire
    {
        Canvas t(112, 80);
        Tepee(t, 24, groundY, 40, Tan, Red);
        Tepee(t, 86, groundY, 36, Tan, Blue);
        Tepee(t, 56, groundY, 48, LightGrey, Orange);
        t.Fill(40, groundY - 4, 6, 4, Red);
        t.Fill(41, groundY - 7, 4, 3, Yellow);
        Blit(c, t, 348, 0);
    }
    // store (0, 84): one big building with a sign
    {
        Canvas t(112, 80);
        House(t, 14, groundY, 84, 40, Tan, Red, true);
        t.Fill(30, groundY - 54, 52, 11, Black);
        DrawText(t, 42, groundY - 52, "STORE", Yellow);
        t.Fill(24, groundY - 20, 12, 12, Orange);  // barrels and sacks
        t.Fill(80, groundY - 14, 10, 14, White);
        Blit(c, t, 0, 84);
    }
    // tree (116, 84)
    {
        Canvas t(112, 80);
        t.Fill(52, groundY - 30, 8, 30, Brown);
        t.Disc(56, groundY - 44, 22, Green);
        t.Disc(46, groundY - 50, 12, LightGreen);
        Blit(c, t, 116, 84);
    }
    // start-town label (232, 84), 128 x 16
    {
        c.Fill(232 + 22, 84 + 1, 84, 13, Brown);
        c.Fill(232 + 23, 84 + 2, 82, 11, Tan);
        DrawText(c, 232 + 22 + (84 - TextWidth("TRAILHEAD")) / 2, 84 + 4, "TRAILHEAD", Black);
    }
    // city label (232, 104), 128 x 16, white so the game can tint it
    {
        const char* label = "EL MORVANE";
        DrawText(c, 232 + (128 - TextWidth(label, 2)) / 2, 104 + 1, label, White, 2);
    }
    // wagon frames (0, 168) and (68, 168)
    Blit(c, Wagon(0.0), 0, 168);
    Blit(c, Wagon(M_PI / 8), 68, 168);
    // portraits (136 + 20k, 168); the dead at (256, 168)
    Blit(c, Portraits(), 136, 168);
    return c;
}

}  // namespace assets
