// The game started as the program starts it, on the headless backend with the generated data
// beside the benchmark program, for benchmarks that time parts of its frame.
#pragma once

#include <cstdlib>

#include "engine/helpers/sprite.h"
#include "game/app.h"
#include "game/game.h"
#include "game/utils.h"
#include "platform/backend/headless.h"
#include "tests/support/game_data.h"

namespace fwbench {

using fwtest::GameDataPresent;

struct GameSession {
    bool ready = false;
    int screenWidth, screenHeight;
    // A screen other than the game's own 640 x 480 gets the game's picture stretched to fill
    // it: the game draws its 320 x 240 target at twice its size through the target's sprite,
    // so the sprite is made half the screen's size (the game itself is not changed).
    explicit GameSession(int width = WINDOW_WIDTH, int height = WINDOW_HEIGHT)
        : screenWidth(width), screenHeight(height) {
        if (!GameDataPresent()) return;
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::headless::SetDebugEcho(false);
        if (width > 1024 || height > 768) platform::headless::SetDesktopSize(width, height);
        CreateGameEngine();
        g_Engine->System_SetState(STATE_SCREEN_WIDTH, width);
        g_Engine->System_SetState(STATE_SCREEN_HEIGHT, height);
        ready = StartGame();
        if (ready && (width != WINDOW_WIDTH || height != WINDOW_HEIGHT)) {
            g_Game->targetSprite->width = float(width) / SCREEN_SCALE;
            g_Game->targetSprite->height = float(height) / SCREEN_SCALE;
        }
    }
    ~GameSession() {
        EndGame();
        platform::headless::Reset();
    }
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;
};

}  // namespace fwbench
