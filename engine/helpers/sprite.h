// A textured quad with texture rectangle, hot spot, colours, depth, blend mode and flips.
#pragma once

#include "engine/engine.h"
#include "engine/helpers/rect.h"

class Sprite {
public:
    Sprite(TextureHandle tex, float x, float y, float w, float h);
    Sprite(const Sprite& spr);
    Sprite& operator=(const Sprite& spr) = default;
    ~Sprite();

    void Render(float x, float y);
    void RenderTransformed(float x, float y, float rot, float hscale, float vscale = 0.0f);
    void RenderToRect(float x1, float y1, float x2, float y2);
    void RenderToCorners(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
    Rect* GetTransformedBounds(float x, float y, float rot, float hscale, float vscale, Rect* rect) const;

    void SetFlip(bool flipX, bool flipY, bool flipHotSpot = false);
    void SetTexture(TextureHandle tex);
    void SetTextureRect(float x, float y, float w, float h, bool adjustSize = true);
    void SetColor(DWORD col, int i = -1);
    void SetZ(float z, int i = -1);
    DWORD GetColor(int i = 0) const;
    float GetWidth() const { return width; }
    void SetBlendMode(int blend) { quad.blend = blend; }
    void SetHotSpot(float x, float y) {
        hotX = x;
        hotY = y;
    }

    Quad quad;
    float rectX, rectY;
    float width, height;
    float texWidth, texHeight;
    float hotX, hotY;
    bool flipX, flipY;
    bool hotSpotFlip;

protected:
    static Engine* engine;  // shared by all sprites and animations

    // Texture coordinates of the pixel rectangle (x, y, w, h), unmirrored.
    void SetTexCoords(float x, float y, float w, float h);
    // Mirrors freshly laid out, unmirrored coordinates as the flip flags say.
    void ReapplyFlip();
};
