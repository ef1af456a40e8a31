#include "game/game.h"

#include <cstdarg>
#include <cstdio>

#include "engine/helpers/sprite.h"
#include "game/resource_names.h"
#include "game/utils.h"
#include "game/wagon.h"

namespace {

constexpr int KEY_LEFT = 37;
constexpr int KEY_SPACE = 32;
constexpr int KEY_R = 82;
constexpr int kEndingFrames = 600;
constexpr int kLossMusicAt = 540;  // the ending's 60th frame
constexpr int kSpaceBelow = 480;   // Space is taken from the ending's 121st frame

}  // namespace

EffectHandle g_GoodSound = 0;
EffectHandle g_BadSound = 0;
static bool s_cuesFetched = false;

Game::Game() {
    // Sounds and sprites are looked up once per game object: a program has one, so they are
    // kept for its life, and a later game object (with its own resources) looks them up anew.
    s_cuesFetched = false;
    ForgetContactSounds();
    Wagon::ForgetResources();

    g_Game = this;
    g_FrameCounter = 0;
    SeedRandom(0);
    state = GAMESTATE_TITLE;

    renderTarget = g_Engine->Target_Create(SCREEN_WIDTH, SCREEN_HEIGHT, false);
    targetSprite = new Sprite(g_Engine->Target_GetTexture(renderTarget), 0.0f, 0.0f, float(SCREEN_WIDTH),
                              float(SCREEN_HEIGHT));

    phys::b2AABB box;
    box.lowerBound.Set(-10.0f, 0.0f);
    box.upperBound.Set(TRAIL_LENGTH + 10.0f, WORLD_HEIGHT + 10.0f);
    world = new b2World(box, b2Vec2(0.0f, 9.9f), true);
    world->SetContactListener(this);
    world->SetBoundaryListener(this);

    ground = nullptr;
    wagon = nullptr;
    NewJourney();

    winMusic = g_Engine->Stream_Load("data\\tune1.ogg", 0);
    lossMusic = g_Engine->Stream_Load("data\\tune5.ogg", 0);
    tribeMusic = g_Engine->Stream_Load("data\\tune3.ogg", 0);
    startMusic = g_Engine->Stream_Load("data\\tune4.ogg", 0);
    spareMusic = g_Engine->Stream_Load("data\\tune2.ogg", 0);
}

Game::~Game() {
    Wagon* old = wagon;
    wagon = nullptr;
    delete old;
    delete world;
    world = nullptr;
    ground = nullptr;
    delete targetSprite;
    targetSprite = nullptr;
    if (renderTarget) g_Engine->Target_Free(renderTarget);
    renderTarget = 0;
    if (g_Game == this) g_Game = nullptr;
}

void Game::ShowMessage(int frames, const char* format, ...) {
    messageTimer = frames;
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof(message), format, args);
    va_end(args);
}

void Game::Update() {
    if (!s_cuesFetched) {
        s_cuesFetched = true;
        g_GoodSound = FindSound(SOUND_GOOD);
        g_BadSound = FindSound(SOUND_BAD);
    }
    ++g_FrameCounter;
    contactCount = 0;
    world->Step(1.0f / 60.0f, 10, 10);

    switch (state) {
    case GAMESTATE_TITLE:
        if (g_Engine->Input_KeyDown(KEY_LEFT)) state = GAMESTATE_JOURNEY;
        break;
    case GAMESTATE_JOURNEY:
        JourneyStep();
        break;
    case GAMESTATE_ENDED:
        break;
    }

    if (state == GAMESTATE_ENDED) {
        --endCountdown;
        if (endCountdown == kLossMusicAt && !won) PlayStream(lossMusic);
        if ((g_Engine->Input_KeyDown(KEY_SPACE) && endCountdown < kSpaceBelow) || endCountdown == 0) {
            state = GAMESTATE_TITLE;
            NewJourney();
        }
    }

    if (state == GAMESTATE_JOURNEY || state == GAMESTATE_ENDED) {
        if (messageTimer > 0) --messageTimer;
        if (g_Engine->Input_KeyDown(KEY_R)) {
            state = GAMESTATE_TITLE;
            NewJourney();
        }
    }
}

void Game::JourneyStep() {
    if (g_FrameCounter % 10 == 0 && started) food -= 1;

    if (food == 0) {
        ShowMessage(540, "Everyone has starved to death.");
        for (PartyMember& m : party) {
            m.health = 0;
            m.disease = DISEASE_NONE;
        }
        endCountdown = kEndingFrames;
        state = GAMESTATE_ENDED;
    }

    wagon->Update();

    const b2Vec2 p = wagon->body->GetPosition();
    for (size_t i = 0; i < features.size(); ++i) {
        Feature& f = features[i];
        if (f.position.x < p.x && p.x < f.position.x + f.size.x && f.position.y < p.y) Visit(f);
    }

    const int health = DiseaseTick();

    if (health == 0 && food > 0) {
        ShowMessage(540, "Everyone is dead.");
        endCountdown = kEndingFrames;
        state = GAMESTATE_ENDED;
    }

    // Below the floor past either end of the trail; or out of the world box, where the world
    // freezes the wagon, maybe still above the line (thrown at speed past an end or the top).
    if (wagon->body->GetPosition().y > GROUND_LINE + 1.0f || wagon->body->IsFrozen()) {
        endCountdown = kEndingFrames;
        state = GAMESTATE_ENDED;
    }
}
