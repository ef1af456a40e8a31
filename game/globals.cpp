#include "game/globals.h"

#include "engine/helpers/resource_manager.h"

Engine* g_Engine = nullptr;
ResourceManager* g_ResourceManager = nullptr;
Game* g_Game = nullptr;
bool g_MouseCaptured = false;
int g_FrameCounter = 0;

float InitGroundLine() { return WORLD_HEIGHT - 1.0f; }
int InitWindowWidth() { return SCREEN_WIDTH * SCREEN_SCALE; }
int InitWindowHeight() { return SCREEN_HEIGHT * SCREEN_SCALE; }

const float GROUND_LINE = InitGroundLine();
const int WINDOW_WIDTH = InitWindowWidth();
const int WINDOW_HEIGHT = InitWindowHeight();

SoundFinder g_SoundFinder = nullptr;

EffectHandle FindSound(const char* name) {
    if (g_SoundFinder) return g_SoundFinder(name);
    if (g_ResourceManager) return g_ResourceManager->GetSound(name, 0);
    return 0;
}

void PlayEffect(EffectHandle effect) {
    if (effect && g_Engine) g_Engine->Effect_Play(effect);
}

void PlayEffectAdjusted(EffectHandle effect, int volume, int pan, float pitch) {
    if (effect && g_Engine) g_Engine->Effect_PlayAdjusted(effect, volume, pan, pitch, false);
}

void PlayStream(StreamHandle stream) {
    if (stream && g_Engine) g_Engine->Stream_Play(stream, false, 100);
}
