#include "game/resource_names.h"

#include "engine/helpers/resource_manager.h"

namespace {

struct NameGroup {
    int list;  // RES_LIST_*
    const char* kind;
    const char* const* names;  // null entries are skipped
    int count;
};

}  // namespace

bool FindUndeclaredResource(ResourceManager* rm, const char** kind, const char** name) {
    const char* const screen[] = {SPRITE_TITLE, SPRITE_TITLE_OVERLAY, SPRITE_LEFT_ARROW, SPRITE_START_LABEL,
                                  SPRITE_CITY_LABEL};
    const char* const cues[] = {SOUND_GOOD, SOUND_BAD, SOUND_CLICK};
    const NameGroup groups[] = {
        {RES_LIST_SPRITE, "sprite", screen, 5},
        {RES_LIST_SPRITE, "sprite", SPRITE_FEATURES, FEATURE_SPRITE_COUNT},
        {RES_LIST_SPRITE, "sprite", SPRITE_PORTRAITS, PORTRAIT_COUNT},
        {RES_LIST_SPRITE, "sprite", &SPRITE_DEAD, 1},
        {RES_LIST_SPRITE, "sprite", SPRITE_WAGON, 2},
        {RES_LIST_FONT, "font", &FONT_TEXT, 1},
        {RES_LIST_SOUND, "sound", cues, 3},
        {RES_LIST_SOUND, "sound", SOUND_GRUNTS, GRUNT_COUNT},
        {RES_LIST_SOUND, "sound", SOUND_HITS, HIT_COUNT},
    };
    for (const NameGroup& g : groups)
        for (int i = 0; i < g.count; ++i)
            if (g.names[i] && !rm->FindResource(g.list, g.names[i])) {
                *kind = g.kind;
                *name = g.names[i];
                return true;
            }
    return false;
}
