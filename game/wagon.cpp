#include "game/wagon.h"

#include <cmath>

#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "game/game.h"
#include "game/resource_names.h"

namespace {

constexpr int KEY_LEFT = 37;
constexpr int KEY_RIGHT = 39;
constexpr float kWheelRestitution = 0.2f;
constexpr float kCursedRestitution = 0.5f;
constexpr int kCurseFrames = 2700;

EffectHandle s_click = 0;
EffectHandle s_bad = 0;
bool s_soundsFetched = false;
Sprite* s_frames[2] = {nullptr, nullptr};
bool s_spritesFetched = false;

void SetWheelRestitution(phys::b2Body* body, float restitution) {
    for (phys::b2Shape* s = body->GetShapeList(); s; s = s->GetNext()) s->SetRestitution(restitution);
}

}  // namespace

Wagon::Wagon() {
    const float r = 14.0f / PIXELS_PER_UNIT;
    phys::b2BodyDef bd;
    bd.position.Set(TRAIL_LENGTH - 10.0f, GROUND_LINE - r);
    bd.angle = 0.0f;
    body = g_Game->world->CreateBody(&bd);

    phys::b2CircleDef wheel;
    wheel.friction = 0.1f;
    wheel.restitution = kWheelRestitution;
    wheel.density = 1.0f;
    wheel.radius = r;
    wheel.localPosition.Set(-r, 0.0f);
    firstWheel = body->CreateShape(&wheel);
    wheel.localPosition.Set(r, 0.0f);
    secondWheel = body->CreateShape(&wheel);

    phys::b2MassData md;
    md.mass = 4.81f;
    md.center.Set(0.0f, 0.11f);
    md.I = 5.52f;
    body->SetMass(&md);
}

Wagon::~Wagon() { g_Game->world->DestroyBody(body); }

void Wagon::Update() {
    if (!s_soundsFetched) {
        s_soundsFetched = true;
        s_click = FindSound(SOUND_CLICK);
        s_bad = FindSound(SOUND_BAD);
    }
    const bool left = g_Engine->Input_GetKeyState(KEY_LEFT);
    const bool right = g_Engine->Input_GetKeyState(KEY_RIGHT);

    // Wheel clicks.
    if (left || right) {
        ++stepCounter;
        if (stepCounter % 20 == 0)
            PlayEffectAdjusted(s_click, 50, -30, 0.8f);
        else if (stepCounter % 20 == 10)
            PlayEffectAdjusted(s_click, 50, 30, 1.0f);
    }

    // Attitude.
    const float up = body->GetXForm().R.col2.y;
    const bool slow = body->GetLinearVelocity().LengthSquared() < 0.25f &&
                      std::fabs(body->GetAngularVelocity()) < 0.1f;

    // Drive: push on the ground, turn in the air or when tipped over.
    if (onGround && up > 0.0f) {
        const phys::b2Vec2 at = body->GetWorldPoint(phys::b2Vec2(-2.0f, 0.11f));
        if (left)
            body->ApplyForce(body->GetWorldVector(phys::b2Vec2(-80.0f, -8.0f)), at);
        else if (right)
            body->ApplyForce(body->GetWorldVector(phys::b2Vec2(60.0f, 6.0f)), at);
    } else {
        if (right)
            body->ApplyTorque(16.0f);
        else if (left)
            body->ApplyTorque(-16.0f);
    }

    // Overturn recovery.
    if (flipTimer > 0) {
        if (!slow && flipTimer > 60) {
            flipTimer = 0;
        } else {
            --flipTimer;
            if (flipTimer == 60) {
                g_Game->InjureRandomMember();
                PlayEffectAdjusted(s_bad, 50, 0, 1.0f);
            }
            if (flipTimer == 0) body->SetXForm(body->GetPosition(), body->GetAngle() + 3.1415927f);
        }
    } else if (up < -0.1f && slow) {
        flipTimer = 120;
    }

    // Curse.
    if (curseTimer > 0) {
        --curseTimer;
        if (curseTimer == 0) SetWheelRestitution(body, kWheelRestitution);
    }
}

void Wagon::ForgetResources() {
    s_soundsFetched = false;
    s_spritesFetched = false;
    s_click = s_bad = 0;
    s_frames[0] = s_frames[1] = nullptr;
}

void Wagon::Curse() {
    curseTimer = kCurseFrames;
    SetWheelRestitution(body, kCursedRestitution);
}

void Wagon::Draw() {
    if (!s_spritesFetched && g_ResourceManager) {
        s_spritesFetched = true;
        s_frames[0] = g_ResourceManager->GetSprite(SPRITE_WAGON[0]);
        s_frames[1] = g_ResourceManager->GetSprite(SPRITE_WAGON[1]);
    }
    const int frame = (stepCounter / 6) % 2;
    Sprite* sprite = s_frames[frame];
    if (!sprite) return;
    DWORD color = 0xFFFFFFFF;
    if (curseTimer > 0) color = frame == 0 ? 0xFFFF32FF : 0xFFC828C8;
    sprite->SetColor(color, -1);
    const phys::b2Vec2 p = body->GetPosition();
    sprite->RenderTransformed(p.x * PIXELS_PER_UNIT, p.y * PIXELS_PER_UNIT, body->GetAngle(), 1.0f, 1.0f);
}
