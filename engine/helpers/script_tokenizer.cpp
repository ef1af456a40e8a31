#include "engine/helpers/script_tokenizer.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cstdlib>
#include <cstring>

Engine* ScriptTokenizer::engine = 0;

namespace {

struct Keyword {
    const char* word;
    int code;
};

// Tried in this order; the first row that is a prefix of the text wins.
const Keyword keywords[] = {
    {"=", TOKEN_EQUAL},
    {":", TOKEN_COLON},
    {",", TOKEN_COMMA},
    {"{", TOKEN_LBRACE},
    {"}", TOKEN_RBRACE},
    {"true", TOKEN_BOOL},
    {"false", TOKEN_BOOL},

    {"Include", CMD_INCLUDE},
    {"Resource", RES_RESOURCE},
    {"Texture", RES_TEXTURE},
    {"Sound", RES_SOUND},
    {"Music", RES_MUSIC},
    {"Stream", RES_STREAM},
    {"Target", RES_TARGET},
    {"Sprite", RES_SPRITE},
    {"Animation", RES_ANIMATION},
    {"Font", RES_FONT},
    {"Particle", RES_PARTICLE},
    {"Distortion", RES_DISTORTION},
    {"StringTable", RES_STRINGTABLE},

    {"filename", PAR_FILENAME},
    {"resgroup", PAR_RESGROUP},
    {"mipmap", PAR_MIPMAP},
    {"genalpha", PAR_GENALPHA},
    {"amplify", PAR_AMPLIFY},
    {"size", PAR_SIZE},
    {"zbuffer", PAR_ZBUFFER},
    {"texture", PAR_TEXTURE},
    {"rect", PAR_RECT},
    {"hotspot", PAR_HOTSPOT},
    {"blendmode", PAR_BLENDMODE},
    {"color", PAR_COLOR},
    {"zorder", PAR_ZORDER},
    {"flip", PAR_FLIP},
    {"scale", PAR_SCALE},
    {"proportion", PAR_PROPORTION},
    {"rotation", PAR_ROTATION},
    {"frames", PAR_FRAMES},
    {"fps", PAR_FPS},
    {"mode", PAR_MODE},
    {"tracking", PAR_TRACKING},
    {"spacing", PAR_SPACING},
    {"sprite", PAR_SPRITE},
    {"mesh", PAR_MESH},

    {"COLORMUL", BLEND_COLORMUL},
    {"COLORADD", BLEND_COLORADD},
    {"ALPHABLEND", BLEND_ALPHABLEND},
    {"ALPHAADD", BLEND_ALPHAADD},
    {"ZWRITE", BLEND_ZWRITE},
    {"NOZWRITE", BLEND_NOZWRITE},

    {"FORWARD", MODE_FORWARD},
    {"REVERSE", MODE_REVERSE},
    {"PINGPONG", MODE_PINGPONG},
    {"NOPINGPONG", MODE_NOPINGPONG},
    {"LOOP", MODE_LOOP},
    {"NOLOOP", MODE_NOLOOP},

    {"CIRCLE", TOKEN_CIRCLE},
    {"RECT", TOKEN_RECT},
    {"ALPHA", TOKEN_ALPHA},

    {0, 0}};

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }
bool IsHexLetter(char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool EndsBareWord(char c) {
    switch (c) {
    case 0: case ' ': case '\t': case '\n': case '\r':
    case ',': case '=': case '{': case '}': case ':':
        return true;
    default:
        return false;
    }
}

}  // namespace

ScriptTokenizer::ScriptTokenizer(const char* scriptName, const char* scriptText) {
    engine = CreateEngine(ENGINE_VERSION);
    code = 0;
    text[0] = 0;
    position = scriptText ? scriptText : "";
    name = scriptName ? scriptName : "";
    line = 1;
    scanned = 0;
    cut = false;
}

ScriptTokenizer::~ScriptTokenizer() { engine->System_Release(); }

bool ScriptTokenizer::KeywordDiffers(const char* keyword, const char* pos) {
    for (; *keyword; keyword++, pos++) {
        if (*pos != *keyword) return true;  // also when the text ends first
    }
    return false;
}

// Stores the characters [start, end) as the token text, cut to TOKEN_MAX_TEXT.
void ScriptTokenizer::Take(const char* start, const char* end) {
    size_t n = size_t(end - start);
    cut = n > TOKEN_MAX_TEXT;
    if (cut) n = TOKEN_MAX_TEXT;
    memcpy(text, start, n);
    text[n] = 0;
}

int ScriptTokenizer::GetToken() {
    for (;;) {
        char c = *position;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (c == '\n') line++;
            position++;
        } else if (c == ';') {
            while (*position && *position != '\n' && *position != '\r') position++;
        } else {
            break;
        }
    }

    const char* start = position;
    cut = false;

    if (!*position) {
        code = TOKEN_END;
        text[0] = 0;
        scanned = 0;
        return code;
    }

    if (IsNumberChar(*position)) {
        code = TOKEN_NUMBER;
        while (IsNumberChar(*position)) position++;
        if (IsHexLetter(*position)) {
            code = TOKEN_STRING;
            while (IsHexLetter(*position)) position++;
        }
        Take(start, position);
        scanned = int(position - start);
        return code;
    }

    if (*position == '"') {
        code = TOKEN_STRING;
        position++;
        const char* s = position;
        while (*position && *position != '"' && *position != '\n' && *position != '\r') position++;
        Take(s, position);
        if (*position) position++;  // the closing quote or the line end
        scanned = int(position - start);
        return code;
    }

    for (const Keyword* k = keywords; k->word; k++) {
        if (!KeywordDiffers(k->word, position)) {
            code = k->code;
            size_t n = strlen(k->word);
            Take(position, position + n);
            position += n;
            scanned = int(n);
            return code;
        }
    }

    code = TOKEN_STRING;
    while (!EndsBareWord(*position)) position++;
    Take(start, position);
    scanned = int(position - start);
    return code;
}

// Moves back over everything the current token consumed (for a quoted string its quotes too,
// for a cut token its whole length), so the next GetToken scans it again.
void ScriptTokenizer::PutBack() {
    position -= scanned;
    scanned = 0;
}

int ScriptTokenizer::TokenInt() const {
    long v = strtol(text, 0, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

// Decimal only: blanks, sign, digits, point, digits, exponent; no hexadecimal, "inf" or "nan".
float ScriptTokenizer::TokenFloat() const {
    const char* p = text;
    while (isspace((unsigned char)*p)) p++;
    const char* s = p;
    if (*p == '+' || *p == '-') p++;
    const char* digits = p;
    while (isdigit((unsigned char)*p)) p++;
    bool mantissa = p > digits;
    if (*p == '.') {
        p++;
        const char* frac = p;
        while (isdigit((unsigned char)*p)) p++;
        mantissa = mantissa || p > frac;
    }
    if (!mantissa) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') e++;
        if (isdigit((unsigned char)*e)) {
            while (isdigit((unsigned char)*e)) e++;
            p = e;
        }
    }
    char buf[TOKEN_MAX_TEXT + 1];
    size_t n = size_t(p - s);
    memcpy(buf, s, n);
    buf[n] = 0;
    double d = strtod(buf, 0);
    if (d > FLT_MAX) return FLT_MAX;
    if (d < -FLT_MAX) return -FLT_MAX;
    return float(d);
}

bool ScriptTokenizer::TokenBool() const { return text[0] == 't' || text[0] == 'T'; }

DWORD ScriptTokenizer::TokenHex() const {
    DWORD value = 0;
    for (const char* p = text; *p; p++) {
        int c = (signed char)*p;
        if (c >= 'a') c -= 39;
        if (c >= 'A') c -= 7;
        c -= '0';
        if (c > 15) c = 15;
        // Characters below '0' (and bytes above 127) count as the digit 0.
        if (c < 0) c = 0;
        value = (value << 4) | DWORD(c);
    }
    return value;
}

void ScriptTokenizer::Error(const char* prefix, const char* suffix) const {
    engine->System_Log("%s, line %d: %s'%s'%s", name, line, prefix, text[0] ? text : "<EOF>", suffix);
}
