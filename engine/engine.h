// The engine interface: every host and helper reaches the engine only through this header.
#pragma once

#include "platform/win32/win_types.h"

#define ENGINE_VERSION 0x180

struct IDirect3DDevice9;
struct IDirect3DTexture9;
struct RenderTarget;

typedef bool (*EngineCallback)();

// Engine states, one enumerated type per family.
enum BoolState {
    STATE_WINDOWED = 1,
    STATE_ZBUFFER = 2,
    STATE_TEXTURE_FILTER = 3,
    STATE_USE_SOUND = 4,
    STATE_DONT_SUSPEND = 5,
    STATE_HIDE_MOUSE = 6,
    BOOLSTATE_FORCE_DWORD = 0x7FFFFFFF
};

enum FuncState {
    STATE_FRAME_FUNC = 8,
    STATE_RENDER_FUNC = 9,
    STATE_FOCUS_LOST_FUNC = 10,
    STATE_FOCUS_GAIN_FUNC = 11,
    STATE_GFX_RESTORE_FUNC = 12,
    STATE_EXIT_FUNC = 13,
    FUNCSTATE_FORCE_DWORD = 0x7FFFFFFF
};

enum HwndState {
    STATE_WINDOW = 15,
    STATE_PARENT_WINDOW = 16,
    HWNDSTATE_FORCE_DWORD = 0x7FFFFFFF
};

enum IntState {
    STATE_SCREEN_WIDTH = 17,
    STATE_SCREEN_HEIGHT = 18,
    STATE_SCREEN_BPP = 19,
    STATE_SAMPLE_RATE = 20,
    STATE_EFFECT_VOLUME = 21,
    STATE_MUSIC_VOLUME = 22,
    STATE_STREAM_VOLUME = 23,
    STATE_FPS = 24,
    STATE_POWER_STATUS = 25,
    INTSTATE_FORCE_DWORD = 0x7FFFFFFF
};

enum StringState {
    STATE_ICON = 26,
    STATE_TITLE = 27,
    STATE_INI_FILE = 28,
    STATE_LOG_FILE = 29,
    STRINGSTATE_FORCE_DWORD = 0x7FFFFFFF
};

#define FPS_UNLIMITED 0
#define FPS_VSYNC -1

#define POWER_STATUS_AC -1
#define POWER_STATUS_UNKNOWN -2

// Handles. Texture and target handles are the engine's own objects; sound handles are
// the sound library's 32-bit handles (0 = none or failure).
typedef IDirect3DTexture9* TextureHandle;
typedef RenderTarget* TargetHandle;
typedef DWORD EffectHandle;
typedef DWORD MusicHandle;
typedef DWORD StreamHandle;
typedef DWORD ChannelHandle;

// Blend mode bits.
#define BLENDMODE_COLORMUL 0
#define BLENDMODE_COLORADD 1
#define BLENDMODE_ALPHAADD 0
#define BLENDMODE_ALPHABLEND 2
#define BLENDMODE_NOZWRITE 0
#define BLENDMODE_ZWRITE 4
#define BLENDMODE_DEFAULT (BLENDMODE_COLORMUL | BLENDMODE_ALPHABLEND | BLENDMODE_NOZWRITE)

// Primitive types: vertices per primitive.
#define PRIM_LINES 2
#define PRIM_TRIANGLES 3
#define PRIM_QUADS 4

struct Vertex {
    float x, y;
    float z;
    DWORD col;
    float tx, ty;
};
static_assert(sizeof(Vertex) == 24, "Vertex is the device's 24-byte vertex record");

struct Triangle {
    Vertex v[3];
    TextureHandle tex;
    int blend;
};

struct Quad {
    Vertex v[4];
    TextureHandle tex;
    int blend;
};

// Input events.
#define INPUT_KEYDOWN 1
#define INPUT_KEYUP 2
#define INPUT_MBUTTONDOWN 3
#define INPUT_MBUTTONUP 4
#define INPUT_MOUSEMOVE 5
#define INPUT_MOUSEWHEEL 6

#define INPUT_FLAG_SHIFT 1
#define INPUT_FLAG_CTRL 2
#define INPUT_FLAG_ALT 4
#define INPUT_FLAG_CAPSLOCK 8
#define INPUT_FLAG_SCROLLLOCK 16
#define INPUT_FLAG_NUMLOCK 32
#define INPUT_FLAG_REPEAT 64

struct InputEvent {
    int type;
    int key;
    int flags;
    int chr;
    int wheel;
    float x;
    float y;
};

// The abstract engine: 106 operations in a fixed order. Users release it, never delete it.
class Engine {
public:
    // System
    virtual void System_Release() = 0;
    virtual bool System_Initiate() = 0;
    virtual void System_Shutdown() = 0;
    virtual bool System_Start() = 0;
    virtual char* System_GetErrorMessage() = 0;
    virtual void System_Log(const char* format, ...) = 0;
    virtual bool System_Launch(const char* url) = 0;
    virtual void System_Screenshot(const char* filename = 0) = 0;

    // Engine states
    virtual void System_SetStateBool(BoolState state, bool value) = 0;
    virtual void System_SetStateFunc(FuncState state, EngineCallback value) = 0;
    virtual void System_SetStateHwnd(HwndState state, HWND value) = 0;
    virtual void System_SetStateInt(IntState state, int value) = 0;
    virtual void System_SetStateString(StringState state, const char* value) = 0;
    virtual bool System_GetStateBool(BoolState state) = 0;
    virtual EngineCallback System_GetStateFunc(FuncState state) = 0;
    virtual HWND System_GetStateHwnd(HwndState state) = 0;
    virtual int System_GetStateInt(IntState state) = 0;
    virtual const char* System_GetStateString(StringState state) = 0;

    // Resource files and packs
    virtual void* Resource_Load(const char* filename, DWORD* size = 0) = 0;
    virtual void Resource_Free(void* res) = 0;
    virtual bool Resource_AttachPack(const char* filename, const char* password = 0) = 0;
    virtual void Resource_RemovePack(const char* filename) = 0;
    virtual void Resource_RemoveAllPacks() = 0;
    virtual char* Resource_FullPath(const char* filename) = 0;
    virtual char* Resource_FindFile(const char* wildcard = 0) = 0;
    virtual char* Resource_FindFolder(const char* wildcard = 0) = 0;

    // Ini file and random numbers
    virtual void Ini_SetInt(const char* section, const char* name, int value) = 0;
    virtual int Ini_GetInt(const char* section, const char* name, int def_val) = 0;
    virtual void Ini_SetFloat(const char* section, const char* name, float value) = 0;
    virtual float Ini_GetFloat(const char* section, const char* name, float def_val) = 0;
    virtual void Ini_SetString(const char* section, const char* name, const char* value) = 0;
    virtual char* Ini_GetString(const char* section, const char* name, const char* def_val) = 0;
    virtual void Random_Seed(int seed = 0) = 0;
    virtual int Random_Int(int min, int max) = 0;
    virtual float Random_Float(float min, float max) = 0;

    // Timer
    virtual float Timer_GetTime() = 0;
    virtual float Timer_GetDelta() = 0;
    virtual int Timer_GetFPS() = 0;

    // Sound
    virtual EffectHandle Effect_Load(const char* filename, DWORD size = 0) = 0;
    virtual void Effect_Free(EffectHandle eff) = 0;
    virtual ChannelHandle Effect_Play(EffectHandle eff) = 0;
    virtual ChannelHandle Effect_PlayAdjusted(EffectHandle eff, int volume = 100, int pan = 0,
                                              float pitch = 1.0f, bool loop = false) = 0;
    virtual MusicHandle Music_Load(const char* filename, DWORD size = 0) = 0;
    virtual void Music_Free(MusicHandle mus) = 0;
    virtual ChannelHandle Music_Play(MusicHandle mus, bool loop, int volume = 100, int order = -1,
                                     int row = -1) = 0;
    virtual void Music_SetAmplify(MusicHandle music, int ampl) = 0;
    virtual int Music_GetAmplify(MusicHandle music) = 0;
    virtual int Music_GetLength(MusicHandle music) = 0;
    virtual void Music_SetPos(MusicHandle music, int order, int row) = 0;
    virtual bool Music_GetPos(MusicHandle music, int* order, int* row) = 0;
    virtual void Music_SetInstrumentVolume(MusicHandle music, int instr, int volume) = 0;
    virtual int Music_GetInstrumentVolume(MusicHandle music, int instr) = 0;
    virtual void Music_SetChannelVolume(MusicHandle music, int channel, int volume) = 0;
    virtual int Music_GetChannelVolume(MusicHandle music, int channel) = 0;
    virtual StreamHandle Stream_Load(const char* filename, DWORD size = 0) = 0;
    virtual void Stream_Free(StreamHandle stream) = 0;
    virtual ChannelHandle Stream_Play(StreamHandle stream, bool loop, int volume = 100) = 0;
    virtual void Channel_SetPanning(ChannelHandle chn, int pan) = 0;
    virtual void Channel_SetVolume(ChannelHandle chn, int volume) = 0;
    virtual void Channel_SetPitch(ChannelHandle chn, float pitch) = 0;
    virtual void Channel_Pause(ChannelHandle chn) = 0;
    virtual void Channel_Resume(ChannelHandle chn) = 0;
    virtual void Channel_Stop(ChannelHandle chn) = 0;
    virtual void Channel_PauseAll() = 0;
    virtual void Channel_ResumeAll() = 0;
    virtual void Channel_StopAll() = 0;
    virtual bool Channel_IsPlaying(ChannelHandle chn) = 0;
    virtual float Channel_GetLength(ChannelHandle chn) = 0;
    virtual float Channel_GetPos(ChannelHandle chn) = 0;
    virtual void Channel_SetPos(ChannelHandle chn, float fSeconds) = 0;
    virtual void Channel_SlideAttributes(ChannelHandle channel, float time, int volume, int pan = -101,
                                         float pitch = -1) = 0;
    virtual bool Channel_IsSliding(ChannelHandle channel) = 0;

    // Input
    virtual void Input_GetMousePos(float* x, float* y) = 0;
    virtual void Input_SetMousePos(float x, float y) = 0;
    virtual int Input_GetMouseWheel() = 0;
    virtual bool Input_IsMouseOver() = 0;
    virtual bool Input_KeyDown(int key) = 0;
    virtual bool Input_KeyUp(int key) = 0;
    virtual bool Input_GetKeyState(int key) = 0;
    virtual const char* Input_GetKeyName(int key) = 0;
    virtual int Input_GetKey() = 0;
    virtual int Input_GetChar() = 0;
    virtual bool Input_GetEvent(InputEvent* event) = 0;

    // Graphics: scene, primitives and batching
    virtual bool Gfx_BeginScene(TargetHandle target = 0) = 0;
    virtual void Gfx_EndScene() = 0;
    virtual void Gfx_FlushBatch() = 0;
    virtual void Gfx_Clear(DWORD color) = 0;
    virtual void Gfx_RenderLine(float x1, float y1, float x2, float y2, DWORD color = 0xFFFFFFFF,
                                float z = 0.5f) = 0;
    virtual void Gfx_RenderTriangle(const Triangle* triple) = 0;
    virtual void Gfx_RenderQuad(const Quad* quad) = 0;
    virtual Vertex* Gfx_BeginBatch(int prim_type, TextureHandle tex, int blend, int* max_prim) = 0;
    virtual void Gfx_EndBatch(int nprim) = 0;
    virtual void Gfx_SetClipping(int x = 0, int y = 0, int w = 0, int h = 0) = 0;
    virtual void Gfx_SetTransform(float x = 0, float y = 0, float dx = 0, float dy = 0, float rot = 0,
                                  float hscale = 0, float vscale = 0) = 0;
    virtual void Gfx_RenderRect(float x, float y, float width, float height, DWORD color) = 0;
    virtual IDirect3DDevice9* Gfx_GetDevice() = 0;

    // Graphics: render targets and textures
    virtual TargetHandle Target_Create(int width, int height, bool zbuffer) = 0;
    virtual void Target_Free(TargetHandle target) = 0;
    virtual TextureHandle Target_GetTexture(TargetHandle target) = 0;
    virtual TextureHandle Texture_Create(int width, int height) = 0;
    virtual TextureHandle Texture_Load(const char* filename, DWORD size = 0, bool bMipmap = false) = 0;
    virtual void Texture_Free(TextureHandle tex) = 0;
    virtual int Texture_GetWidth(TextureHandle tex, bool bOriginal = false) = 0;
    virtual int Texture_GetHeight(TextureHandle tex, bool bOriginal = false) = 0;
    virtual DWORD* Texture_Lock(TextureHandle tex, bool bReadOnly = true, int left = 0, int top = 0,
                                int width = 0, int height = 0) = 0;
    virtual void Texture_Unlock(TextureHandle tex) = 0;

    // Typed state shorthands: forward to the family's operation.
    inline void System_SetState(BoolState state, bool value) { System_SetStateBool(state, value); }
    inline void System_SetState(FuncState state, EngineCallback value) { System_SetStateFunc(state, value); }
    inline void System_SetState(IntState state, int value) { System_SetStateInt(state, value); }
    inline void System_SetState(StringState state, const char* value) { System_SetStateString(state, value); }
    inline bool System_GetState(BoolState state) { return System_GetStateBool(state); }

protected:
    Engine() = default;
    ~Engine() = default;
};

extern "C++" Engine* CreateEngine(int ver);
