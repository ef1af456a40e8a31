// Drawing of the world and the status display into the 320 x 240 render target, and of that
// target at twice its size onto the screen.
#include <cstdint>

#include "engine/helpers/font.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "game/game.h"
#include "game/resource_names.h"
#include "game/utils.h"
#include "game/wagon.h"

namespace {

constexpr DWORD kClearColor = 0xFF000000;
constexpr DWORD kHillDark = 0xFF006F00;
constexpr DWORD kHillLight = 0xFF00DE00;  // also the ground strip
constexpr DWORD kSlipperyHill = 0xFFFFFFFF;
constexpr DWORD kRiver = 0xFF0000FF;
constexpr DWORD kCityLabel[3] = {0xFFFFFFFF, 0xFFFF0000, 0xFFFFFF00};
constexpr DWORD kTitleBright = 0xFFFFFF00;
constexpr DWORD kTitleDim = 0xFF373700;
constexpr DWORD kText = 0xFFFFFFFF;
constexpr DWORD kBarBack = 0xFF808080;
constexpr DWORD kBar = 0xFFFFFFFF;
constexpr DWORD kTargetColor = 0xFFFFFFFF;

constexpr int kFeatureTypes = FEATURE_SPRITE_COUNT;
constexpr int kPortraits = PORTRAIT_COUNT;

struct DiseaseLook {
    const char* word;
    DWORD color;
};
const DiseaseLook kDiseases[] = {
    {nullptr, 0}, {"DYSENTERY", 0xFFFF0000}, {"CHOLERA", 0xFFFFFF00}, {"TYPHOID", 0xFF0000FF}};

// The drawing resources, looked up by name once. They belong to the resource manager; the
// lookup is made again only for another game object or another manager (as in tests, which
// make several), so no pointer outlives the manager it came from.
struct Looks {
    const Game* game = nullptr;
    const ResourceManager* manager = nullptr;
    Sprite* title1 = nullptr;
    Sprite* title2 = nullptr;
    Sprite* startLabel = nullptr;
    Sprite* cityLabel = nullptr;
    Sprite* arrow = nullptr;
    Font* font = nullptr;
    Sprite* features[kFeatureTypes] = {};
    Sprite* portraits[kPortraits] = {};
    Sprite* dead = nullptr;
};
Looks s_looks;

const Looks& FetchLooks(const Game* game) {
    if (s_looks.game == game && s_looks.manager == g_ResourceManager) return s_looks;
    Looks l;
    l.game = game;
    l.manager = g_ResourceManager;
    if (ResourceManager* rm = g_ResourceManager) {
        l.title1 = rm->GetSprite(SPRITE_TITLE);
        l.title2 = rm->GetSprite(SPRITE_TITLE_OVERLAY);
        l.startLabel = rm->GetSprite(SPRITE_START_LABEL);
        l.cityLabel = rm->GetSprite(SPRITE_CITY_LABEL);
        l.arrow = rm->GetSprite(SPRITE_LEFT_ARROW);
        l.font = rm->GetFont(FONT_TEXT);
        for (int t = 0; t < kFeatureTypes; ++t)
            if (SPRITE_FEATURES[t]) l.features[t] = rm->GetSprite(SPRITE_FEATURES[t]);
        for (int k = 0; k < kPortraits; ++k) l.portraits[k] = rm->GetSprite(SPRITE_PORTRAITS[k]);
        l.dead = rm->GetSprite(SPRITE_DEAD);
    }
    s_looks = l;
    return s_looks;
}

// A missing resource leaves its part of the picture out.
void Draw(Sprite* sprite, float x, float y) {
    if (sprite) sprite->Render(x, y);
}

void Text(Font* font, float x, float y, int align, const char* text) {
    if (font && text) font->Render(x, y, align, text);
}

}  // namespace

void Game::Render() {
    Engine* e = g_Engine;
    const Looks& looks = FetchLooks(this);
    Font* font = looks.font;

    // Pass 1: the world and the status display into the render target.
    e->Gfx_BeginScene(renderTarget);
    e->Gfx_Clear(kClearColor);

    if (wagon && wagon->body) {
        const b2Vec2 p = wagon->body->GetPosition();
        cameraX = p.x * PIXELS_PER_UNIT - (SCREEN_WIDTH * 3 / 4);
        cameraY = MinFloat(WORLD_HEIGHT * PIXELS_PER_UNIT - SCREEN_HEIGHT,
                           p.y * PIXELS_PER_UNIT - SCREEN_HEIGHT / 8);
    }
    e->Gfx_SetTransform(0, 0, -cameraX, -cameraY, 0, 1, 1);

    if (ground) {
        int i = 0;
        for (b2Shape* s = ground->GetShapeList(); s; s = s->GetNext(), ++i) {
            const intptr_t tag = reinterpret_cast<intptr_t>(s->GetUserData());
            if (tag == SHAPETAG_HILL)
                DrawShape(ground, s, i % 2 == 0 ? kHillDark : kHillLight);
            else if (tag == SHAPETAG_SLIPPERY_HILL)
                DrawShape(ground, s, kSlipperyHill);
        }
    }
    e->Gfx_RenderRect(0, GROUND_LINE * PIXELS_PER_UNIT, TRAIL_LENGTH * PIXELS_PER_UNIT, PIXELS_PER_UNIT,
                      kHillLight);

    for (const Feature& f : features) {
        const float x = f.position.x, y = f.position.y, w = f.size.x, h = f.size.y;
        const float ax = (x + w / 2) * PIXELS_PER_UNIT, ay = (y + h) * PIXELS_PER_UNIT;
        if (f.type == FEATURE_RIVER) {
            e->Gfx_RenderRect(x * PIXELS_PER_UNIT, GROUND_LINE * PIXELS_PER_UNIT - 2, w * PIXELS_PER_UNIT,
                              PIXELS_PER_UNIT + 2, kRiver);
        } else {
            if (f.type >= 0 && f.type < kFeatureTypes) Draw(looks.features[f.type], ax, ay);
            if (f.type == FEATURE_START_TOWN && state == GAMESTATE_JOURNEY) Draw(looks.startLabel, ax, ay);
            if (f.type == FEATURE_EL_MORVANE && looks.cityLabel) {
                for (int j = 0; j < 3; ++j) {
                    looks.cityLabel->SetColor(kCityLabel[(g_FrameCounter / 6 + j) % 3], -1);
                    looks.cityLabel->Render(ax, ay - 22 * j);
                }
            }
        }
        if (f.name && font) {
            font->SetColor(kText);
            font->Render((x + w / 2) * PIXELS_PER_UNIT - 8, (y + h / 2) * PIXELS_PER_UNIT, ALIGN_LEFT, f.name);
        }
    }

    if (wagon) wagon->Draw();

    e->Gfx_SetTransform(0, 0, 0, 0, 0, 0, 0);

    if (font) {
        font->SetScale(1.0f);
        font->SetColor(kText);
        font->SetSpacing(1.5f);
    }
    if (state == GAMESTATE_TITLE) {
        Draw(looks.title1, 14, 8);
        if (looks.title2) {
            looks.title2->SetColor((g_FrameCounter / 4) % 2 ? kTitleBright : kTitleDim, -1);
            looks.title2->Render(14, 8);
        }
        if ((g_FrameCounter / 12) % 3 > 0) Draw(looks.arrow, 240, 160);
    } else {
        if (font) font->Printf(170, 4, ALIGN_LEFT, "Food: %d pounds", food);
        if (messageTimer > 0 && (messageTimer / 6) % 3 > 0) Text(font, 185, 40, ALIGN_CENTER, message);
        for (int k = 0; k < PARTY_SIZE; ++k) {
            const PartyMember& m = party[k];
            const float y = static_cast<float>(k * 18 + 4);
            if (m.health == 0) {
                Draw(looks.dead, 4, y);
                continue;
            }
            if (m.portrait >= 0 && m.portrait < kPortraits) Draw(looks.portraits[m.portrait], 4, y);
            e->Gfx_RenderRect(24, y + 7, 48, 7, kBarBack);
            e->Gfx_RenderRect(24, y + 7, static_cast<float>(m.health * 48 / 100), 7, kBar);
            if ((g_FrameCounter / 6) % 3 > 0 && m.disease > DISEASE_NONE && m.disease <= DISEASE_TYPHOID && font) {
                font->SetColor(kDiseases[m.disease].color);
                font->Render(24, y + 4, ALIGN_LEFT, kDiseases[m.disease].word);
            }
        }
    }
    e->Gfx_EndScene();

    // Pass 2: the target at twice its size onto the screen, which is not cleared first.
    e->Gfx_BeginScene(0);
    if (targetSprite) {
        targetSprite->SetColor(kTargetColor, -1);
        targetSprite->RenderTransformed(0, 0, 0, SCREEN_SCALE, SCREEN_SCALE);
    }
    e->Gfx_EndScene();
}

void Game::DrawShape(b2Body* body, b2Shape* shape, DWORD color) {
    if (!body || !shape || shape->GetType() != phys::e_polygonShape) return;
    const phys::b2PolygonShape* poly = static_cast<const phys::b2PolygonShape*>(shape);
    const int n = poly->GetVertexCount();
    const b2Vec2* v = poly->GetVertices();

    Triangle t = {};
    t.blend = BLENDMODE_DEFAULT;
    t.tex = 0;
    for (Vertex& tv : t.v) tv.col = color;
    const b2Vec2 p0 = body->GetWorldPoint(v[0]);
    t.v[0].x = p0.x * PIXELS_PER_UNIT;
    t.v[0].y = p0.y * PIXELS_PER_UNIT;
    for (int k = 1; k < n - 1; ++k) {
        const b2Vec2 p1 = body->GetWorldPoint(v[k]);
        const b2Vec2 p2 = body->GetWorldPoint(v[k + 1]);
        t.v[1].x = p1.x * PIXELS_PER_UNIT;
        t.v[1].y = p1.y * PIXELS_PER_UNIT;
        t.v[2].x = p2.x * PIXELS_PER_UNIT;
        t.v[2].y = p2.y * PIXELS_PER_UNIT;
        g_Engine->Gfx_RenderTriangle(&t);
    }
}

void Game::RestoreGfx() {
    if (targetSprite) targetSprite->SetTexture(g_Engine->Target_GetTexture(renderTarget));
}
