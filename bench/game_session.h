// The game started as the program starts it, on the headless backend with the generated data
// beside the benchmark program, for benchmarks that time parts of its frame.
#pragma once

#include <cstdlib>
#include <filesystem>

#include "game/app.h"
#include "game/utils.h"
#include "platform/backend/headless.h"

namespace fwbench {

inline bool DataPresent() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return !ec && std::filesystem::exists(exe.parent_path() / "data" / "tamble.res");
}

struct GameSession {
    bool ready = false;
    GameSession() {
        if (!DataPresent()) return;
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
