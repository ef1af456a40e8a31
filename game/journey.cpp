// A fresh trail for every journey: ground slabs, random hills with one slippery run, the
// scheduled features between them, the lost city at the west end and the start town at the east.
#include <cstdint>

#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"

const FeatureType FeatureTypeTable[4] = {FEATURE_TRIBE, FEATURE_RIVER, FEATURE_TOWN, FEATURE_STORE};

const char* const TownNames[16] = {
    "Casper",     "North Platte", "Twin Falls", "Pocatello", "Fort Laramie", "Soda Springs",
    "The Dalles", "Baker City",   "Managua",    "Panama",    "Laredo",       "El Paso",
    "Oaxaca",     "Caracas",      "Santa Fe de Bogota",      "Itacoatiara"};

const char* const RiverNames[15] = {
    "Snake River",  "Colombia River", "Platte River",   "John Day River",      "Little Blue River",
    "South Platte River", "North Platte River", "Amazon River", "Rio Grande", "Cauca River",
    "Orinoco River", "Uspanapa River", "(unknown)",      "Grande de Matagalpa", "Xaclbal River"};

namespace {

const char* const kPartyNames[PARTY_SIZE] = {"Pa", "Ma", "Boobell", "John-Boy", "Zeke"};
constexpr int kScheduledFeatures = 10;

void* Tag(ShapeTag tag) { return reinterpret_cast<void*>(static_cast<intptr_t>(tag)); }

}  // namespace

float Game::AddFeature(FeatureType type, float x) {
    Feature f;
    f.position.x = x;
    if (type == FEATURE_RIVER)
        f.size.Set(RemapClamped(x, 0.0f, 1000.0f, 8.0f, 2.0f), 2.0f);
    else
        f.size.Set(7.0f, 5.0f);
    f.position.y = GROUND_LINE - f.size.y;
    f.type = type;
    f.visited = false;
    f.name = nullptr;
    if (type == FEATURE_TOWN)
        f.name = TownNames[RandomInt(16)];
    else if (type == FEATURE_RIVER)
        f.name = RiverNames[RandomInt(15)];
    features.push_back(f);
    return f.size.x;
}

void Game::NewJourney() {
    features.clear();
    if (ground) {
        world->DestroyBody(ground);
        ground = nullptr;
    }

    phys::b2BodyDef gd;
    gd.position.Set(0.0f, 0.0f);
    ground = world->CreateBody(&gd);

    phys::b2PolygonDef pd;
    pd.friction = 0.5f;
    pd.restitution = 0.0f;
    pd.userData = Tag(SHAPETAG_CEILING);
    pd.SetAsBox(TRAIL_LENGTH / 2.0f, 1.0f, b2Vec2(TRAIL_LENGTH / 2.0f, 1.0f), 0.0f);
    ground->CreateShape(&pd);

    pd.friction = 0.2f;
    pd.restitution = 0.1f;
    pd.userData = Tag(SHAPETAG_FLOOR);
    pd.SetAsBox(TRAIL_LENGTH / 2.0f, 1.0f, b2Vec2(TRAIL_LENGTH / 2.0f, GROUND_LINE + 1.0f), 0.0f);
    ground->CreateShape(&pd);

    float x = 15.0f;
    AddFeature(FEATURE_EL_MORVANE, 15.0f);
    x += RandomFloat(6.0f, 10.0f);
    int placed = 0;
    int slippery = 0;

    for (;;) {
        const float len = RandomFloat(2.0f, 12.0f);
        const float a = RandomFloat(0.5f, 2.0f);
        const float b = RandomFloat(0.5f, 2.0f);
        const float W = a * len + b * len;
        if (x + W >= TRAIL_LENGTH - 22.0f) break;

        pd.vertexCount = 3;
        pd.vertices[0].Set(x + a * len, GROUND_LINE + 1.0f - len);
        pd.vertices[1].Set(x + (a + b) * len, GROUND_LINE + 1.0f);
        pd.vertices[2].Set(x, GROUND_LINE + 1.0f);
        pd.userData = Tag(SHAPETAG_HILL);
        pd.friction = 0.5f;

        if (slippery == 0 && x > 200.0f) {
            if (RandomInt(10) == 0 && len < 10.0f) slippery = 1;
        }
        if (slippery >= 1 && slippery <= 3) {
            ++slippery;
            pd.userData = Tag(SHAPETAG_SLIPPERY_HILL);
            pd.friction = 0.01f;
        }
        ground->CreateShape(&pd);

        const float target = RemapClamped(float(placed), 0.0f, 9.0f, 150.0f, 850.0f);
        const FeatureType type = FeatureTypeTable[RandomInt(4)];
        if (placed < kScheduledFeatures && x + W > target) {
            if (type == FEATURE_RIVER) {
                x += W + RandomFloat(0.0f, 4.0f);
                const float w = AddFeature(FEATURE_RIVER, x);
                x += w + RandomFloat(0.0f, 2.0f);
            } else {
                x += W + RandomFloat(0.5f, 5.0f);
                const float w = AddFeature(type, x);
                x += w + RandomFloat(0.5f, 5.0f);
            }
            ++placed;
        } else {
            x += RandomFloat(W / 2.0f, W + 5.0f);
        }
    }

    AddFeature(FEATURE_START_TOWN, TRAIL_LENGTH - 22.0f);

    if (wagon) {
        Wagon* old = wagon;
        wagon = nullptr;
        delete old;
    }
    wagon = new Wagon();

    for (int i = 0; i < PARTY_SIZE; ++i) {
        party[i].disease = DISEASE_NONE;
        party[i].health = 100;
        party[i].portrait = i;
        party[i].name = kPartyNames[i];
    }

    endCountdown = 0;
    messageTimer = 0;
    food = 1000;
    started = false;
    won = false;
}
