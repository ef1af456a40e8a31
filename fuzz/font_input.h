// Font descriptions: read from a file, then text measured and drawn.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include "engine/helpers/font.h"
#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int FontInput(Engine* engine, const uint8_t* data, size_t size) {
    static const std::string name = InputName("font") + ".fnt";
    if (!WriteInput(name, data, size)) return 0;
    {
        Font font(name.c_str());
        static char all[256];
        for (int i = 1; i < 256; i++) all[i - 1] = char(i);
        font.TextWidth(all, true);
        if (engine->Gfx_BeginScene()) {
            font.Render(10, 10, 0, "Hello, trail!\nTWO lines 0123 ?");
            font.Render(160, 100, 2, all);
            font.PrintfWrapped(0, 0, 120, 80, 1, "%s %d", "wrapped text of the font", 42);
            engine->Gfx_EndScene();
        }
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
