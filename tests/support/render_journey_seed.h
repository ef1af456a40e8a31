// The fixed journey of the game's picture tests: the first seed from a fixed start whose
// journey has every kind of feature (river, town, tribe, store).
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/utils.h"

namespace render_test {

constexpr uint32_t kFirstSeed = 20240615;

// Builds journeys on the game until one has every kind of feature and returns its seed; the
// game is left with that journey.
inline uint32_t SeedOfFullJourney(Game* game) {
    static uint32_t found = 0;
    for (uint32_t seed = found ? found : kFirstSeed;; ++seed) {
        g_RandomSeed = seed;
        game->NewJourney();
        bool river = false, town = false, tribe = false, store = false;
        for (const Feature& f : game->features) {
            river |= f.type == FEATURE_RIVER;
            town |= f.type == FEATURE_TOWN;
            tribe |= f.type == FEATURE_TRIBE;
            store |= f.type == FEATURE_STORE;
        }
        if (river && town && tribe && store) return found = seed;
    }
}

}  // namespace render_test
