// The physics callbacks: the first wheel's ground contact, grunts and bangs on hard landings.
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"

namespace {

EffectHandle s_grunts[5] = {};
bool s_gruntsFetched = false;
EffectHandle s_hits[4] = {};
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
            const char* names[5] = {"grunt1", "grunt2", "grunt3", "grunt4", "grunt5"};
            for (int i = 0; i < 5; ++i) s_grunts[i] = FindSound(names[i]);
        }
        wagon->onGround = true;
        if (impact < -10.0f) PlayEffect(s_grunts[RandomInt(5)]);
    }
    if (Involves(point, wagon->secondWheel)) {
        if (!s_hitsFetched) {
            s_hitsFetched = true;
            const char* names[4] = {"hit1", "hit2", "hit3", "hit4"};
            for (int i = 0; i < 4; ++i) s_hits[i] = FindSound(names[i]);
        }
        if (impact < -8.0f) PlayEffectAdjusted(s_hits[RandomInt(4)], 15, 0, 1.0f);
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
