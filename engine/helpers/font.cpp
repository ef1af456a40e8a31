#include "engine/helpers/font.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const int kLineSize = 256;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

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
    if (!filename) return;

    DWORD size = 0;
    void* data = engine->Resource_Load(filename, &size);
    if (!data) return;
    char* desc = new char[static_cast<size_t>(size) + 1];
    std::memcpy(desc, data, size);
    desc[size] = 0;
    engine->Resource_Free(data);

    char line[kLineSize];
    const char* p = ReadLine(desc, line);
    if (!p || std::strcmp(line, kHeader) != 0) {
        engine->System_Log("Font %s has incorrect format.", filename);
        delete[] desc;
        return;
    }
    while ((p = ReadLine(p, line)) != nullptr) {
        if (!std::strncmp(line, "Bitmap", 6)) {
            if (!ParseBitmapLine(line, filename, mipmap)) break;
        } else if (!std::strncmp(line, "Char", 4)) {
            ParseCharLine(line);
        }
    }
    delete[] desc;
}

Font::~Font() {
    for (Sprite*& g : glyphs) {
        delete g;
        g = nullptr;
    }
    if (texture) engine->Texture_Free(texture);
    engine->System_Release();
}

const char* Font::ReadLine(const char* text, char* line) {
    if (!text || !*text) return nullptr;
    int n = 0;
    while (*text && *text != '\n' && *text != '\r') {
        if (n < kLineSize - 1) line[n++] = *text;  // longer lines are cut
        text++;
    }
    line[n] = 0;
    while (*text == '\n' || *text == '\r') text++;
    return text;
}

bool Font::BitmapPath(const char* line, const char* filename, char* path) {
    char name[kLineSize];
    if (std::sscanf(line, "Bitmap = %255s", name) != 1) return false;
    const char* slash = std::strrchr(filename, '\\');
    if (!slash) slash = std::strrchr(filename, '/');
    size_t dirLen = slash ? static_cast<size_t>(slash - filename + 1) : 0;
    std::snprintf(path, kPathSize, "%.*s%s", static_cast<int>(dirLen < kPathSize ? dirLen : kPathSize - 1), filename,
                  name);
    return true;
}

// Returns false when the bitmap cannot be loaded: reading stops there.
bool Font::ParseBitmapLine(const char* line, const char* filename, bool mipmap) {
    char path[kPathSize];
    if (!BitmapPath(line, filename, path)) return true;
    // One bitmap per font: its glyphs keep it, and the font frees it.
    if (texture) return true;
    texture = engine->Texture_Load(path, 0, mipmap);
    return texture != 0;
}

void Font::ParseCharLine(const char* line) {
    const char* p = std::strchr(line, '=');
    if (!p) return;
    p++;
    while (*p == ' ') p++;

    int code = 0;
    if (*p == '"') {
        if (!p[1]) return;
        code = static_cast<unsigned char>(p[1]);
        p += p[2] ? 3 : 2;
    } else {
        int d;
        while ((d = HexDigit(*p)) >= 0) {
            if (code < 256) code = code * 16 + d;
            p++;
        }
        if (code >= 256) return;
    }

    int x, y, w, h, a, c;
    if (std::sscanf(p, " , %d , %d , %d , %d , %d , %d", &x, &y, &w, &h, &a, &c) != 6) return;

    delete glyphs[code];
    glyphs[code] = new Sprite(texture, static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                              static_cast<float>(h));
    pre[code] = static_cast<float>(a);
    post[code] = static_cast<float>(c);
    if (static_cast<float>(h) > height) height = static_cast<float>(h);
}

int Font::GlyphCode(unsigned char c) const {
    if (glyphs[c]) return c;
    if (glyphs['?']) return '?';
    return -1;
}

float Font::TextWidth(const char* text, bool multiline) const {
    if (!text) return 0.0f;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    float best = 0.0f;
    bool first = true;
    for (;;) {
        float w = 0.0f;
        while (*p && *p != '\n') {
            int g = GlyphCode(*p);
            if (g >= 0) w += glyphs[g]->GetWidth() + pre[g] + post[g] + tracking;
            p++;
        }
        if (first || w > best) best = w;
        first = false;
        if (!multiline || !*p) break;
        while (*p == '\n' || *p == '\r') p++;
        if (!*p) break;
    }
    return best * scale * proportion;
}

void Font::Render(float x, float y, int align, const char* text) {
    if (!text) return;
    int ha = align & ALIGN_HORZMASK;
    float s = scale * proportion;
    auto lineStart = [&](const char* rest) {
        if (ha == ALIGN_RIGHT) return x - TextWidth(rest, false);
        if (ha == ALIGN_CENTER) return x - std::trunc(TextWidth(rest, false) / 2);
        return x;
    };

    float cx = lineStart(text);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; p++) {
        if (*p == '\n') {
            y += std::trunc(height * scale * spacing);
            cx = lineStart(reinterpret_cast<const char*>(p + 1));
            continue;
        }
        int g = GlyphCode(*p);
        if (g < 0) continue;
        float gx = cx + pre[g] * s;
        glyphs[g]->RenderTransformed(gx, y, rotation, s, scale);
        cx = gx + (glyphs[g]->GetWidth() + post[g] + tracking) * s;
    }
}

void Font::Printf(float x, float y, int align, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buffer, sizeof(buffer), format, ap);
    va_end(ap);
    buffer[sizeof(buffer) - 1] = 0;
    Render(x, y, align, buffer);
}

void Font::Wrap(float w) {
    char* lineStart = buffer;
    char* p = buffer;
    for (;;) {
        char* wordStart = p;
        char* q = p;
        while (*q && *q != ' ' && *q != '\n') q++;

        char sep = *q;
        *q = 0;
        float width = TextWidth(lineStart, true);
        *q = sep;
        if (width > w) {
            if (wordStart > lineStart) {
                wordStart[-1] = '\n';
                lineStart = wordStart;
            } else if (sep == ' ') {
                *q = '\n';
            }
        }

        if (*q == '\n') {
            lineStart = q + 1;
            p = q + 1;
        } else if (*q == ' ') {
            p = q + 1;
        } else {
            break;
        }
    }
}

void Font::PrintfWrapped(float x, float y, float w, float h, int align, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buffer, sizeof(buffer), format, ap);
    va_end(ap);
    buffer[sizeof(buffer) - 1] = 0;

    Wrap(w);
    int lines = 1;
    for (const char* p = buffer; *p; p++)
        if (*p == '\n') lines++;

    float blockHeight = height * spacing * scale * static_cast<float>(lines);
    float bx = x, by = y;
    if ((align & ALIGN_HORZMASK) == ALIGN_RIGHT) bx = x + w;
    if ((align & ALIGN_HORZMASK) == ALIGN_CENTER) bx = x + std::trunc(w / 2);
    if ((align & ALIGN_VERTMASK) == ALIGN_BOTTOM) by = y + h - blockHeight;
    if ((align & ALIGN_VERTMASK) == ALIGN_MIDDLE) by = y + std::trunc((h - blockHeight) / 2);
    Render(bx, by, align, buffer);
}

void Font::SetColor(DWORD col) {
    colour = col;
    for (Sprite* g : glyphs)
        if (g) g->SetColor(col, -1);
}

void Font::SetZ(float nz) {
    z = nz;
    for (Sprite* g : glyphs)
        if (g) g->SetZ(nz, -1);
}

void Font::SetBlendMode(int b) {
    blend = b;
    for (Sprite* g : glyphs)
        if (g) g->SetBlendMode(b);
}
