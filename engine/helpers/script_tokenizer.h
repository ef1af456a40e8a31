// Tokenizer of resource scripts: cuts one script text into tokens, counts lines and writes
// the parsers' error lines to the engine log.
#pragma once

#include "engine/engine.h"

// Token codes. Command words are 11..23, parameter words 26..49, blend words 52..57,
// mode words 58..63.
enum ScriptToken {
    TOKEN_END = 1,
    TOKEN_NUMBER = 2,
    TOKEN_STRING = 3,
    TOKEN_BOOL = 4,
    TOKEN_EQUAL = 5,
    TOKEN_COLON = 6,
    TOKEN_COMMA = 7,
    TOKEN_LBRACE = 8,
    TOKEN_RBRACE = 9,

    CMD_INCLUDE = 11,
    RES_RESOURCE = 12,
    RES_TEXTURE = 13,
    RES_SOUND = 14,
    RES_MUSIC = 15,
    RES_STREAM = 16,
    RES_TARGET = 17,
    RES_SPRITE = 18,
    RES_ANIMATION = 19,
    RES_FONT = 20,
    RES_PARTICLE = 21,
    RES_DISTORTION = 22,
    RES_STRINGTABLE = 23,

    PAR_FILENAME = 26,
    PAR_RESGROUP = 27,
    PAR_MIPMAP = 28,
    PAR_GENALPHA = 29,
    PAR_AMPLIFY = 30,
    PAR_SIZE = 31,
    PAR_ZBUFFER = 32,
    PAR_TEXTURE = 33,
    PAR_RECT = 34,
    PAR_HOTSPOT = 35,
    PAR_BLENDMODE = 36,
    PAR_COLOR = 37,
    PAR_ZORDER = 38,
    PAR_FLIP = 39,
    PAR_SCALE = 40,
    PAR_PROPORTION = 41,
    PAR_ROTATION = 42,
    PAR_FRAMES = 43,
    PAR_FPS = 44,
    PAR_MODE = 45,
    PAR_TRACKING = 46,
    PAR_SPACING = 47,
    PAR_SPRITE = 48,
    PAR_MESH = 49,

    BLEND_COLORMUL = 52,
    BLEND_COLORADD = 53,
    BLEND_ALPHABLEND = 54,
    BLEND_ALPHAADD = 55,
    BLEND_ZWRITE = 56,
    BLEND_NOZWRITE = 57,

    MODE_FORWARD = 58,
    MODE_REVERSE = 59,
    MODE_PINGPONG = 60,
    MODE_NOPINGPONG = 61,
    MODE_LOOP = 62,
    MODE_NOLOOP = 63,

    TOKEN_CIRCLE = 64,
    TOKEN_RECT = 65,
    TOKEN_ALPHA = 66
};

#define TOKEN_FIRST_COMMAND CMD_INCLUDE
#define TOKEN_LAST_COMMAND RES_STRINGTABLE
#define TOKEN_FIRST_PARAM PAR_FILENAME
#define TOKEN_LAST_PARAM PAR_MESH

// Longest token text kept; longer tokens are consumed whole and their text is cut.
#define TOKEN_MAX_TEXT 127

class ScriptTokenizer {
public:
    // name and text stay owned by the caller and must outlive the tokenizer.
    ScriptTokenizer(const char* name, const char* text);
    ~ScriptTokenizer();

    ScriptTokenizer(const ScriptTokenizer&) = delete;
    ScriptTokenizer& operator=(const ScriptTokenizer&) = delete;

    int GetToken();
    void PutBack();

    const char* TokenText() const { return text; }
    int TokenInt() const;
    float TokenFloat() const;
    bool TokenBool() const;
    DWORD TokenHex() const;
    // True when the current token was longer than TOKEN_MAX_TEXT and its text was cut.
    bool TokenCut() const { return cut; }
    int TokenCode() const { return code; }

    void Error(const char* prefix, const char* suffix) const;

    int Line() const { return line; }
    const char* Name() const { return name; }

private:
    static bool KeywordDiffers(const char* keyword, const char* position);
    void Take(const char* start, const char* end);

    int code;
    char text[TOKEN_MAX_TEXT + 1];
    const char* position;
    const char* name;
    int line;
    // Characters the current token consumed (the quotes of a string included), for PutBack.
    int scanned;
    bool cut;

    static Engine* engine;
};
