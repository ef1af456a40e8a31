// The names under which the game fetches its pictures, font and sound effects from the
// resource manager, and the start-up checks that the resource script declares each of them
// and that each can be drawn.
#pragma once

#include <cstddef>

class ResourceManager;

// The game's resource script.
inline constexpr const char* RESOURCE_SCRIPT = "data\\tamble.res";

// Sprites.
inline constexpr const char* SPRITE_TITLE = "title1";
inline constexpr const char* SPRITE_TITLE_OVERLAY = "title2";
inline constexpr const char* SPRITE_LEFT_ARROW = "left_arrow";
inline constexpr const char* SPRITE_START_LABEL = "ind_text";
inline constexpr const char* SPRITE_CITY_LABEL = "el_morvane_text";
// By feature type; null for the types drawn without a picture.
inline constexpr int FEATURE_SPRITE_COUNT = 8;
inline constexpr const char* SPRITE_FEATURES[FEATURE_SPRITE_COUNT] = {
    "independence_missouri", "el_morvane", nullptr, nullptr, "tree", "town", "hut", "store"};
// By portrait index (the guide's last), and the grave of a dead member.
inline constexpr int PORTRAIT_COUNT = 6;
inline constexpr const char* SPRITE_PORTRAITS[PORTRAIT_COUNT] = {"portrait1", "portrait2", "portrait3",
                                                                 "portrait4", "portrait5", "portrait6"};
inline constexpr const char* SPRITE_DEAD = "portrait_dead";
// The wagon's two wheel frames.
inline constexpr const char* SPRITE_WAGON[2] = {"wagon1", "wagon2"};

// The font of every text.
inline constexpr const char* FONT_TEXT = "c64";

// Sound effects.
inline constexpr const char* SOUND_GOOD = "good";
inline constexpr const char* SOUND_BAD = "bad";
inline constexpr const char* SOUND_CLICK = "click1";
inline constexpr int GRUNT_COUNT = 5;
inline constexpr const char* SOUND_GRUNTS[GRUNT_COUNT] = {"grunt1", "grunt2", "grunt3", "grunt4", "grunt5"};
inline constexpr int HIT_COUNT = 4;
inline constexpr const char* SOUND_HITS[HIT_COUNT] = {"hit1", "hit2", "hit3", "hit4"};

// The first of the names above, in their order, that the manager's script does not declare
// in its kind: true with the kind's word ("sprite", "font" or "sound") and the name; false
// when the script declares every one.
bool FindUndeclaredResource(ResourceManager* rm, const char** kind, const char** name);

// Once every declared resource has loaded, the first of the game's sprites and font, in the
// order above, that cannot be drawn: a sprite without its picture, or a font without its
// bitmap or without a glyph of a character from ' ' to '~'. True with the cause, naming the
// file or the script, in text; false when every one can be drawn.
bool FindUnusableResource(ResourceManager* rm, char* text, size_t size);
