// The physics callbacks: the first wheel's ground contact, grunts and bangs on hard landings.
#include "game/game.h"
#include "game/resource_names.h"
#include "game/utils.h"
#include "game/wagon.h"

namespace {

EffectHandle s_grunts[GRUNT_COUNT] = {};
bool s_gruntsFetched = false;
EffectHandle s_hits[HIT_COUNT] = {};
bool s_hitsFetched = false;

bool Involves(const b2ContactPoint* point, const b2Shape* shape) {
    return shape && (point->shape1 == shape || point->shape2 == shape);
}

}  // namespace

void Game::ForgetContactSounds() {
    s_gruntsFetched = s_hitsFetched = false;
}

bool Game::TakeContact() {
    if (contactCount >= MAX_CONTACT_POINTS) return false;
    ++contactCount;
    return true;
}

void Game::Add(const b2ContactPoint* point) {
    if (!TakeContact() || !wagon) return;
    // Negative while the two shapes approach.
    const float impact = phys::b2Dot(point->velocity, point->normal);
    if (Involves(point, wagon->firstWheel)) {
        if (!s_gruntsFetched) {
            s_gruntsFetched = true;
            for (int i = 0; i < GRUNT_COUNT; ++i) s_grunts[i] = FindSound(SOUND_GRUNTS[i]);
        }
        wagon->onGround = true;
        if (impact < -10.0f) PlayEffect(s_grunts[RandomInt(GRUNT_COUNT)]);
    }
    if (Involves(point, wagon->secondWheel)) {
        if (!s_hitsFetched) {
            s_hitsFetched = true;
            for (int i = 0; i < HIT_COUNT; ++i) s_hits[i] = FindSound(SOUND_HITS[i]);
        }
        if (impact < -8.0f) PlayEffectAdjusted(s_hits[RandomInt(HIT_COUNT)], 15, 0, 1.0f);
    }
}

void Game::Persist(const b2ContactPoint* point) {
    if (!TakeContact() || !wagon) return;
    if (Involves(point, wagon->firstWheel)) wagon->onGround = true;
}

void Game::Remove(const b2ContactPoint* point) {
    if (!TakeContact() || !wagon) return;
    if (Involves(point, wagon->firstWheel)) wagon->onGround = false;
}

void Game::Violation(b2Body* body) { (void)body; }
