// The game's globals and its world and screen constants.
#pragma once

#include "engine/engine.h"

class ResourceManager;
class Game;

extern Engine* g_Engine;
extern ResourceManager* g_ResourceManager;
extern Game* g_Game;
extern bool g_MouseCaptured;
// Frames since the game object was made; drives every cadence and blink of the game.
extern int g_FrameCounter;

// World units: x from 0 at the west end to 1000 at the east end, y from 0 at the top downward.
constexpr float TRAIL_LENGTH = 1000.0f;
constexpr float WORLD_HEIGHT = 100.0f;
constexpr float PIXELS_PER_UNIT = 16.0f;
constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 240;
constexpr int SCREEN_SCALE = 2;

// Derived from the values above at program start-up.
float InitGroundLine();
int InitWindowWidth();
int InitWindowHeight();
extern const float GROUND_LINE;  // top of the floor, 99
extern const int WINDOW_WIDTH;   // 640
extern const int WINDOW_HEIGHT;  // 480

// Effects by name: from the hook when one is set, else from the resource manager (group 0);
// 0 when neither has it.
typedef EffectHandle (*SoundFinder)(const char* name);
extern SoundFinder g_SoundFinder;
EffectHandle FindSound(const char* name);

// Sound cues that do nothing for a missing sound or stream.
void PlayEffect(EffectHandle effect);
void PlayEffectAdjusted(EffectHandle effect, int volume, int pan, float pitch);
void PlayStream(StreamHandle stream);
