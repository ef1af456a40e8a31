// A program outside the engine's tree: it starts the engine on its default backend (a real SDL
// window and SDL audio), loads a sound through the sound library and draws a sprite for a few
// frames. Prints what it saw; ends with 0 when all of it worked.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/helpers/rect.h"
#include "engine/helpers/sprite.h"

namespace {

Engine* g_engine = nullptr;
Sprite* g_sprite = nullptr;
int g_frames = 0;

bool Frame() { return ++g_frames >= 3; }

bool Render() {
    if (g_engine->Gfx_BeginScene()) {
        g_engine->Gfx_Clear(0xFF000000);
        g_sprite->Render(4, 4);
        g_engine->Gfx_EndScene();
    }
    return false;
}

// A short 8-bit mono WAV of silence, built in memory.
std::vector<unsigned char> SilentWav() {
    const uint32_t samples = 800, rate = 8000;
    std::vector<unsigned char> wav(44 + samples, 0x80);
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) wav[at + i] = (v >> (8 * i)) & 0xFF; };
    auto put16 = [&](size_t at, uint16_t v) { wav[at] = v & 0xFF; wav[at + 1] = v >> 8; };
    std::memcpy(&wav[0], "RIFF", 4);
    put32(4, 36 + samples);
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, 1);  // mono
    put32(24, rate);
    put32(28, rate);
    put16(32, 1);
    put16(34, 8);
    std::memcpy(&wav[36], "data", 4);
    put32(40, samples);
    return wav;
}

}  // namespace

int main() {
    g_engine = CreateEngine(ENGINE_VERSION);
    g_engine->System_SetState(STATE_WINDOWED, true);
    g_engine->System_SetState(STATE_USE_SOUND, true);
    g_engine->System_SetState(STATE_SCREEN_WIDTH, 64);
    g_engine->System_SetState(STATE_SCREEN_HEIGHT, 48);
    g_engine->System_SetState(STATE_TITLE, "Consumer");
    g_engine->System_SetState(STATE_FRAME_FUNC, Frame);
    g_engine->System_SetState(STATE_RENDER_FUNC, Render);
    if (!g_engine->System_Initiate()) {
        std::printf("consumer: the engine did not start: %s\n", g_engine->System_GetErrorMessage());
        g_engine->System_Release();
        return 1;
    }

    // The engine's window is an SDL window with the title set (window ids start at 1).
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 64 && !window; ++id)
        if (SDL_Window* w = SDL_GetWindowFromID(id); w && std::strcmp(SDL_GetWindowTitle(w), "Consumer") == 0)
            window = w;
    const char* video = SDL_GetCurrentVideoDriver();
    const char* audio = SDL_GetCurrentAudioDriver();
    std::printf("consumer: %s window on video driver %s, audio driver %s\n", window ? "an SDL" : "no SDL",
                video ? video : "none", audio ? audio : "none");

    std::vector<unsigned char> wav = SilentWav();
    EffectHandle effect = g_engine->Effect_Load(reinterpret_cast<const char*>(wav.data()), DWORD(wav.size()));

    TextureHandle tex = g_engine->Texture_Create(8, 8);
    if (DWORD* px = g_engine->Texture_Lock(tex, false)) {
        for (int i = 0; i < 8 * 8; ++i) px[i] = 0xFF20C040;
        g_engine->Texture_Unlock(tex);
    }
    g_sprite = new Sprite(tex, 0, 0, 8, 8);
    Rect bounds;
    g_sprite->GetTransformedBounds(4, 4, 0, 2, 2, &bounds);

    g_engine->System_Start();

    std::printf("consumer: %d frames, sound %s, sprite bounds %.0f,%.0f-%.0f,%.0f\n", g_frames,
                effect ? "loaded" : "not loaded", bounds.x1, bounds.y1, bounds.x2, bounds.y2);
    bool ok = window && audio && g_frames == 3 && effect != 0 && bounds.x1 == 4 && bounds.y1 == 4 && bounds.x2 == 20 &&
              bounds.y2 == 20;

    delete g_sprite;
    g_engine->Texture_Free(tex);
    g_engine->Effect_Free(effect);
    g_engine->System_Shutdown();
    g_engine->System_Release();
    std::printf("consumer: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
