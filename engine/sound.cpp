// Sound: the binding of the sound library, its volumes, and the effect, music, stream and
// channel operations over it.
#include "engine/engine_impl.h"
#include "platform/sound/bass.h"

namespace {

// The library's entry points, shared by the whole process; valid while soundLib is set.
#define FW_BASS_POINTER(ret, name, params, args) name##_t name = nullptr;
FW_BASS_ENTRY_POINTS(FW_BASS_POINTER)
#undef FW_BASS_POINTER

// Truncates toward zero; values beyond the int range (or not a number) are held at its
// edge (0 for NaN) instead of being undefined.
int TruncateToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

// Frequency in hertz for a pitch factor, truncated toward zero.
int PitchFrequency(DWORD defaultFreq, float pitch) {
    return TruncateToInt(static_cast<double>(static_cast<float>(defaultFreq) * pitch));
}

// An entry point of the library as its own type (through the generic function type, which
// converts to any other without a warning).
template <typename T>
T Entry(HMODULE lib, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(lib, name)));
}

DWORD MusicPositionWord(int order, int row) {
    return 0x80000000u | ((static_cast<DWORD>(row) & 0xFFFF) << 16) | (static_cast<DWORD>(order) & 0xFFFF);
}

// The bytes a load call names: the caller's memory block when size is given, otherwise the
// file read through the resource system (loaded, for the caller to free).
struct SoundData {
    const void* data = nullptr;
    DWORD length = 0;
    void* loaded = nullptr;
};

bool ReadSoundData(EngineImpl* e, const char* filename, DWORD size, SoundData& out) {
    if (size) {
        out.data = filename;
        out.length = size;
        return true;
    }
    out.loaded = e->Resource_Load(filename, &out.length);
    out.data = out.loaded;
    return out.loaded != nullptr;
}

// Sets a channel's flags with the loop flag as asked.
void SetLooping(DWORD chn, DWORD flags, bool loop) {
    BASS_ChannelSetFlags(chn, loop ? flags | BASS_SAMPLE_LOOP : flags & ~BASS_SAMPLE_LOOP);
}

// Plays a music or stream at its own frequency, centred, at the volume and looping as asked.
void PlayAtOwnRate(DWORD chn, int volume, bool loop, BOOL restart) {
    BASS_CHANNELINFO info = {};
    BASS_ChannelGetInfo(chn, &info);
    BASS_ChannelSetAttributes(chn, static_cast<int>(info.freq), volume, 0);
    SetLooping(chn, info.flags, loop);
    BASS_ChannelPlay(chn, restart);
}

}  // namespace

bool EngineImpl::Sound_Init() {
    if (!useSound || soundLib) return true;

    soundLib = LoadLibraryA("bass.dll");
    if (!soundLib) {
        // Which files were tried, where, and why each was not loaded.
        if (*platform::LastModuleSearch()) System_Log("Sound library not loaded: %s", platform::LastModuleSearch());
        System_PostError("Can't load BASS.DLL");
        return false;
    }

    BASS_GetVersion = Entry<BASS_GetVersion_t>(soundLib, "BASS_GetVersion");
    if (!BASS_GetVersion || HIWORD(BASS_GetVersion()) != BASSVERSION) {
        System_PostError("Incorrect BASS.DLL version");
        FreeLibrary(soundLib);
        soundLib = nullptr;
        return false;
    }

    // A library of that version lacking an entry point is refused like another version:
    // calling through a null pointer is never an option.
    const char* missing = nullptr;
#define FW_BASS_TAKE(ret, name, params, args)                                        \
    name = Entry<name##_t>(soundLib, #name);                                         \
    if (!name && !missing) missing = #name;
    FW_BASS_ENTRY_POINTS(FW_BASS_TAKE)
#undef FW_BASS_TAKE
    if (missing) {
        System_Log("BASS.DLL lacks the entry point %s", missing);
        System_PostError("Incorrect BASS.DLL version");
        FreeLibrary(soundLib);
        soundLib = nullptr;
        return false;
    }

    silent = false;
    if (!BASS_Init(-1, static_cast<DWORD>(sampleRate), 0, window, nullptr)) {
        System_Log("BASS Init failed, using no sound");
        BASS_Init(0, static_cast<DWORD>(sampleRate), 0, window, nullptr);
        silent = true;
    } else {
        const char* device = BASS_GetDeviceDescription(1);
        System_Log("Sound Device: %s", device ? device : "");
        System_Log("Sample rate: %ld\n", static_cast<long>(sampleRate));
    }

    Sound_SetEffectVolume(fxVolume);
    Sound_SetMusicVolume(musVolume);
    Sound_SetStreamVolume(streamVolume);
    return true;
}

void EngineImpl::Sound_Done() {
    if (!soundLib) return;
    BASS_Stop();
    BASS_Free();
    FreeLibrary(soundLib);
    soundLib = nullptr;

    StreamNode* node = soundStreams;
    while (node) {
        StreamNode* next = node->next;
        Resource_Free(node->data);
        delete node;
        node = next;
    }
    soundStreams = nullptr;
}

void EngineImpl::Sound_SetEffectVolume(int volume) {
    if (soundLib) BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, static_cast<DWORD>(volume));
}

void EngineImpl::Sound_SetMusicVolume(int volume) {
    if (soundLib) BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, static_cast<DWORD>(volume));
}

void EngineImpl::Sound_SetStreamVolume(int volume) {
    if (soundLib) BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, static_cast<DWORD>(volume));
}

// ---- Effects

EffectHandle EngineImpl::Effect_Load(const char* filename, DWORD size) {
    if (!soundLib) return 0;
    if (silent) return 1;

    SoundData in;
    if (!ReadSoundData(this, filename, size, in)) return 0;

    HSAMPLE sample = BASS_SampleLoad(TRUE, in.data, 0, in.length, 4, BASS_SAMPLE_OVER_VOL);
    if (!sample) {
        HSTREAM stream = BASS_StreamCreateFile(TRUE, in.data, 0, in.length, BASS_STREAM_DECODE);
        // A length that does not fit 32 bits (the library's -1 for an unknown one among them)
        // would size the sample from a wrapped count: nothing is made of it.
        const QWORD length = stream ? BASS_ChannelGetLength(stream) : 0;
        if (length > 0xFFFFFFFFull) {
            BASS_StreamFree(stream);
            stream = 0;
        }
        if (stream) {
            BASS_CHANNELINFO info = {};
            DWORD decoded = static_cast<DWORD>(length);
            BASS_ChannelGetInfo(stream, &info);
            void* buffer = BASS_SampleCreate(decoded, info.freq, 4, info.flags | BASS_SAMPLE_OVER_VOL);
            if (!buffer) {
                BASS_StreamFree(stream);
                System_PostError("Can't create sound effect: Not enough memory");
            } else {
                BASS_ChannelGetData(stream, buffer, decoded);
                sample = BASS_SampleCreateDone();
                BASS_StreamFree(stream);
                if (!sample) System_PostLoadError("Can't create sound effect", filename, size);
            }
        } else {
            // Neither the sample loader nor the decoder takes the data.
            System_PostLoadError("Can't load sound effect", filename, size);
        }
    }

    if (in.loaded) Resource_Free(in.loaded);
    return sample;
}

void EngineImpl::Effect_Free(EffectHandle eff) {
    if (soundLib) BASS_SampleFree(eff);
}

ChannelHandle EngineImpl::Effect_Play(EffectHandle eff) {
    if (!soundLib) return 0;
    HCHANNEL chn = BASS_SampleGetChannel(eff, FALSE);
    BASS_ChannelPlay(chn, TRUE);
    return chn;
}

ChannelHandle EngineImpl::Effect_PlayAdjusted(EffectHandle eff, int volume, int pan, float pitch, bool loop) {
    if (!soundLib) return 0;
    BASS_SAMPLE info = {};
    BASS_SampleGetInfo(eff, &info);
    HCHANNEL chn = BASS_SampleGetChannel(eff, FALSE);
    BASS_ChannelSetAttributes(chn, PitchFrequency(info.freq, pitch), volume, pan);
    SetLooping(chn, info.flags, loop);
    BASS_ChannelPlay(chn, TRUE);
    return chn;
}

// ---- Music

MusicHandle EngineImpl::Music_Load(const char* filename, DWORD size) {
    if (!soundLib) return 0;
    SoundData in;
    if (!ReadSoundData(this, filename, size, in)) return 0;
    HMUSIC music = BASS_MusicLoad(TRUE, in.data, 0, in.length,
                                  BASS_MUSIC_POSRESETEX | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
    if (!music) System_PostLoadError("Can't load music", filename, size);
    if (in.loaded) Resource_Free(in.loaded);
    return music;
}

void EngineImpl::Music_Free(MusicHandle mus) {
    if (soundLib) BASS_MusicFree(mus);
}

ChannelHandle EngineImpl::Music_Play(MusicHandle mus, bool loop, int volume, int order, int row) {
    if (!soundLib) return 0;
    DWORD pos = BASS_MusicGetOrderPosition(mus);
    if (order == -1) order = LOWORD(pos);
    if (row == -1) row = HIWORD(pos);
    BASS_ChannelSetPosition(mus, MusicPositionWord(order, row));

    PlayAtOwnRate(mus, volume, loop, FALSE);
    return mus;
}

void EngineImpl::Music_SetAmplify(MusicHandle music, int ampl) {
    if (soundLib) BASS_MusicSetAttribute(music, BASS_MUSIC_ATTRIB_AMPLIFY, static_cast<DWORD>(ampl));
}

int EngineImpl::Music_GetAmplify(MusicHandle music) {
    if (!soundLib) return -1;
    return static_cast<int>(BASS_MusicGetAttribute(music, BASS_MUSIC_ATTRIB_AMPLIFY));
}

int EngineImpl::Music_GetLength(MusicHandle music) {
    if (!soundLib) return -1;
    return static_cast<int>(BASS_MusicGetOrders(music));
}

void EngineImpl::Music_SetPos(MusicHandle music, int order, int row) {
    if (soundLib) BASS_ChannelSetPosition(music, MusicPositionWord(order, row));
}

bool EngineImpl::Music_GetPos(MusicHandle music, int* order, int* row) {
    if (!soundLib) return false;
    DWORD pos = BASS_MusicGetOrderPosition(music);
    if (pos == 0xFFFFFFFFu) return false;
    if (order) *order = LOWORD(pos);
    if (row) *row = HIWORD(pos);
    return true;
}

void EngineImpl::Music_SetInstrumentVolume(MusicHandle music, int instr, int volume) {
    if (soundLib)
        BASS_MusicSetAttribute(music, BASS_MUSIC_ATTRIB_VOL_INST + static_cast<DWORD>(instr),
                               static_cast<DWORD>(volume));
}

int EngineImpl::Music_GetInstrumentVolume(MusicHandle music, int instr) {
    if (!soundLib) return -1;
    return static_cast<int>(BASS_MusicGetAttribute(music, BASS_MUSIC_ATTRIB_VOL_INST + static_cast<DWORD>(instr)));
}

void EngineImpl::Music_SetChannelVolume(MusicHandle music, int channel, int volume) {
    if (soundLib)
        BASS_MusicSetAttribute(music, BASS_MUSIC_ATTRIB_VOL_CHAN + static_cast<DWORD>(channel),
                               static_cast<DWORD>(volume));
}

int EngineImpl::Music_GetChannelVolume(MusicHandle music, int channel) {
    if (!soundLib) return -1;
    return static_cast<int>(
        BASS_MusicGetAttribute(music, BASS_MUSIC_ATTRIB_VOL_CHAN + static_cast<DWORD>(channel)));
}

// ---- Streams

StreamHandle EngineImpl::Stream_Load(const char* filename, DWORD size) {
    if (!soundLib) return 0;
    if (silent) return 1;

    SoundData in;
    if (!ReadSoundData(this, filename, size, in)) return 0;

    HSTREAM stream = BASS_StreamCreateFile(TRUE, in.data, 0, in.length, 0);
    if (!stream) {
        System_PostLoadError("Can't load stream", filename, size);
        if (in.loaded) Resource_Free(in.loaded);
        return 0;
    }
    if (in.loaded) {
        // The library reads the data while the stream plays: it lives as long as the stream.
        StreamNode* node = new StreamNode;
        node->stream = stream;
        node->data = in.loaded;
        node->next = soundStreams;
        soundStreams = node;
    }
    return stream;
}

void EngineImpl::Stream_Free(StreamHandle stream) {
    if (!soundLib) return;
    BASS_StreamFree(stream);
    StreamNode* prev = nullptr;
    for (StreamNode* node = soundStreams; node; prev = node, node = node->next) {
        if (node->stream != stream) continue;
        if (prev)
            prev->next = node->next;
        else
            soundStreams = node->next;
        Resource_Free(node->data);
        delete node;
        break;
    }
}

ChannelHandle EngineImpl::Stream_Play(StreamHandle stream, bool loop, int volume) {
    if (!soundLib) return 0;
    PlayAtOwnRate(stream, volume, loop, TRUE);
    return stream;
}

// ---- Channels

void EngineImpl::Channel_SetPanning(ChannelHandle chn, int pan) {
    if (soundLib) BASS_ChannelSetAttributes(chn, -1, -1, pan);
}

void EngineImpl::Channel_SetVolume(ChannelHandle chn, int volume) {
    if (soundLib) BASS_ChannelSetAttributes(chn, -1, volume, -101);
}

void EngineImpl::Channel_SetPitch(ChannelHandle chn, float pitch) {
    if (!soundLib) return;
    BASS_CHANNELINFO info = {};
    BASS_ChannelGetInfo(chn, &info);
    BASS_ChannelSetAttributes(chn, PitchFrequency(info.freq, pitch), -1, -101);
}

void EngineImpl::Channel_Pause(ChannelHandle chn) {
    if (soundLib) BASS_ChannelPause(chn);
}

void EngineImpl::Channel_Resume(ChannelHandle chn) {
    if (soundLib) BASS_ChannelPlay(chn, FALSE);
}

void EngineImpl::Channel_Stop(ChannelHandle chn) {
    if (soundLib) BASS_ChannelStop(chn);
}

void EngineImpl::Channel_PauseAll() {
    if (soundLib) BASS_Pause();
}

void EngineImpl::Channel_ResumeAll() {
    if (soundLib) BASS_Start();
}

void EngineImpl::Channel_StopAll() {
    if (!soundLib) return;
    BASS_Stop();
    BASS_Start();
}

bool EngineImpl::Channel_IsPlaying(ChannelHandle chn) {
    if (!soundLib) return false;
    return BASS_ChannelIsActive(chn) == BASS_ACTIVE_PLAYING;
}

float EngineImpl::Channel_GetLength(ChannelHandle chn) {
    if (!soundLib) return -1.0f;
    return BASS_ChannelBytes2Seconds(chn, BASS_ChannelGetLength(chn));
}

float EngineImpl::Channel_GetPos(ChannelHandle chn) {
    if (!soundLib) return -1.0f;
    return BASS_ChannelBytes2Seconds(chn, BASS_ChannelGetPosition(chn));
}

void EngineImpl::Channel_SetPos(ChannelHandle chn, float fSeconds) {
    if (soundLib) BASS_ChannelSetPosition(chn, BASS_ChannelSeconds2Bytes(chn, fSeconds));
}

void EngineImpl::Channel_SlideAttributes(ChannelHandle channel, float time, int volume, int pan, float pitch) {
    if (!soundLib) return;
    BASS_CHANNELINFO info = {};
    BASS_ChannelGetInfo(channel, &info);
    int freq = pitch == -1.0f ? -1 : PitchFrequency(info.freq, pitch);
    int ms = TruncateToInt(time * 1000.0);  // a negative time slides at once
    if (ms < 0) ms = 0;
    BASS_ChannelSlideAttributes(channel, freq, volume, pan, static_cast<DWORD>(ms));
}

bool EngineImpl::Channel_IsSliding(ChannelHandle channel) {
    if (!soundLib) return false;
    return BASS_ChannelIsSliding(channel) != 0;
}
