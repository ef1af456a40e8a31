// A game object on the scripted engine stand-in: no window, keys set by the test, sounds and
// music recorded by name.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "tests/support/game_fake_engine.h"

namespace gametest {

// Effect handles stand for these names: handle = 1000 + index.
inline const char* const kSoundNames[] = {"good",   "bad",    "click1", "grunt1", "grunt2", "grunt3", "grunt4",
                                          "grunt5", "hit1",   "hit2",   "hit3",   "hit4"};
constexpr int kSoundCount = sizeof(kSoundNames) / sizeof(kSoundNames[0]);

inline EffectHandle SoundByName(const char* name) {
    for (int i = 0; i < kSoundCount; ++i)
        if (std::strcmp(kSoundNames[i], name) == 0) return EffectHandle(1000 + i);
    return 0;
}

inline std::string NameOfSound(EffectHandle h) {
    if (h >= 1000 && h < EffectHandle(1000 + kSoundCount)) return kSoundNames[h - 1000];
    return "?";
}

constexpr uint32_t kAny = 0xFFFFFFFFu;

// A seed whose first draws are the given (bound, value) pairs; kAny matches every value.
inline uint32_t SeedFor(std::initializer_list<std::pair<uint32_t, uint32_t>> draws) {
    for (uint32_t seed = 1;; ++seed) {
        g_RandomSeed = seed;
        bool ok = true;
        for (const auto& d : draws)
            if (RandomInt(d.first) != d.second && d.second != kAny) {
                ok = false;
                break;
            }
        if (ok) return seed;
    }
}

class GameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_SoundFinder = SoundByName;
        g_Engine = &engine;
        g_MouseCaptured = false;
        game = new Game();
    }
    void TearDown() override {
        delete game;
        g_Engine = nullptr;
    }

    // Runs n frames with the given keys held (and gone down on the first of them).
    void Frames(int n) {
        for (int i = 0; i < n; ++i) game->Update();
    }
    void Press(int key) {
        engine.keysDown = {key};
        game->Update();
        engine.keysDown.clear();
    }
    int CountEffect(const char* name) const {
        int n = 0;
        for (const auto& e : engine.effects) n += NameOfSound(e.effect) == name;
        return n;
    }
    StreamHandle Music(const char* file) const { return engine.StreamOf(file); }
    // Puts the wagon at rest at (x, y) with angle 0.
    void PlaceWagon(float x, float y) {
        game->wagon->body->SetXForm(b2Vec2(x, y), 0.0f);
        game->wagon->body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        game->wagon->body->SetAngularVelocity(0.0f);
    }

    GameFakeEngine engine;
    Game* game = nullptr;
};

}  // namespace gametest
