#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

EffectHandle EngineImpl::Effect_Load(const char* /*filename*/, DWORD /*size*/) { return 0; }
void EngineImpl::Effect_Free(EffectHandle /*eff*/) { }
ChannelHandle EngineImpl::Effect_Play(EffectHandle /*eff*/) { return 0; }
ChannelHandle EngineImpl::Effect_PlayAdjusted(EffectHandle /*eff*/, int /*volume*/, int /*pan*/, float /*pitch*/, bool /*loop*/) { return 0; }
MusicHandle EngineImpl::Music_Load(const char* /*filename*/, DWORD /*size*/) { return 0; }
void EngineImpl::Music_Free(MusicHandle /*mus*/) { }
ChannelHandle EngineImpl::Music_Play(MusicHandle /*mus*/, bool /*loop*/, int /*volume*/, int /*order*/, int /*row*/) { return 0; }
void EngineImpl::Music_SetAmplify(MusicHandle /*music*/, int /*ampl*/) { }
int EngineImpl::Music_GetAmplify(MusicHandle /*music*/) { return -1; }
int EngineImpl::Music_GetLength(MusicHandle /*music*/) { return -1; }
void EngineImpl::Music_SetPos(MusicHandle /*music*/, int /*order*/, int /*row*/) { }
bool EngineImpl::Music_GetPos(MusicHandle /*music*/, int* /*order*/, int* /*row*/) { return false; }
void EngineImpl::Music_SetInstrumentVolume(MusicHandle /*music*/, int /*instr*/, int /*volume*/) { }
int EngineImpl::Music_GetInstrumentVolume(MusicHandle /*music*/, int /*instr*/) { return -1; }
void EngineImpl::Music_SetChannelVolume(MusicHandle /*music*/, int /*channel*/, int /*volume*/) { }
int EngineImpl::Music_GetChannelVolume(MusicHandle /*music*/, int /*channel*/) { return -1; }
StreamHandle EngineImpl::Stream_Load(const char* /*filename*/, DWORD /*size*/) { return 0; }
void EngineImpl::Stream_Free(StreamHandle /*stream*/) { }
ChannelHandle EngineImpl::Stream_Play(StreamHandle /*stream*/, bool /*loop*/, int /*volume*/) { return 0; }
void EngineImpl::Channel_SetPanning(ChannelHandle /*chn*/, int /*pan*/) { }
void EngineImpl::Channel_SetVolume(ChannelHandle /*chn*/, int /*volume*/) { }
void EngineImpl::Channel_SetPitch(ChannelHandle /*chn*/, float /*pitch*/) { }
void EngineImpl::Channel_Pause(ChannelHandle /*chn*/) { }
void EngineImpl::Channel_Resume(ChannelHandle /*chn*/) { }
void EngineImpl::Channel_Stop(ChannelHandle /*chn*/) { }
void EngineImpl::Channel_PauseAll() { }
void EngineImpl::Channel_ResumeAll() { }
void EngineImpl::Channel_StopAll() { }
bool EngineImpl::Channel_IsPlaying(ChannelHandle /*chn*/) { return false; }
float EngineImpl::Channel_GetLength(ChannelHandle /*chn*/) { return -1.0f; }
float EngineImpl::Channel_GetPos(ChannelHandle /*chn*/) { return -1.0f; }
void EngineImpl::Channel_SetPos(ChannelHandle /*chn*/, float /*fSeconds*/) { }
void EngineImpl::Channel_SlideAttributes(ChannelHandle /*channel*/, float /*time*/, int /*volume*/, int /*pan*/, float /*pitch*/) { }
bool EngineImpl::Channel_IsSliding(ChannelHandle /*channel*/) { return false; }
bool EngineImpl::Sound_Init() { return false; }
void EngineImpl::Sound_Done() { }
void EngineImpl::Sound_SetEffectVolume(int /*volume*/) { }
void EngineImpl::Sound_SetMusicVolume(int /*volume*/) { }
void EngineImpl::Sound_SetStreamVolume(int /*volume*/) { }
