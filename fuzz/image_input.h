// Image files (PNG, JPEG, BMP and the other formats the loader knows) decoded from memory by
// D3DXCreateTextureFromFileInMemoryEx, through the engine's texture loading, then read back.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int ImageInput(Engine* engine, const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    TextureHandle tex = engine->Texture_Load(reinterpret_cast<const char*>(data), DWORD(size), false);
    if (tex) {
        int w = engine->Texture_GetWidth(tex, true), h = engine->Texture_GetHeight(tex, true);
        if (DWORD* px = engine->Texture_Lock(tex, true)) {
            volatile DWORD sink = px[0];
            if (w > 0 && h > 0) sink = px[(h - 1) * engine->Texture_GetWidth(tex) + w - 1];
            (void)sink;
            engine->Texture_Unlock(tex);
        }
        engine->Texture_Free(tex);
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
