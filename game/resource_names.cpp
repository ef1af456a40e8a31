#include "game/resource_names.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/helpers/font.h"
#include "engine/helpers/res_font.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/resource_manager.h"
#include "game/globals.h"

namespace {

struct NameGroup {
    int list;  // RES_LIST_*
    const char* kind;
    const char* const* names;  // null entries are skipped
    int count;
};

const char* const kScreen[] = {SPRITE_TITLE, SPRITE_TITLE_OVERLAY, SPRITE_LEFT_ARROW, SPRITE_START_LABEL,
                               SPRITE_CITY_LABEL};
const char* const kCues[] = {SOUND_GOOD, SOUND_BAD, SOUND_CLICK};
const NameGroup kGroups[] = {
    {RES_LIST_SPRITE, "sprite", kScreen, 5},
    {RES_LIST_SPRITE, "sprite", SPRITE_FEATURES, FEATURE_SPRITE_COUNT},
    {RES_LIST_SPRITE, "sprite", SPRITE_PORTRAITS, PORTRAIT_COUNT},
    {RES_LIST_SPRITE, "sprite", &SPRITE_DEAD, 1},
    {RES_LIST_SPRITE, "sprite", SPRITE_WAGON, 2},
    {RES_LIST_FONT, "font", &FONT_TEXT, 1},
    {RES_LIST_SOUND, "sound", kCues, 3},
    {RES_LIST_SOUND, "sound", SOUND_GRUNTS, GRUNT_COUNT},
    {RES_LIST_SOUND, "sound", SOUND_HITS, HIT_COUNT},
};

// Why the font described by file has no bitmap. The engine's own error when the description or
// the bitmap it names cannot be read or made into a texture (the bitmap is tried once more for
// it), else what is wrong with the description, as the font reads it.
void FontCause(const char* file, char* text, size_t size) {
    DWORD bytes = 0;
    void* data = g_Engine->Resource_Load(file, &bytes);
    if (!data) {
        snprintf(text, size, "%s", g_Engine->System_GetErrorMessage());
        return;
    }
    const std::string desc(static_cast<const char*>(data), bytes);
    g_Engine->Resource_Free(data);

    char line[256];
    const char* p = Font::ReadLine(desc.c_str(), line);
    if (!p || std::strcmp(line, Font::kHeader) != 0) {
        snprintf(text, size, "Font %s has incorrect format.", file);
        return;
    }
    char path[Font::kPathSize];
    while ((p = Font::ReadLine(p, line)) != nullptr) {
        if (!Font::BitmapPath(line, file, path)) continue;
        if (TextureHandle tex = g_Engine->Texture_Load(path, 0, false)) {
            g_Engine->Texture_Free(tex);
            snprintf(text, size, "Can't create texture: %s", path);
        } else {
            snprintf(text, size, "%s", g_Engine->System_GetErrorMessage());
        }
        return;
    }
    snprintf(text, size, "Font %s names no bitmap", file);
}

}  // namespace

bool FindUndeclaredResource(ResourceManager* rm, const char** kind, const char** name) {
    for (const NameGroup& g : kGroups)
        for (int i = 0; i < g.count; ++i)
            if (g.names[i] && !rm->FindResource(g.list, g.names[i])) {
                *kind = g.kind;
                *name = g.names[i];
                return true;
            }
    return false;
}

bool FindUnusableResource(ResourceManager* rm, char* text, size_t size) {
    for (const NameGroup& g : kGroups) {
        if (g.list != RES_LIST_SPRITE) continue;
        for (int i = 0; i < g.count; ++i) {
            if (!g.names[i]) continue;
            Sprite* sprite = rm->GetSprite(g.names[i]);
            if (sprite && sprite->quad.tex) continue;
            auto* rec = static_cast<SpriteRecord*>(rm->FindResource(RES_LIST_SPRITE, g.names[i]));
            if (!rec || !rec->texname[0])
                snprintf(text, size, "Sprite '%s' names no texture in %s", g.names[i], RESOURCE_SCRIPT);
            else
                snprintf(text, size, "Can't find texture '%s' in %s", rec->texname, RESOURCE_SCRIPT);
            return true;
        }
    }

    auto* rec = static_cast<FontRecord*>(rm->FindResource(RES_LIST_FONT, FONT_TEXT));
    Font* font = rm->GetFont(FONT_TEXT);
    if (!rec || !font) {
        snprintf(text, size, "Can't find font '%s' in %s", FONT_TEXT, RESOURCE_SCRIPT);
        return true;
    }
    if (!font->texture) {
        FontCause(rec->filename, text, size);
        return true;
    }
    for (int c = ' '; c <= '~'; ++c)
        if (!font->GetSprite(static_cast<unsigned char>(c))) {
            snprintf(text, size, "Font %s has no character '%c'", rec->filename, c);
            return true;
        }
    return false;
}
