// Shared set-up of the fuzz targets: one quiet engine on the headless backend with its
// graphics device (sound off), and the input written to a file under the application folder
// (each process its own file, so parallel jobs do not meet).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "platform/backend/headless.h"

namespace fwfuzz {

inline std::string AppFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    std::string path(buf);
    return path.substr(0, path.rfind('/') + 1);
}

// The engine, started once per process and never shut down (the fuzzer exits the process).
inline Engine* GetEngine() {
    static Engine* engine = [] {
        platform::headless::SetDebugEcho(false);
        Engine* e = CreateEngine(ENGINE_VERSION);
        e->System_SetState(STATE_WINDOWED, true);
        e->System_SetState(STATE_USE_SOUND, false);
        e->System_SetState(STATE_SCREEN_WIDTH, 320);
        e->System_SetState(STATE_SCREEN_HEIGHT, 240);
        e->System_SetState(STATE_TITLE, "fuzz");
        if (!e->System_Initiate()) std::fprintf(stderr, "fuzz: start-up failed: %s\n", e->System_GetErrorMessage());
        return e;
    }();
    return engine;
}

// A relative file name (under the application folder) unique to this process and tag.
inline std::string InputName(const char* tag) {
    return "fuzz_" + std::string(tag) + "_" + std::to_string(getpid());
}

// Writes the bytes to the named file under the application folder.
inline bool WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen((AppFolder() + name).c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The captured log grows with every line: empty it after each input.
inline void ForgetLog() { platform::headless::ClearDebugOutput(); }

}  // namespace fwfuzz
