#include "engine/helpers/font.h"

#include <cstring>

Engine* Font::engine = nullptr;
char Font::buffer[1024];

Font::Font(const char* filename, bool mipmap) {
    engine = CreateEngine(ENGINE_VERSION);
    texture = 0;
    for (int i = 0; i < 256; i++) {
        glyphs[i] = nullptr;
        pre[i] = 0.0f;
        post[i] = 0.0f;
    }
    height = 0.0f;
    scale = 1.0f;
    proportion = 1.0f;
    rotation = 0.0f;
    tracking = 0.0f;
    spacing = 1.0f;
    colour = 0xFFFFFFFF;
    z = 0.5f;
    blend = BLENDMODE_DEFAULT;
    (void)filename;
    (void)mipmap;
}

Font::~Font() {
    for (Sprite*& g : glyphs) {
        delete g;
        g = nullptr;
    }
    if (texture) engine->Texture_Free(texture);
    engine->System_Release();
}

void Font::Render(float, float, int, const char*) {}
void Font::Printf(float, float, int, const char*, ...) {}
void Font::PrintfWrapped(float, float, float, float, int, const char*, ...) {}
float Font::TextWidth(const char*, bool) const { return 0.0f; }
void Font::SetColor(DWORD col) { colour = col; }
void Font::SetZ(float nz) { z = nz; }
void Font::SetBlendMode(int b) { blend = b; }
const char* Font::ReadLine(const char*, char* line) {
    line[0] = 0;
    return nullptr;
}
