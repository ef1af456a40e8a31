// The sound library's interface: records, constants, the 38 entry points and the test
// entry points. The library defines the functions (FW_BASS_BUILD set); the engine takes
// them by name at run time and uses the pointer types declared here.
#pragma once

#include "platform/win32/win_types.h"

typedef DWORD HSAMPLE;
typedef DWORD HCHANNEL;
typedef DWORD HMUSIC;
typedef DWORD HSTREAM;

// Version 2.3 in the high word.
#define BASSVERSION 0x0203

// Configuration options: global volumes, 0 to 100.
#define BASS_CONFIG_GVOL_SAMPLE 4
#define BASS_CONFIG_GVOL_STREAM 5
#define BASS_CONFIG_GVOL_MUSIC 6

// Sample, channel, stream and music flags.
#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_LOOP 4
#define BASS_SAMPLE_OVER_VOL 0x10000
#define BASS_STREAM_PRESCAN 0x20000
#define BASS_STREAM_DECODE 0x200000
#define BASS_MUSIC_RAMP 0x200
#define BASS_MUSIC_RAMPS 0x400
#define BASS_MUSIC_POSRESET 0x8000
#define BASS_MUSIC_PRESCAN BASS_STREAM_PRESCAN
#define BASS_MUSIC_POSRESETEX 0x400000

// Music attributes.
#define BASS_MUSIC_ATTRIB_AMPLIFY 0
#define BASS_MUSIC_ATTRIB_VOL_CHAN 0x100
#define BASS_MUSIC_ATTRIB_VOL_INST 0x200

// Channel states.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// Channel types reported in BASS_CHANNELINFO::ctype.
#define BASS_CTYPE_SAMPLE 1
#define BASS_CTYPE_STREAM 0x10000
#define BASS_CTYPE_STREAM_OGG 0x10002
#define BASS_CTYPE_STREAM_MP3 0x10005
#define BASS_CTYPE_STREAM_WAV 0x40000
#define BASS_CTYPE_MUSIC_MOD 0x20000

struct BASS_SAMPLE {
    DWORD freq;     // default rate
    DWORD volume;   // default volume 0 to 100
    int pan;        // default pan -100 to 100
    DWORD flags;
    DWORD length;   // bytes
    DWORD max;      // simultaneous playbacks
    DWORD origres;  // bits per sample of the source
    DWORD chans;
    DWORD mingap;
};

struct BASS_CHANNELINFO {
    DWORD freq;     // default rate
    DWORD chans;
    DWORD flags;
    DWORD ctype;
    DWORD origres;
    DWORD plugin;
};

// The 38 entry points, in the order the engine takes them:
// X(result, name, parameter list, argument list).
#define FW_BASS_ENTRY_POINTS(X)                                                                   \
    X(DWORD, BASS_GetVersion, (), ())                                                              \
    X(const char*, BASS_GetDeviceDescription, (DWORD device), (device))                            \
    X(BOOL, BASS_Init, (int device, DWORD freq, DWORD flags, HWND win, const void* clsid),         \
      (device, freq, flags, win, clsid))                                                           \
    X(BOOL, BASS_Free, (), ())                                                                     \
    X(BOOL, BASS_Start, (), ())                                                                    \
    X(BOOL, BASS_Pause, (), ())                                                                    \
    X(BOOL, BASS_Stop, (), ())                                                                     \
    X(DWORD, BASS_SetConfig, (DWORD option, DWORD value), (option, value))                         \
    X(HSAMPLE, BASS_SampleLoad,                                                                    \
      (BOOL mem, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags),            \
      (mem, file, offset, length, max, flags))                                                     \
    X(void*, BASS_SampleCreate, (DWORD length, DWORD freq, DWORD max, DWORD flags),                \
      (length, freq, max, flags))                                                                  \
    X(HSAMPLE, BASS_SampleCreateDone, (), ())                                                      \
    X(BOOL, BASS_SampleGetInfo, (HSAMPLE handle, BASS_SAMPLE * info), (handle, info))              \
    X(HCHANNEL, BASS_SampleGetChannel, (HSAMPLE handle, BOOL onlynew), (handle, onlynew))          \
    X(BOOL, BASS_SampleFree, (HSAMPLE handle), (handle))                                           \
    X(HMUSIC, BASS_MusicLoad,                                                                      \
      (BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags, DWORD freq),           \
      (mem, file, offset, length, flags, freq))                                                    \
    X(BOOL, BASS_MusicFree, (HMUSIC handle), (handle))                                             \
    X(DWORD, BASS_MusicGetOrders, (HMUSIC handle), (handle))                                       \
    X(DWORD, BASS_MusicGetOrderPosition, (HMUSIC handle), (handle))                                \
    X(DWORD, BASS_MusicSetAttribute, (HMUSIC handle, DWORD attrib, DWORD value),                   \
      (handle, attrib, value))                                                                     \
    X(DWORD, BASS_MusicGetAttribute, (HMUSIC handle, DWORD attrib), (handle, attrib))              \
    X(HSTREAM, BASS_StreamCreateFile,                                                              \
      (BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags),                       \
      (mem, file, offset, length, flags))                                                          \
    X(BOOL, BASS_StreamFree, (HSTREAM handle), (handle))                                           \
    X(BOOL, BASS_ChannelGetInfo, (DWORD handle, BASS_CHANNELINFO * info), (handle, info))          \
    X(BOOL, BASS_ChannelGetAttributes, (DWORD handle, DWORD * freq, DWORD * volume, int* pan),     \
      (handle, freq, volume, pan))                                                                 \
    X(BOOL, BASS_ChannelSetAttributes, (DWORD handle, int freq, int volume, int pan),              \
      (handle, freq, volume, pan))                                                                 \
    X(BOOL, BASS_ChannelSlideAttributes, (DWORD handle, int freq, int volume, int pan, DWORD time), \
      (handle, freq, volume, pan, time))                                                           \
    X(DWORD, BASS_ChannelIsSliding, (DWORD handle), (handle))                                      \
    X(BOOL, BASS_ChannelSetFlags, (DWORD handle, DWORD flags), (handle, flags))                    \
    X(DWORD, BASS_ChannelGetData, (DWORD handle, void* buffer, DWORD length),                      \
      (handle, buffer, length))                                                                    \
    X(BOOL, BASS_ChannelPlay, (DWORD handle, BOOL restart), (handle, restart))                     \
    X(BOOL, BASS_ChannelPause, (DWORD handle), (handle))                                           \
    X(BOOL, BASS_ChannelStop, (DWORD handle), (handle))                                            \
    X(DWORD, BASS_ChannelIsActive, (DWORD handle), (handle))                                       \
    X(QWORD, BASS_ChannelGetLength, (DWORD handle), (handle))                                      \
    X(QWORD, BASS_ChannelGetPosition, (DWORD handle), (handle))                                    \
    X(BOOL, BASS_ChannelSetPosition, (DWORD handle, QWORD pos), (handle, pos))                     \
    X(QWORD, BASS_ChannelSeconds2Bytes, (DWORD handle, float pos), (handle, pos))                  \
    X(float, BASS_ChannelBytes2Seconds, (DWORD handle, QWORD pos), (handle, pos))

// Pointer types, e.g. BASS_ChannelPlay_t.
#define FW_BASS_POINTER_TYPE(ret, name, params, args) typedef ret(*name##_t) params;
FW_BASS_ENTRY_POINTS(FW_BASS_POINTER_TYPE)
#undef FW_BASS_POINTER_TYPE

// ---- Test entry points (looked up with dlsym or GetProcAddress by tests only).

// Faults a test can switch on.
enum FW_SoundFault {
    FW_SOUND_FAULT_NO_DEVICE = 1,           // BASS_Init(-1) fails: no audio device
    FW_SOUND_FAULT_NOSOUND_INIT = 2,        // BASS_Init(0) fails as well
    FW_SOUND_FAULT_SAMPLE_LOAD = 3,         // BASS_SampleLoad refuses every file
    FW_SOUND_FAULT_DECODE_STREAM = 4,       // BASS_StreamCreateFile with BASS_STREAM_DECODE refuses
    FW_SOUND_FAULT_SAMPLE_CREATE = 5,       // BASS_SampleCreate gives null
    FW_SOUND_FAULT_SAMPLE_CREATE_DONE = 6,  // BASS_SampleCreateDone gives 0
    FW_SOUND_FAULT_MUSIC_LOAD = 7,          // BASS_MusicLoad refuses every module
    FW_SOUND_FAULT_STREAM = 8,              // BASS_StreamCreateFile without decode refuses
    FW_SOUND_FAULT_NO_ORDER_POSITION = 9,   // BASS_MusicGetOrderPosition gives 0xFFFFFFFF
    FW_SOUND_FAULT_COUNT = 10
};

// Values a test can force on every channel query (row 12 of the fault list).
enum FW_SoundOverride {
    FW_SOUND_OVERRIDE_ACTIVE = 0,    // BASS_ChannelIsActive result
    FW_SOUND_OVERRIDE_SLIDING = 1,   // BASS_ChannelIsSliding result
    FW_SOUND_OVERRIDE_LENGTH = 2,    // BASS_ChannelGetLength result
    FW_SOUND_OVERRIDE_POSITION = 3,  // BASS_ChannelGetPosition result
    FW_SOUND_OVERRIDE_COUNT = 4
};

// What the last load call (BASS_SampleLoad, BASS_StreamCreateFile, BASS_MusicLoad) made on the
// calling thread did, for tests to hold against the library's limits.
struct FW_SoundWork {
    QWORD pageBytes;      // bytes the Ogg page walk went over, false page captures' checks included
    QWORD decoderBytes;   // bytes of the file given to the decoders (an Ogg file's up to its last real page)
    QWORD setupBytes;     // Vorbis setup header bytes, over every link
    QWORD setupEntries;   // their codebook entries
    QWORD setupValues;    // their codebook entries times dimensions
    QWORD framesDecoded;  // frames decoded at load: to learn a stream's length, or into a sample
};

// Why the last call on the calling thread failed, where it is one of these; 0 otherwise.
enum FW_SoundError {
    FW_SOUND_ERROR_MEMORY = 1,         // an allocation failed: the call gave its error result
    FW_SOUND_ERROR_NOT_AVAILABLE = 2,  // the value asked for is not known (a stream's length)
};

// Reset: faults, overrides, version, test output and journal off, global volumes 100.
// SetJournal: whether calls are written to the journal (off until switched on).
// Mix: only with the test output (SetManualOutput before BASS_Init); 16-bit stereo frames.
#define FW_SOUND_TEST_ENTRY_POINTS(X)                                                              \
    X(void, FW_SoundTest_Reset, (), ())                                                             \
    X(void, FW_SoundTest_SetFault, (int fault, BOOL on), (fault, on))                               \
    X(void, FW_SoundTest_SetOverride, (int what, BOOL on, QWORD value), (what, on, value))          \
    X(void, FW_SoundTest_SetVersion, (DWORD version), (version))                                    \
    X(void, FW_SoundTest_SetManualOutput, (BOOL manual), (manual))                                  \
    X(DWORD, FW_SoundTest_Mix, (short* out, DWORD frames), (out, frames))                           \
    X(DWORD, FW_SoundTest_LiveHandles, (), ())                                                      \
    X(BOOL, FW_SoundTest_StreamDataInUse, (const void* data), (data))                               \
    X(DWORD, FW_SoundTest_Journal, (char* buffer, DWORD size), (buffer, size))                      \
    X(void, FW_SoundTest_ClearJournal, (), ())                                                      \
    X(void, FW_SoundTest_SetJournal, (BOOL on), (on))                                               \
    X(void, FW_SoundTest_LoadWork, (FW_SoundWork * out), (out))                                     \
    X(DWORD, FW_SoundTest_LastError, (), ())

#define FW_BASS_POINTER_TYPE(ret, name, params, args) typedef ret(*name##_t) params;
FW_SOUND_TEST_ENTRY_POINTS(FW_BASS_POINTER_TYPE)
#undef FW_BASS_POINTER_TYPE

#ifdef FW_BASS_BUILD
#define FW_BASS_DECLARE(ret, name, params, args) extern "C" __attribute__((visibility("default"))) ret name params;
FW_BASS_ENTRY_POINTS(FW_BASS_DECLARE)
FW_SOUND_TEST_ENTRY_POINTS(FW_BASS_DECLARE)
#undef FW_BASS_DECLARE
#endif
