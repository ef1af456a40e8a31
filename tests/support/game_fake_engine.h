// A scripted stand-in for the engine interface, for the game's tests: key states set by the
// test, and the effect, stream and mouse calls recorded.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/engine.h"

class GameFakeEngine final : public Engine {
public:
    struct EffectCall {
        EffectHandle effect;
        int volume;
        int pan;
        float pitch;
        bool loop;
        bool plain;  // Effect_Play rather than Effect_PlayAdjusted
    };
    struct StreamCall {
        StreamHandle stream;
        bool loop;
        int volume;
    };
    struct MousePos {
        float x, y;
    };

    std::set<int> keysDown;  // went down this frame
    std::set<int> keysHeld;
    std::vector<EffectCall> effects;
    std::vector<std::string> streamFiles;  // handle = 101 + index
    std::vector<StreamCall> streamPlays;
    std::vector<MousePos> mouseSets;
    std::map<int, bool> boolStates;
    bool initiateResult = true;
    char errorText[256] = "fake error";

    GameFakeEngine() = default;
    ~GameFakeEngine() = default;

    // The stream handle a file was loaded as, or 0.
    StreamHandle StreamOf(const std::string& file) const {
        for (size_t i = 0; i < streamFiles.size(); ++i)
            if (streamFiles[i] == file) return StreamHandle(i + 101);
        return 0;
    }
    int PlaysOf(StreamHandle stream) const {
        int n = 0;
        for (const StreamCall& c : streamPlays) n += c.stream == stream;
        return n;
    }

    void System_Release() override {  }
    bool System_Initiate() override { return initiateResult; }
    void System_Shutdown() override {  }
    bool System_Start() override { return false; }
    char* System_GetErrorMessage() override { return errorText; }
    void System_Log(const char* format, ...) override { (void)format; }
    bool System_Launch(const char* url) override { (void)url; return false; }
    void System_Screenshot(const char* filename) override { (void)filename; }
    void System_SetStateBool(BoolState state, bool value) override { boolStates[state] = value; }
    void System_SetStateFunc(FuncState state, EngineCallback value) override { (void)state; (void)value; }
    void System_SetStateHwnd(HwndState state, HWND value) override { (void)state; (void)value; }
    void System_SetStateInt(IntState state, int value) override { (void)state; (void)value; }
    void System_SetStateString(StringState state, const char* value) override { (void)state; (void)value; }
    bool System_GetStateBool(BoolState state) override { return boolStates.count(state) ? boolStates[state] : false; }
    EngineCallback System_GetStateFunc(FuncState state) override { (void)state; return nullptr; }
    HWND System_GetStateHwnd(HwndState state) override { (void)state; return nullptr; }
    int System_GetStateInt(IntState state) override { (void)state; return 0; }
    const char* System_GetStateString(StringState state) override { (void)state; return nullptr; }
    void* Resource_Load(const char* filename, DWORD* size) override { (void)filename; (void)size; return nullptr; }
    void Resource_Free(void* res) override { (void)res; }
    bool Resource_AttachPack(const char* filename, const char* password) override { (void)filename; (void)password; return false; }
    void Resource_RemovePack(const char* filename) override { (void)filename; }
    void Resource_RemoveAllPacks() override {  }
    char* Resource_FullPath(const char* filename) override { (void)filename; return nullptr; }
    char* Resource_FindFile(const char* wildcard) override { (void)wildcard; return nullptr; }
    char* Resource_FindFolder(const char* wildcard) override { (void)wildcard; return nullptr; }
    void Ini_SetInt(const char* section, const char* name, int value) override { (void)section; (void)name; (void)value; }
    int Ini_GetInt(const char* section, const char* name, int def_val) override { (void)section; (void)name; (void)def_val; return 0; }
    void Ini_SetFloat(const char* section, const char* name, float value) override { (void)section; (void)name; (void)value; }
    float Ini_GetFloat(const char* section, const char* name, float def_val) override { (void)section; (void)name; (void)def_val; return 0.0f; }
    void Ini_SetString(const char* section, const char* name, const char* value) override { (void)section; (void)name; (void)value; }
    char* Ini_GetString(const char* section, const char* name, const char* def_val) override { (void)section; (void)name; (void)def_val; return nullptr; }
    void Random_Seed(int seed) override { (void)seed; }
    int Random_Int(int min, int max) override { (void)min; (void)max; return 0; }
    float Random_Float(float min, float max) override { (void)min; (void)max; return 0.0f; }
    float Timer_GetTime() override { return 0.0f; }
    float Timer_GetDelta() override { return 0.0f; }
    int Timer_GetFPS() override { return 0; }
    EffectHandle Effect_Load(const char* filename, DWORD size) override { (void)filename; (void)size; return 0; }
    void Effect_Free(EffectHandle eff) override { (void)eff; }
    ChannelHandle Effect_Play(EffectHandle eff) override { effects.push_back({eff, 100, 0, 1.0f, false, true}); return eff; }
    ChannelHandle Effect_PlayAdjusted(EffectHandle eff, int volume, int pan, float pitch, bool loop) override { effects.push_back({eff, volume, pan, pitch, loop, false}); return eff; }
    MusicHandle Music_Load(const char* filename, DWORD size) override { (void)filename; (void)size; return 0; }
    void Music_Free(MusicHandle mus) override { (void)mus; }
    ChannelHandle Music_Play(MusicHandle mus, bool loop, int volume, int order, int row) override { (void)mus; (void)loop; (void)volume; (void)order; (void)row; return 0; }
    void Music_SetAmplify(MusicHandle music, int ampl) override { (void)music; (void)ampl; }
    int Music_GetAmplify(MusicHandle music) override { (void)music; return 0; }
    int Music_GetLength(MusicHandle music) override { (void)music; return 0; }
    void Music_SetPos(MusicHandle music, int order, int row) override { (void)music; (void)order; (void)row; }
    bool Music_GetPos(MusicHandle music, int* order, int* row) override { (void)music; (void)order; (void)row; return false; }
    void Music_SetInstrumentVolume(MusicHandle music, int instr, int volume) override { (void)music; (void)instr; (void)volume; }
    int Music_GetInstrumentVolume(MusicHandle music, int instr) override { (void)music; (void)instr; return 0; }
    void Music_SetChannelVolume(MusicHandle music, int channel, int volume) override { (void)music; (void)channel; (void)volume; }
    int Music_GetChannelVolume(MusicHandle music, int channel) override { (void)music; (void)channel; return 0; }
    StreamHandle Stream_Load(const char* filename, DWORD size) override { (void)size; streamFiles.push_back(filename); return StreamHandle(streamFiles.size() + 100); }
    void Stream_Free(StreamHandle stream) override { (void)stream; }
    ChannelHandle Stream_Play(StreamHandle stream, bool loop, int volume) override { streamPlays.push_back({stream, loop, volume}); return stream; }
    void Channel_SetPanning(ChannelHandle chn, int pan) override { (void)chn; (void)pan; }
    void Channel_SetVolume(ChannelHandle chn, int volume) override { (void)chn; (void)volume; }
    void Channel_SetPitch(ChannelHandle chn, float pitch) override { (void)chn; (void)pitch; }
    void Channel_Pause(ChannelHandle chn) override { (void)chn; }
    void Channel_Resume(ChannelHandle chn) override { (void)chn; }
    void Channel_Stop(ChannelHandle chn) override { (void)chn; }
    void Channel_PauseAll() override {  }
    void Channel_ResumeAll() override {  }
    void Channel_StopAll() override {  }
    bool Channel_IsPlaying(ChannelHandle chn) override { (void)chn; return false; }
    float Channel_GetLength(ChannelHandle chn) override { (void)chn; return 0.0f; }
    float Channel_GetPos(ChannelHandle chn) override { (void)chn; return 0.0f; }
    void Channel_SetPos(ChannelHandle chn, float fSeconds) override { (void)chn; (void)fSeconds; }
    void Channel_SlideAttributes(ChannelHandle channel, float time, int volume, int pan, float pitch) override { (void)channel; (void)time; (void)volume; (void)pan; (void)pitch; }
    bool Channel_IsSliding(ChannelHandle channel) override { (void)channel; return false; }
    void Input_GetMousePos(float* x, float* y) override { (void)x; (void)y; }
    void Input_SetMousePos(float x, float y) override { mouseSets.push_back({x, y}); }
    int Input_GetMouseWheel() override { return 0; }
    bool Input_IsMouseOver() override { return false; }
    bool Input_KeyDown(int key) override { return keysDown.count(key) != 0; }
    bool Input_KeyUp(int key) override { (void)key; return false; }
    bool Input_GetKeyState(int key) override { return keysHeld.count(key) != 0; }
    const char* Input_GetKeyName(int key) override { (void)key; return nullptr; }
    int Input_GetKey() override { return 0; }
    int Input_GetChar() override { return 0; }
    bool Input_GetEvent(InputEvent* event) override { (void)event; return false; }
    bool Gfx_BeginScene(TargetHandle target) override { (void)target; return false; }
    void Gfx_EndScene() override {  }
    void Gfx_FlushBatch() override {  }
    void Gfx_Clear(DWORD color) override { (void)color; }
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, DWORD color, float z) override { (void)x1; (void)y1; (void)x2; (void)y2; (void)color; (void)z; }
    void Gfx_RenderTriangle(const Triangle* triple) override { (void)triple; }
    void Gfx_RenderQuad(const Quad* quad) override { (void)quad; }
    Vertex* Gfx_BeginBatch(int prim_type, TextureHandle tex, int blend, int* max_prim) override { (void)prim_type; (void)tex; (void)blend; (void)max_prim; return nullptr; }
    void Gfx_EndBatch(int nprim) override { (void)nprim; }
    void Gfx_SetClipping(int x, int y, int w, int h) override { (void)x; (void)y; (void)w; (void)h; }
    void Gfx_SetTransform(float x, float y, float dx, float dy, float rot, float hscale, float vscale) override { (void)x; (void)y; (void)dx; (void)dy; (void)rot; (void)hscale; (void)vscale; }
    void Gfx_RenderRect(float x, float y, float width, float height, DWORD color) override { (void)x; (void)y; (void)width; (void)height; (void)color; }
    IDirect3DDevice9* Gfx_GetDevice() override { return nullptr; }
    TargetHandle Target_Create(int width, int height, bool zbuffer) override { (void)width; (void)height; (void)zbuffer; return nullptr; }
    void Target_Free(TargetHandle target) override { (void)target; }
    TextureHandle Target_GetTexture(TargetHandle target) override { (void)target; return nullptr; }
    TextureHandle Texture_Create(int width, int height) override { (void)width; (void)height; return nullptr; }
    TextureHandle Texture_Load(const char* filename, DWORD size, bool bMipmap) override { (void)filename; (void)size; (void)bMipmap; return nullptr; }
    void Texture_Free(TextureHandle tex) override { (void)tex; }
    int Texture_GetWidth(TextureHandle tex, bool bOriginal) override { (void)tex; (void)bOriginal; return 0; }
    int Texture_GetHeight(TextureHandle tex, bool bOriginal) override { (void)tex; (void)bOriginal; return 0; }
    DWORD* Texture_Lock(TextureHandle tex, bool bReadOnly, int left, int top, int width, int height) override { (void)tex; (void)bReadOnly; (void)left; (void)top; (void)width; (void)height; return nullptr; }
    void Texture_Unlock(TextureHandle tex) override { (void)tex; }
};
