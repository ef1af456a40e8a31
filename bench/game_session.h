// The game started as the program starts it, on the headless backend with the generated data
// beside the benchmark program, for benchmarks that time parts of its frame.
#pragma once

#include <cstdlib>

#include "game/app.h"
#include "game/utils.h"
#include "platform/backend/headless.h"
#include "tests/support/game_data.h"

namespace fwbench {

using fwtest::GameDataPresent;

struct GameSession {
    bool ready = false;
    GameSession() {
        if (!GameDataPresent()) return;
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::headless::SetDebugEcho(false);
        CreateGameEngine();
        ready = StartGame();
    }
    ~GameSession() { EndGame(); }
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;
};

}  // namespace fwbench
