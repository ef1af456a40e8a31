// The game's pictures: the title atlas, the world atlas and the font bitmap.
#pragma once

#include "tools/assets/canvas.h"

namespace assets {

// The palette: sixteen colours of an early home computer look.
namespace pal {
constexpr uint32_t Black = 0xFF000000, White = 0xFFFFFFFF, Red = 0xFF983828, Cyan = 0xFF70C8C8,
                   Purple = 0xFF8840A0, Green = 0xFF50A040, Blue = 0xFF383898, Yellow = 0xFFE0E070,
                   Orange = 0xFFA06020, Brown = 0xFF604010, Pink = 0xFFD07060, DarkGrey = 0xFF484848,
                   Grey = 0xFF808080, LightGreen = 0xFFA0E080, LightBlue = 0xFF7878E0,
                   LightGrey = 0xFFB8B8B8, Gold = 0xFFD8B030, Skin = 0xFFE0A878, Tan = 0xFFC89858;
}

// Draws text with the game font at an integer scale; returns the advance in pixels.
int DrawText(Canvas& c, int x, int y, const char* text, uint32_t colour, int scale = 1);
int TextWidth(const char* text, int scale = 1);

Canvas MakeFontBitmap();   // 128 x 64
Canvas MakeTitleAtlas();   // 512 x 256
Canvas MakeWorldAtlas();   // 512 x 256

}  // namespace assets
