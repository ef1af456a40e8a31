#include "engine/helpers/sprite.h"

#include <cmath>
#include <utility>

Engine* Sprite::engine = nullptr;

Sprite::Sprite(TextureHandle tex, float x, float y, float w, float h) {
    engine = CreateEngine(ENGINE_VERSION);

    rectX = x;
    rectY = y;
    width = w;
    height = h;
    if (tex) {
        texWidth = static_cast<float>(engine->Texture_GetWidth(tex, false));
        texHeight = static_cast<float>(engine->Texture_GetHeight(tex, false));
    } else {
        texWidth = 1.0f;
        texHeight = 1.0f;
    }
    hotX = 0.0f;
    hotY = 0.0f;
    flipX = false;
    flipY = false;
    hotSpotFlip = false;

    quad.tex = tex;
    quad.blend = BLENDMODE_DEFAULT;
    for (Vertex& v : quad.v) {
        v.x = 0.0f;
        v.y = 0.0f;
        v.z = 0.5f;
        v.col = 0xFFFFFFFF;
    }
    SetTexCoords(x, y, w, h);
}

Sprite::Sprite(const Sprite& spr)
    : quad(spr.quad), rectX(spr.rectX), rectY(spr.rectY), width(spr.width), height(spr.height),
      texWidth(spr.texWidth), texHeight(spr.texHeight), hotX(spr.hotX), hotY(spr.hotY), flipX(spr.flipX),
      flipY(spr.flipY), hotSpotFlip(spr.hotSpotFlip) {
    engine = CreateEngine(ENGINE_VERSION);
}

Sprite::~Sprite() {
    if (engine) engine->System_Release();
}

void Sprite::SetTexCoords(float x, float y, float w, float h) {
    float ul = x / texWidth;
    float vt = y / texHeight;
    float ur = (x + w) / texWidth;
    float vb = (y + h) / texHeight;
    quad.v[0].tx = ul;
    quad.v[0].ty = vt;
    quad.v[1].tx = ur;
    quad.v[1].ty = vt;
    quad.v[2].tx = ur;
    quad.v[2].ty = vb;
    quad.v[3].tx = ul;
    quad.v[3].ty = vb;
}

void Sprite::ReapplyFlip() {
    bool fx = flipX, fy = flipY, hs = hotSpotFlip;
    flipX = false;
    flipY = false;
    SetFlip(fx, fy, hs);
}

void Sprite::Render(float x, float y) {
    float left = x - hotX;
    float top = y - hotY;
    float right = x + width - hotX;
    float bottom = y + height - hotY;
    quad.v[0].x = left;
    quad.v[0].y = top;
    quad.v[1].x = right;
    quad.v[1].y = top;
    quad.v[2].x = right;
    quad.v[2].y = bottom;
    quad.v[3].x = left;
    quad.v[3].y = bottom;
    engine->Gfx_RenderQuad(&quad);
}

namespace {

// Corner offsets of a sprite scaled about its hot spot, vertex order 0 to 3.
void Corners(float hotX, float hotY, float width, float height, float hs, float vs, float ox[4], float oy[4]) {
    float ax = -hotX * hs;
    float ay = -hotY * vs;
    float bx = (width - hotX) * hs;
    float by = (height - hotY) * vs;
    ox[0] = ax, oy[0] = ay;
    ox[1] = bx, oy[1] = ay;
    ox[2] = bx, oy[2] = by;
    ox[3] = ax, oy[3] = by;
}

void Place(float x, float y, float rot, const float ox[4], const float oy[4], float px[4], float py[4]) {
    if (rot == 0.0f) {
        for (int i = 0; i < 4; i++) {
            px[i] = x + ox[i];
            py[i] = y + oy[i];
        }
        return;
    }
    float c = std::cos(rot);
    float s = std::sin(rot);
    for (int i = 0; i < 4; i++) {
        px[i] = ox[i] * c - oy[i] * s + x;
        py[i] = ox[i] * s + oy[i] * c + y;
    }
}

}  // namespace

void Sprite::RenderTransformed(float x, float y, float rot, float hscale, float vscale) {
    if (vscale == 0.0f) vscale = hscale;
    float ox[4], oy[4], px[4], py[4];
    Corners(hotX, hotY, width, height, hscale, vscale, ox, oy);
    Place(x, y, rot, ox, oy, px, py);
    for (int i = 0; i < 4; i++) {
        quad.v[i].x = px[i];
        quad.v[i].y = py[i];
    }
    engine->Gfx_RenderQuad(&quad);
}

void Sprite::RenderToRect(float x1, float y1, float x2, float y2) {
    quad.v[0].x = x1;
    quad.v[0].y = y1;
    quad.v[1].x = x2;
    quad.v[1].y = y1;
    quad.v[2].x = x2;
    quad.v[2].y = y2;
    quad.v[3].x = x1;
    quad.v[3].y = y2;
    engine->Gfx_RenderQuad(&quad);
}

void Sprite::RenderToCorners(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    quad.v[0].x = x0;
    quad.v[0].y = y0;
    quad.v[1].x = x1;
    quad.v[1].y = y1;
    quad.v[2].x = x2;
    quad.v[2].y = y2;
    quad.v[3].x = x3;
    quad.v[3].y = y3;
    engine->Gfx_RenderQuad(&quad);
}

Rect* Sprite::GetTransformedBounds(float x, float y, float rot, float hscale, float vscale, Rect* rect) const {
    rect->Clear();
    float ox[4], oy[4], px[4], py[4];
    Corners(hotX, hotY, width, height, hscale, vscale, ox, oy);
    Place(x, y, rot, ox, oy, px, py);
    for (int i = 0; i < 4; i++) rect->AddPoint(px[i], py[i]);
    return rect;
}

void Sprite::SetFlip(bool fx, bool fy, bool hs) {
    if (hotSpotFlip && flipX) hotX = width - hotX;
    if (hotSpotFlip && flipY) hotY = height - hotY;
    hotSpotFlip = hs;
    if (hotSpotFlip && flipX) hotX = width - hotX;
    if (hotSpotFlip && flipY) hotY = height - hotY;

    if (fx != flipX) {
        std::swap(quad.v[0].tx, quad.v[1].tx);
        std::swap(quad.v[0].ty, quad.v[1].ty);
        std::swap(quad.v[3].tx, quad.v[2].tx);
        std::swap(quad.v[3].ty, quad.v[2].ty);
        flipX = !flipX;
    }
    if (fy != flipY) {
        std::swap(quad.v[0].tx, quad.v[3].tx);
        std::swap(quad.v[0].ty, quad.v[3].ty);
        std::swap(quad.v[1].tx, quad.v[2].tx);
        std::swap(quad.v[1].ty, quad.v[2].ty);
        flipY = !flipY;
    }
}

void Sprite::SetTexture(TextureHandle tex) {
    quad.tex = tex;
    float tw = 1.0f, th = 1.0f;
    if (tex) {
        tw = static_cast<float>(engine->Texture_GetWidth(tex, false));
        th = static_cast<float>(engine->Texture_GetHeight(tex, false));
    }
    if (tw == texWidth && th == texHeight) return;

    float px1 = quad.v[0].tx * texWidth;
    float py1 = quad.v[0].ty * texHeight;
    float px2 = quad.v[2].tx * texWidth;
    float py2 = quad.v[2].ty * texHeight;
    texWidth = tw;
    texHeight = th;
    px1 /= tw;
    px2 /= tw;
    py1 /= th;
    py2 /= th;
    quad.v[0].tx = px1;
    quad.v[0].ty = py1;
    quad.v[1].tx = px2;
    quad.v[1].ty = py1;
    quad.v[2].tx = px2;
    quad.v[2].ty = py2;
    quad.v[3].tx = px1;
    quad.v[3].ty = py2;
}

void Sprite::SetTextureRect(float x, float y, float w, float h, bool adjustSize) {
    rectX = x;
    rectY = y;
    if (adjustSize) {
        width = w;
        height = h;
    }
    SetTexCoords(x, y, w, h);
    ReapplyFlip();
}

void Sprite::SetColor(DWORD col, int i) {
    if (i == -1) {
        for (Vertex& v : quad.v) v.col = col;
    } else if (i >= 0 && i < 4) {
        quad.v[i].col = col;
    }
}

void Sprite::SetZ(float z, int i) {
    if (i == -1) {
        for (Vertex& v : quad.v) v.z = z;
    } else if (i >= 0 && i < 4) {
        quad.v[i].z = z;
    }
}

DWORD Sprite::GetColor(int i) const {
    if (i < 0 || i > 3) return 0;
    return quad.v[i].col;
}
