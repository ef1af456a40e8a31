// The game object: physics world, trail, wagon, party, food, message line, music and the
// render target; its update runs the title, journey and ending states.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "game/globals.h"
#include "game/physics/physics.h"

using phys::b2Body;
using phys::b2BoundaryListener;
using phys::b2ContactListener;
using phys::b2ContactPoint;
using phys::b2Shape;
using phys::b2Vec2;
using phys::b2World;

class Sprite;
class Wagon;

enum GameState { GAMESTATE_TITLE = 0, GAMESTATE_JOURNEY = 1, GAMESTATE_ENDED = 2 };

enum FeatureType {
    FEATURE_START_TOWN = 0,
    FEATURE_EL_MORVANE = 1,
    FEATURE_RIVER = 2,
    FEATURE_TREE = 4,
    FEATURE_TOWN = 5,
    FEATURE_TRIBE = 6,
    FEATURE_STORE = 7
};

// User data of the ground shapes.
enum ShapeTag {
    SHAPETAG_CEILING = 0,
    SHAPETAG_FLOOR = -1,
    SHAPETAG_HILL = -2,
    SHAPETAG_SLIPPERY_HILL = -3
};

enum Disease { DISEASE_NONE = 0, DISEASE_DYSENTERY = 1, DISEASE_CHOLERA = 2, DISEASE_TYPHOID = 3 };

struct Feature {
    b2Vec2 position;  // x = west edge, y = top
    b2Vec2 size;      // width, height
    FeatureType type;
    bool visited;
    const char* name;  // towns and rivers; null for the rest
};

struct PartyMember {
    const char* name;
    int health;  // 0..100; the dead have exactly 0
    Disease disease;
    int diseaseTimer;  // disease ticks of 60 frames left
    int portrait;      // 0..5
};

constexpr int PARTY_SIZE = 5;
constexpr int MAX_CONTACT_POINTS = 256;

// The party's cues, fetched on the first Game::Update and kept.
extern EffectHandle g_GoodSound;
extern EffectHandle g_BadSound;

extern const FeatureType FeatureTypeTable[4];
extern const char* const TownNames[16];
extern const char* const RiverNames[15];
extern const char* const InjuryMessages[3];

class Game : public b2ContactListener, public b2BoundaryListener {
public:
    Game();
    ~Game() override;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void Update();
    void ShowMessage(int frames, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // Journey generation.
    void NewJourney();
    float AddFeature(FeatureType type, float x);

    // Physics callbacks.
    void Add(const b2ContactPoint* point) override;
    void Persist(const b2ContactPoint* point) override;
    void Remove(const b2ContactPoint* point) override;
    void Violation(b2Body* body) override;

    // Drawing.
    void Render();
    void DrawShape(b2Body* body, b2Shape* shape, DWORD color);
    void RestoreGfx();

    // Party, events and diseases.
    void InjureRandomMember();
    int PickLivingMember();
    // The first-visit event of a feature holding the wagon, and a river's dysentery chance.
    void Visit(Feature& feature);
    // One frame of the party's diseases; the sum of the members' health afterwards.
    int DiseaseTick();

    TargetHandle renderTarget = 0;
    Sprite* targetSprite = nullptr;
    int contactCount = 0;
    GameState state = GAMESTATE_TITLE;
    b2World* world = nullptr;
    b2Body* ground = nullptr;
    float cameraX = 0.0f;
    float cameraY = 0.0f;
    Wagon* wagon = nullptr;
    std::vector<Feature> features;
    int food = 1000;
    PartyMember party[PARTY_SIZE] = {};
    int endCountdown = 0;
    int messageTimer = 0;
    char message[256] = {};
    bool won = false;
    bool started = false;
    StreamHandle winMusic = 0;
    StreamHandle lossMusic = 0;
    StreamHandle spareMusic = 0;
    StreamHandle tribeMusic = 0;
    StreamHandle startMusic = 0;

private:
    void JourneyStep();
    // The contact sounds looked up so far are dropped when a game object is made.
    static void ForgetContactSounds();
    // Takes one contact report of this step unless the step's cap is reached.
    bool TakeContact();
    // Up to five draws of a slot; the first whose member meets the test, or -1.
    template <typename Test>
    int TryMember(Test test);
};
