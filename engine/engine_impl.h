// The one engine object. Fields follow the declaration order of the engine's data model;
// each family's .cpp file implements its operations.
#pragma once

#include "engine/engine.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/win32.h"

struct SYSTEM_POWER_STATUS;
typedef BOOL (*GetSystemPowerStatusFunc)(SYSTEM_POWER_STATUS*);

struct TextureNode {
    TextureHandle texture;
    int width;   // of the image file
    int height;
    TextureNode* next;
};

struct RenderTarget {
    int width;
    int height;
    TextureHandle texture;
    IDirect3DSurface9* depth;
    RenderTarget* next;
    bool zbuffer;  // made with a depth surface: kept while a device reset re-makes it
};

struct StreamNode {
    StreamHandle stream;
    void* data;
    StreamNode* next;
};

struct ResourcePack {
    char path[MAX_PATH];
    char password[64];
    ResourcePack* next;
};

struct InputEventNode {
    InputEvent event;
    InputEventNode* next;
};

#define VERTEX_BUFFER_SIZE 4000

class EngineImpl final : public Engine {
public:
    // ---- System (engine_factory.cpp, system.cpp, screenshot.cpp)
    void System_Release() override;
    bool System_Initiate() override;
    void System_Shutdown() override;
    bool System_Start() override;
    char* System_GetErrorMessage() override;
    void System_Log(const char* format, ...) override;
    bool System_Launch(const char* url) override;
    void System_Screenshot(const char* filename = 0) override;

    // ---- Engine states (states.cpp)
    void System_SetStateBool(BoolState state, bool value) override;
    void System_SetStateFunc(FuncState state, EngineCallback value) override;
    void System_SetStateHwnd(HwndState state, HWND value) override;
    void System_SetStateInt(IntState state, int value) override;
    void System_SetStateString(StringState state, const char* value) override;
    bool System_GetStateBool(BoolState state) override;
    EngineCallback System_GetStateFunc(FuncState state) override;
    HWND System_GetStateHwnd(HwndState state) override;
    int System_GetStateInt(IntState state) override;
    const char* System_GetStateString(StringState state) override;

    // ---- Resource files and packs (resources.cpp)
    void* Resource_Load(const char* filename, DWORD* size = 0) override;
    void Resource_Free(void* res) override;
    bool Resource_AttachPack(const char* filename, const char* password = 0) override;
    void Resource_RemovePack(const char* filename) override;
    void Resource_RemoveAllPacks() override;
    char* Resource_FullPath(const char* filename) override;
    char* Resource_FindFile(const char* wildcard = 0) override;
    char* Resource_FindFolder(const char* wildcard = 0) override;

    // ---- Ini file and random numbers (ini.cpp, random.cpp)
    void Ini_SetInt(const char* section, const char* name, int value) override;
    int Ini_GetInt(const char* section, const char* name, int def_val) override;
    void Ini_SetFloat(const char* section, const char* name, float value) override;
    float Ini_GetFloat(const char* section, const char* name, float def_val) override;
    void Ini_SetString(const char* section, const char* name, const char* value) override;
    char* Ini_GetString(const char* section, const char* name, const char* def_val) override;
    void Random_Seed(int seed = 0) override;
    int Random_Int(int min, int max) override;
    float Random_Float(float min, float max) override;

    // ---- Timer (loop.cpp)
    float Timer_GetTime() override;
    float Timer_GetDelta() override;
    int Timer_GetFPS() override;

    // ---- Sound (sound.cpp)
    EffectHandle Effect_Load(const char* filename, DWORD size = 0) override;
    void Effect_Free(EffectHandle eff) override;
    ChannelHandle Effect_Play(EffectHandle eff) override;
    ChannelHandle Effect_PlayAdjusted(EffectHandle eff, int volume = 100, int pan = 0, float pitch = 1.0f,
                                      bool loop = false) override;
    MusicHandle Music_Load(const char* filename, DWORD size = 0) override;
    void Music_Free(MusicHandle mus) override;
    ChannelHandle Music_Play(MusicHandle mus, bool loop, int volume = 100, int order = -1,
                             int row = -1) override;
    void Music_SetAmplify(MusicHandle music, int ampl) override;
    int Music_GetAmplify(MusicHandle music) override;
    int Music_GetLength(MusicHandle music) override;
    void Music_SetPos(MusicHandle music, int order, int row) override;
    bool Music_GetPos(MusicHandle music, int* order, int* row) override;
    void Music_SetInstrumentVolume(MusicHandle music, int instr, int volume) override;
    int Music_GetInstrumentVolume(MusicHandle music, int instr) override;
    void Music_SetChannelVolume(MusicHandle music, int channel, int volume) override;
    int Music_GetChannelVolume(MusicHandle music, int channel) override;
    StreamHandle Stream_Load(const char* filename, DWORD size = 0) override;
    void Stream_Free(StreamHandle stream) override;
    ChannelHandle Stream_Play(StreamHandle stream, bool loop, int volume = 100) override;
    void Channel_SetPanning(ChannelHandle chn, int pan) override;
    void Channel_SetVolume(ChannelHandle chn, int volume) override;
    void Channel_SetPitch(ChannelHandle chn, float pitch) override;
    void Channel_Pause(ChannelHandle chn) override;
    void Channel_Resume(ChannelHandle chn) override;
    void Channel_Stop(ChannelHandle chn) override;
    void Channel_PauseAll() override;
    void Channel_ResumeAll() override;
    void Channel_StopAll() override;
    bool Channel_IsPlaying(ChannelHandle chn) override;
    float Channel_GetLength(ChannelHandle chn) override;
    float Channel_GetPos(ChannelHandle chn) override;
    void Channel_SetPos(ChannelHandle chn, float fSeconds) override;
    void Channel_SlideAttributes(ChannelHandle channel, float time, int volume, int pan = -101,
                                 float pitch = -1) override;
    bool Channel_IsSliding(ChannelHandle channel) override;

    // ---- Input (input.cpp)
    void Input_GetMousePos(float* x, float* y) override;
    void Input_SetMousePos(float x, float y) override;
    int Input_GetMouseWheel() override;
    bool Input_IsMouseOver() override;
    bool Input_KeyDown(int key) override;
    bool Input_KeyUp(int key) override;
    bool Input_GetKeyState(int key) override;
    const char* Input_GetKeyName(int key) override;
    int Input_GetKey() override;
    int Input_GetChar() override;
    bool Input_GetEvent(InputEvent* event) override;

    // ---- Graphics: scene, primitives, batching (gfx_scene.cpp)
    bool Gfx_BeginScene(TargetHandle target = 0) override;
    void Gfx_EndScene() override;
    void Gfx_FlushBatch() override;
    void Gfx_Clear(DWORD color) override;
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, DWORD color = 0xFFFFFFFF, float z = 0.5f) override;
    void Gfx_RenderTriangle(const Triangle* triple) override;
    void Gfx_RenderQuad(const Quad* quad) override;
    Vertex* Gfx_BeginBatch(int prim_type, TextureHandle tex, int blend, int* max_prim) override;
    void Gfx_EndBatch(int nprim) override;
    void Gfx_SetClipping(int x = 0, int y = 0, int w = 0, int h = 0) override;
    void Gfx_SetTransform(float x = 0, float y = 0, float dx = 0, float dy = 0, float rot = 0, float hscale = 0,
                          float vscale = 0) override;
    void Gfx_RenderRect(float x, float y, float width, float height, DWORD color) override;
    IDirect3DDevice9* Gfx_GetDevice() override;

    // ---- Graphics: render targets and textures (gfx_textures.cpp)
    TargetHandle Target_Create(int width, int height, bool zbuffer) override;
    void Target_Free(TargetHandle target) override;
    TextureHandle Target_GetTexture(TargetHandle target) override;
    TextureHandle Texture_Create(int width, int height) override;
    TextureHandle Texture_Load(const char* filename, DWORD size = 0, bool bMipmap = false) override;
    void Texture_Free(TextureHandle tex) override;
    int Texture_GetWidth(TextureHandle tex, bool bOriginal = false) override;
    int Texture_GetHeight(TextureHandle tex, bool bOriginal = false) override;
    DWORD* Texture_Lock(TextureHandle tex, bool bReadOnly = true, int left = 0, int top = 0, int width = 0,
                        int height = 0) override;
    void Texture_Unlock(TextureHandle tex) override;

    // ---- Internal operations
    static EngineImpl* Acquire();

    void System_PostError(const char* message);
    // Posts the failure of a load: "message: file name" when the data came from a named file
    // (size 0), the message alone for data held in memory.
    void System_PostLoadError(const char* message, const char* filename, DWORD size);
    void System_FocusChange(bool active);
    static LRESULT CALLBACK System_WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

    bool Gfx_Init();
    bool Gfx_Restore();
    bool Gfx_InitLost();
    void Gfx_AdjustWindow();
    void Gfx_Resize(int width, int height);
    void Gfx_Done();
    // Drops the records of the textures of Texture_Create; the textures stay with their owners.
    void Gfx_ForgetCreatedTextures();
    int Gfx_FormatId(D3DFORMAT fmt);
    void Gfx_SetProjectionMatrix(int width, int height);
    void Gfx_SetSceneView(TargetHandle target);
    void Gfx_RenderBatch(bool endOfScene = false);
    void Gfx_SetBlendMode(int blend);

    void Input_Init();
    void Input_UpdateMouse();
    void Input_BuildEvent(int type, int key, int scan, int flags, int x, int y);
    void Input_ClearQueue();
    void Input_FreeSpareEvents();

    bool Sound_Init();
    void Sound_Done();
    void Sound_SetEffectVolume(int volume);
    void Sound_SetMusicVolume(int volume);
    void Sound_SetStreamVolume(int volume);

    void Power_Init();
    void Power_Update();
    void Power_Done();

    EngineImpl();

    // ---- Fields, in the order of the data model
    HINSTANCE instance;
    HWND window;
    bool active;
    char errorText[256];
    char appPath[MAX_PATH];
    char iniString[256];

    EngineCallback frameFunc;
    EngineCallback renderFunc;
    EngineCallback focusLostFunc;
    EngineCallback focusGainFunc;
    EngineCallback gfxRestoreFunc;
    EngineCallback exitFunc;

    const char* iconName;
    char winTitle[256];
    int screenWidth;
    int screenHeight;
    int screenBPP;
    bool windowed;
    bool zBuffer;
    bool textureFilter;
    char iniFile[MAX_PATH];
    char logFile[MAX_PATH];
    bool useSound;
    int sampleRate;
    int fxVolume;
    int musVolume;
    int streamVolume;
    int fps;
    bool hideMouse;
    bool dontSuspend;
    HWND parentWindow;

    int powerStatus;
    HMODULE krnl32;
    GetSystemPowerStatusFunc getSystemPowerStatus;

    D3DPRESENT_PARAMETERS* d3dpp;
    D3DPRESENT_PARAMETERS d3dppW;
    RECT rectW;
    LONG styleW;
    D3DPRESENT_PARAMETERS d3dppFS;
    RECT rectFS;
    LONG styleFS;

    IDirect3D9* d3d;
    IDirect3DDevice9* d3dDevice;
    IDirect3DVertexBuffer9* vertexBuffer;
    IDirect3DIndexBuffer9* indexBuffer;
    IDirect3DSurface9* screenSurf;
    IDirect3DSurface9* screenDepth;
    RenderTarget* targets;
    RenderTarget* curTarget;
    D3DMATRIX viewMatrix;
    D3DMATRIX projMatrix;
    TextureNode* textures;
    Vertex* vertArray;
    int nPrim;
    int curPrimType;
    int curBlendMode;
    TextureHandle curTexture;

    HMODULE soundLib;
    bool silent;
    StreamNode* soundStreams;

    int lastKey;
    int lastChar;
    int wheel;
    float mouseX;
    float mouseY;
    bool mouseOver;
    bool captured;
    BYTE keyz[256];
    InputEventNode* queue;

    char pathBuffer[MAX_PATH];
    ResourcePack* packs;
    HANDLE search;
    WIN32_FIND_DATAA searchData;

    float time;
    float deltaTime;
    DWORD fixedDelta;
    int fpsShown;
    DWORD t0;
    DWORD t0fps;
    DWORD dt;
    int cfps;

    // ---- Private state added by the families (each family keeps to its own block)
    // system:
    // graphics:
    bool gfxClipEmpty = false;             // clip rectangle wholly outside the target: draw nothing
    TextureNode* gfxCreatedTextures = nullptr;  // textures of Texture_Create (no image size)
    bool gfxLostReady = false;  // the last Gfx_InitLost finished: buffers made, quad pattern written
    // input:
    InputEventNode* queueTail = nullptr;  // last node of the event queue, null when it is empty
    InputEventNode* spareEvents = nullptr;  // nodes of read and dropped events, for new ones
    // sound:
    // resources:
};

// The factory's process-wide values.
extern EngineImpl* pEngine;
extern int nRef;
