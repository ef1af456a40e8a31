// Bitmap font read from a "[ZEVFONT]" description: aligned, formatted and wrapped text.
#pragma once

#include "engine/engine.h"
#include "engine/helpers/sprite.h"

#define ALIGN_LEFT 0
#define ALIGN_RIGHT 1
#define ALIGN_CENTER 2
#define ALIGN_HORZMASK 3

#define ALIGN_TOP 0
#define ALIGN_BOTTOM 4
#define ALIGN_MIDDLE 8
#define ALIGN_VERTMASK 12

class Font {
public:
    Font(const char* filename, bool mipmap = false);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    void Render(float x, float y, int align, const char* text);
    void Printf(float x, float y, int align, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void PrintfWrapped(float x, float y, float w, float h, int align, const char* format, ...)
        __attribute__((format(printf, 7, 8)));
    float TextWidth(const char* text, bool multiline = false) const;

    void SetColor(DWORD col);
    void SetZ(float z);
    void SetBlendMode(int blend);
    void SetScale(float s) { scale = s; }
    void SetProportion(float p) { proportion = p; }
    void SetRotation(float rot) { rotation = rot; }
    void SetTracking(float t) { tracking = t; }
    void SetSpacing(float s) { spacing = s; }

    DWORD GetColor() const { return colour; }
    float GetZ() const { return z; }
    int GetBlendMode() const { return blend; }
    float GetScale() const { return scale; }
    float GetProportion() const { return proportion; }
    float GetRotation() const { return rotation; }
    float GetTracking() const { return tracking; }
    float GetSpacing() const { return spacing; }
    float GetHeight() const { return height; }
    Sprite* GetSprite(unsigned char chr) const { return glyphs[chr]; }
    float GetPreWidth(unsigned char chr) const { return pre[chr]; }
    float GetPostWidth(unsigned char chr) const { return post[chr]; }

    // Copies the line at text (up to NUL, CR or LF) into line (256 bytes) and returns the
    // start of the next line, or null when text is at its end.
    static const char* ReadLine(const char* text, char* line);
    // The first line of a description.
    static constexpr const char* kHeader = "[ZEVFONT]";
    static constexpr int kPathSize = 260;
    // For a "Bitmap = name" line of the description filename: the bitmap's path (kPathSize
    // bytes), name in the description's folder. False for any other line.
    static bool BitmapPath(const char* line, const char* filename, char* path);

    TextureHandle texture;
    Sprite* glyphs[256];
    float pre[256];
    float post[256];
    float height;
    float scale;
    float proportion;
    float rotation;
    float tracking;
    float spacing;
    DWORD colour;
    float z;
    int blend;

private:
    static Engine* engine;  // shared by all fonts
    static char buffer[1024];  // formatted text of Printf and PrintfWrapped

    // The glyph drawn for a byte: its own, else '?', else null.
    int GlyphCode(unsigned char c) const;
    void ParseCharLine(const char* line);
    bool ParseBitmapLine(const char* line, const char* filename, bool mipmap);
    void Wrap(float w);
};
