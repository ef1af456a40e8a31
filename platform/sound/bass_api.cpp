// The sound library's entry points, its handles, the mixer and the output (an SDL audio
// device, a silent clock-paced thread for the no-sound device, or a test's buffer).
#include "platform/sound/bass_internal.h"
#include "platform/sound/bass_limits.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

using namespace fwbass;

namespace {

constexpr DWORD kVersion = 0x02030000;
constexpr size_t kJournalMax = 4096;

enum Output { OUT_NONE, OUT_SDL, OUT_NULL, OUT_MANUAL };

struct Library {
    std::mutex lock;
    // Output
    bool initialised = false;
    int device = -1;
    Output output = OUT_NONE;
    DWORD rate = 44100;
    SDL_AudioDeviceID sdlDevice = 0;
    std::thread nullThread;
    std::atomic<bool> nullRun{false};
    bool started = false;  // output running (BASS_Start), else stopped or paused
    DWORD gvol[3] = {100, 100, 100};
    std::vector<float> mixBuf;
    std::vector<short> discard;
    // Objects
    std::unordered_map<DWORD, std::unique_ptr<Object>> objects;
    DWORD serial = 1;
    std::unique_ptr<Sample> pending;
    std::vector<unsigned char> pendingBuf;
    // Test switches
    bool faults[FW_SOUND_FAULT_COUNT] = {};
    bool overrideOn[FW_SOUND_OVERRIDE_COUNT] = {};
    QWORD overrideValue[FW_SOUND_OVERRIDE_COUNT] = {};
    DWORD version = kVersion;
    bool manual = false;
    bool journalOn = false;
    std::deque<std::string> journal;
    char description[128] = "";

    ~Library();
};

Library& L() {
    static Library lib;
    return lib;
}

// Why the calling thread's last call failed (FW_SoundError), 0 when for none of those reasons.
thread_local DWORD g_lastError = 0;

// Starts an entry point's call: no error yet, and the call in the journal.
void Enter(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Enter(const char* fmt, ...) {
    g_lastError = 0;
    Library& l = L();
    if (!l.journalOn) return;
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    if (l.journal.size() >= kJournalMax) l.journal.pop_front();
    l.journal.emplace_back(buf);
}

// An entry point's result when an exception ended its call. The only ones the library's code can
// meet are those of allocations that failed; none may leave the library.
template <typename T>
T Failed(T result) {
    g_lastError = FW_SOUND_ERROR_MEMORY;
    return result;
}
void Failed() { g_lastError = FW_SOUND_ERROR_MEMORY; }

bool Fault(int f) { return L().faults[f]; }

DWORD NewHandle(int kind) {
    Library& l = L();
    DWORD h;
    do {
        h = (static_cast<DWORD>(kind) << 28) | (l.serial++ & 0x0FFFFFFF);
    } while ((h & 0x0FFFFFFF) == 0 || l.objects.count(h));
    return h;
}

template <typename T>
T* Add(std::unique_ptr<T> obj, int kind) {
    T* raw = obj.get();
    raw->kind = kind;
    raw->handle = NewHandle(kind);
    L().objects[raw->handle] = std::move(obj);
    return raw;
}

Object* Find(DWORD h) {
    auto& objs = L().objects;
    auto it = objs.find(h);
    return it == objs.end() ? nullptr : it->second.get();
}

Sample* FindSample(DWORD h) {
    Object* o = Find(h);
    return o && o->kind == KIND_SAMPLE ? static_cast<Sample*>(o) : nullptr;
}

Channel* FindChannel(DWORD h) {
    Object* o = Find(h);
    if (!o || o->kind == KIND_SAMPLE) return nullptr;
    return static_cast<Channel*>(o);
}

StreamChannel* FindStream(DWORD h) {
    Object* o = Find(h);
    return o && o->kind == KIND_STREAM ? static_cast<StreamChannel*>(o) : nullptr;
}

MusicChannel* FindMusic(DWORD h) {
    Object* o = Find(h);
    return o && o->kind == KIND_MUSIC ? static_cast<MusicChannel*>(o) : nullptr;
}

void FreeAllObjects() {
    Library& l = L();
    l.objects.clear();
    l.pending.reset();
    l.pendingBuf.clear();
    l.pendingBuf.shrink_to_fit();
}

// ---- Mixing

void StepSlide(Slide& s, double& value, uint64_t frames) {
    s.elapsed += frames;
    if (s.elapsed >= s.total) {
        value = s.to;
        s.on = false;
    } else {
        value = s.from + (s.to - s.from) * (static_cast<double>(s.elapsed) / s.total);
    }
}

void StepSlides(Channel& c, uint64_t frames) {
    if (c.slideVol.on) StepSlide(c.slideVol, c.volume, frames);
    if (c.slidePan.on) StepSlide(c.slidePan, c.pan, frames);
    if (c.slideFreq.on) StepSlide(c.slideFreq, c.freq, frames);
}

// Adds one playing channel to the stereo float buffer; stops it at its end.
void MixChannel(Channel& c, float* out, int frames) {
    Library& l = L();
    const double base = l.gvol[c.category] / 100.0 * c.Gain();
    double gl = 0, gr = 0, step = 0;
    auto gains = [&] {
        double v = base * c.volume / 100.0;
        gl = v * (c.pan > 0 ? (100.0 - c.pan) / 100.0 : 1.0);
        gr = v * (c.pan < 0 ? (100.0 + c.pan) / 100.0 : 1.0);
        step = c.freq / l.rate;
    };
    gains();
    if (!c.primed) {
        if (!c.NextFrame(c.prev, &c.prevIndex)) {
            c.state = BASS_ACTIVE_STOPPED;
            c.atEnd = true;
            StepSlides(c, static_cast<uint64_t>(frames));
            return;
        }
        c.curEnd = !c.NextFrame(c.cur, &c.curIndex);
        if (c.curEnd) {
            c.cur[0] = c.cur[1] = 0;
            c.curIndex = c.prevIndex + 1;
        }
        c.frac = 0;
        c.primed = true;
    }
    for (int i = 0; i < frames; ++i) {
        if (c.Sliding()) {
            StepSlides(c, 1);
            gains();
        }
        float f = static_cast<float>(c.frac);
        out[i * 2] += static_cast<float>((c.prev[0] + (c.cur[0] - c.prev[0]) * f) * gl);
        out[i * 2 + 1] += static_cast<float>((c.prev[1] + (c.cur[1] - c.prev[1]) * f) * gr);
        c.frac += step;
        while (c.frac >= 1.0) {
            c.frac -= 1.0;
            if (c.curEnd) {
                // Every frame has been heard: the channel ends at the sound's end.
                c.state = BASS_ACTIVE_STOPPED;
                c.atEnd = true;
                c.primed = false;
                c.srcPos = c.curIndex;
                if (i + 1 < frames) StepSlides(c, static_cast<uint64_t>(frames - i - 1));
                return;
            }
            c.prev[0] = c.cur[0];
            c.prev[1] = c.cur[1];
            c.prevIndex = c.curIndex;
            if (!c.NextFrame(c.cur, &c.curIndex)) {
                c.cur[0] = c.cur[1] = 0;
                c.curEnd = true;
                c.curIndex = c.prevIndex + 1;
            }
        }
    }
}

// Mixes frames of output into out (16-bit stereo). Called with the lock held.
void MixLocked(short* out, int frames) {
    Library& l = L();
    if (frames <= 0) return;
    l.mixBuf.assign(static_cast<size_t>(frames) * 2, 0.0f);
    if (l.started) {
        for (auto& [h, obj] : l.objects) {
            if (obj->kind == KIND_SAMPLE) continue;
            Channel& c = *static_cast<Channel*>(obj.get());
            if (c.decodeOnly) continue;
            if (c.state == BASS_ACTIVE_PLAYING)
                MixChannel(c, l.mixBuf.data(), frames);
            else if (c.Sliding())
                StepSlides(c, static_cast<uint64_t>(frames));
        }
    }
    bool audible = l.output == OUT_SDL || (l.output == OUT_MANUAL && l.device != 0);
    for (int i = 0; i < frames * 2; ++i) {
        float s = audible ? l.mixBuf[i] * 32767.0f : 0.0f;
        out[i] = static_cast<short>(std::lrint(std::clamp(s, -32768.0f, 32767.0f)));
    }
}

// Mixes, or gives silence when the mixer's buffer cannot be had: nothing is thrown to the device.
void MixOrSilence(short* out, int frames) {
    try {
        MixLocked(out, frames);
    } catch (...) {
        std::fill(out, out + frames * 2, static_cast<short>(0));
    }
}

void SDLCALL AudioCallback(void*, Uint8* stream, int len) {
    std::lock_guard<std::mutex> g(L().lock);
    MixOrSilence(reinterpret_cast<short*>(stream), len / 4);
}

// The no-sound device: mixes in step with the clock and throws the output away, so
// positions, ends and slides go on as if heard.
void NullOutputThread() {
    Library& l = L();
    auto last = std::chrono::steady_clock::now();
    double carry = 0;
    while (l.nullRun.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto now = std::chrono::steady_clock::now();
        double secs = std::chrono::duration<double>(now - last).count();
        last = now;
        std::lock_guard<std::mutex> g(l.lock);
        double want = secs * l.rate + carry;
        int frames = static_cast<int>(std::min(want, static_cast<double>(l.rate)));
        carry = want - frames;
        if (carry > l.rate) carry = 0;
        try {
            l.discard.resize(static_cast<size_t>(frames) * 2);
        } catch (...) {
            continue;
        }
        MixOrSilence(l.discard.data(), frames);
    }
}

// Stops the output thread or device. Must be called without the lock held: the mixer
// may be waiting for it.
void CloseOutput() {
    Library& l = L();
    Output out;
    SDL_AudioDeviceID dev;
    {
        std::lock_guard<std::mutex> g(l.lock);
        out = l.output;
        dev = l.sdlDevice;
        l.sdlDevice = 0;
    }
    if (out == OUT_SDL && dev) {
        SDL_CloseAudioDevice(dev);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (out == OUT_NULL) {
        l.nullRun = false;
        if (l.nullThread.joinable()) l.nullThread.join();
    }
}

Library::~Library() {
    // Unloaded without BASS_Free: the output must not outlive the code that feeds it.
    if (initialised) CloseOutput();
}

bool OpenSdl(DWORD freq) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want, have;
    SDL_zero(want);
    want.freq = static_cast<int>(freq);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!dev) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    L().sdlDevice = dev;
    snprintf(L().description, sizeof(L().description), "Default output (%s)",
             SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "audio");
    return true;
}

QWORD Override(int what, QWORD value) {
    Library& l = L();
    return l.overrideOn[what] ? l.overrideValue[what] : value;
}

void StartSlide(Slide& s, double from, double to, uint64_t frames) {
    s.on = true;
    s.from = from;
    s.to = to;
    s.elapsed = 0;
    s.total = frames;
}

double ClampFreq(Channel& c, int freq) {
    if (freq == 0) return c.defFreq;
    return std::clamp<double>(freq, kMinFreq, kMaxFreq);
}

bool SeekChannel(Channel& c, uint64_t frame) {
    if (!c.Seek(frame)) {
        if (c.Failed()) c.state = BASS_ACTIVE_STOPPED;  // nothing more can play from it
        return false;
    }
    c.ResetResampler(frame);
    c.atEnd = false;
    return true;
}

// The bytes a load call names: length bytes of the caller's memory from offset, or the file
// read whole into disk, from offset for length bytes (0: to its end). False when the file
// cannot be read or is shorter than the offset.
bool LoadInput(BOOL mem, const void* file, DWORD offset, DWORD length, std::vector<unsigned char>& disk,
               const unsigned char*& data, int64_t& size) {
    if (mem) {
        data = static_cast<const unsigned char*>(file) + offset;
        size = length;
        return true;
    }
    if (!ReadWholeFile(static_cast<const char*>(file), disk) || offset > disk.size()) return false;
    data = disk.data() + offset;
    size = length ? std::min<int64_t>(length, disk.size() - offset) : disk.size() - offset;
    return true;
}

// The volume an attribute names: an instrument's or a channel's of the music, by number.
struct MusicVolumeAttrib {
    bool instrument = false;
    int index = 0;
};

// False when the attribute names no instrument or channel the music has.
bool DecodeVolumeAttrib(const MusicChannel& m, DWORD attrib, MusicVolumeAttrib& out) {
    if (attrib >= BASS_MUSIC_ATTRIB_VOL_INST && attrib - BASS_MUSIC_ATTRIB_VOL_INST < m.instVol.size()) {
        out = {true, static_cast<int>(attrib - BASS_MUSIC_ATTRIB_VOL_INST)};
        return true;
    }
    if (attrib >= BASS_MUSIC_ATTRIB_VOL_CHAN && attrib < BASS_MUSIC_ATTRIB_VOL_INST &&
        attrib - BASS_MUSIC_ATTRIB_VOL_CHAN < m.chanVol.size()) {
        out = {false, static_cast<int>(attrib - BASS_MUSIC_ATTRIB_VOL_CHAN)};
        return true;
    }
    return false;
}

}  // namespace

// ---- Entry points

extern "C" {

DWORD BASS_GetVersion() try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_GetVersion()");
    return L().version;
} catch (...) {
    return Failed(0);
}

const char* BASS_GetDeviceDescription(DWORD device) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_GetDeviceDescription(%u)", device);
    Library& l = L();
    if (device == 0) return "No sound";
    if (device != 1) return nullptr;
    if (!l.description[0]) snprintf(l.description, sizeof(l.description), "Default output");
    return l.description;
} catch (...) {
    return Failed(nullptr);
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND, const void*) try {
    Library& l = L();
    std::unique_lock<std::mutex> g(l.lock);
    Enter("BASS_Init(%d,%u,0x%X)", device, freq, flags);
    if (l.initialised) return FALSE;
    if (freq == 0) freq = 44100;
    if (freq < 8000 || freq > 192000) return FALSE;
    Output out;
    if (device == -1 || device == 1) {
        if (Fault(FW_SOUND_FAULT_NO_DEVICE)) return FALSE;
        if (l.manual) {
            out = OUT_MANUAL;
            snprintf(l.description, sizeof(l.description), "Test buffer");
        } else {
            if (!OpenSdl(freq)) return FALSE;
            out = OUT_SDL;
        }
        device = 1;
    } else if (device == 0) {
        if (Fault(FW_SOUND_FAULT_NOSOUND_INIT)) return FALSE;
        out = l.manual ? OUT_MANUAL : OUT_NULL;
    } else {
        return FALSE;
    }
    if (out == OUT_NULL) {
        // First: when no thread can be had, the library stays as it was. The thread waits for
        // the lock until the library is set up.
        l.nullRun = true;
        try {
            l.nullThread = std::thread(NullOutputThread);
        } catch (...) {
            l.nullRun = false;
            throw;
        }
    }
    l.initialised = true;
    l.device = device;
    l.output = out;
    l.rate = freq;
    l.started = true;
    if (out == OUT_SDL) {
        // Unpausing waits for SDL's audio thread, which may be waiting for our lock.
        SDL_AudioDeviceID dev = l.sdlDevice;
        g.unlock();
        SDL_PauseAudioDevice(dev, 0);
    }
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_Free() try {
    Library& l = L();
    {
        std::lock_guard<std::mutex> g(l.lock);
        Enter("BASS_Free()");
        if (!l.initialised) return FALSE;
    }
    CloseOutput();
    std::lock_guard<std::mutex> g(l.lock);
    FreeAllObjects();
    l.initialised = false;
    l.output = OUT_NONE;
    l.started = false;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_Start() try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_Start()");
    if (!L().initialised) return FALSE;
    L().started = true;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_Pause() try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_Pause()");
    if (!L().initialised) return FALSE;
    L().started = false;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_Stop() try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_Stop()");
    Library& l = L();
    if (!l.initialised) return FALSE;
    l.started = false;
    for (auto& [h, obj] : l.objects)
        if (obj->kind != KIND_SAMPLE) static_cast<Channel*>(obj.get())->state = BASS_ACTIVE_STOPPED;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

DWORD BASS_SetConfig(DWORD option, DWORD value) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SetConfig(%u,%u)", option, value);
    int cat = option == BASS_CONFIG_GVOL_SAMPLE ? CAT_SAMPLE
              : option == BASS_CONFIG_GVOL_STREAM ? CAT_STREAM
              : option == BASS_CONFIG_GVOL_MUSIC  ? CAT_MUSIC
                                                  : -1;
    if (cat < 0) return 0xFFFFFFFFu;
    L().gvol[cat] = std::min<DWORD>(value, 100);
    return L().gvol[cat];
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags) try {
    Library& l = L();
    std::unique_lock<std::mutex> g(l.lock);
    Enter("BASS_SampleLoad(%d,%u,%u,%u,0x%X)", mem, offset, length, max, flags);
    Work() = LoadWork{};
    if (!l.initialised || Fault(FW_SOUND_FAULT_SAMPLE_LOAD) || !file) return 0;
    // Decoding takes a while: the mixer goes on meanwhile.
    g.unlock();
    std::vector<unsigned char> disk;
    const unsigned char* data;
    int64_t size;
    if (!LoadInput(mem, file, offset, length, disk, data, size)) return 0;
    std::unique_ptr<Sample> s = DecodeSample(data, size);
    if (!s) return 0;
    s->max = std::clamp<DWORD>(max, 1, 65535);
    s->flags = (flags & (BASS_SAMPLE_LOOP | BASS_SAMPLE_OVER_VOL)) | (s->chans == 1 ? BASS_SAMPLE_MONO : 0);
    g.lock();
    if (!l.initialised) return 0;
    return Add(std::move(s), KIND_SAMPLE)->handle;
} catch (...) {
    return Failed(0);
}

void* BASS_SampleCreate(DWORD length, DWORD freq, DWORD max, DWORD flags) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SampleCreate(%u,%u,%u,0x%X)", length, freq, max, flags);
    Library& l = L();
    l.pending.reset();
    l.pendingBuf.clear();
    if (!l.initialised || Fault(FW_SOUND_FAULT_SAMPLE_CREATE)) return nullptr;
    if (length == 0 || length > limits::kMaxSampleBytes || freq < kMinFreq || freq > kMaxFreq) return nullptr;
    auto s = std::make_unique<Sample>();
    s->chans = flags & BASS_SAMPLE_MONO ? 1 : 2;
    s->bytesPerSample = flags & BASS_SAMPLE_8BITS ? 1 : 2;
    s->frames = length / (s->chans * s->bytesPerSample);
    if (s->frames == 0) return nullptr;
    s->freq = freq;
    s->max = std::clamp<DWORD>(max, 1, 65535);
    // Only the bits that describe a sample are kept; stream bits such as decode go.
    s->flags = flags & (BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_OVER_VOL);
    l.pendingBuf.assign(length, 0);
    l.pending = std::move(s);
    return l.pendingBuf.data();
} catch (...) {
    return Failed(nullptr);
}

HSAMPLE BASS_SampleCreateDone() try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SampleCreateDone()");
    Library& l = L();
    std::unique_ptr<Sample> s = std::move(l.pending);
    std::vector<unsigned char> buf = std::move(l.pendingBuf);
    l.pendingBuf.clear();
    if (!s || Fault(FW_SOUND_FAULT_SAMPLE_CREATE_DONE)) return 0;
    size_t n = static_cast<size_t>(s->frames) * s->chans;
    std::vector<int16_t>& pcm = *s->pcm;
    pcm.resize(n);
    if (s->bytesPerSample == 1) {
        for (size_t i = 0; i < n; ++i) pcm[i] = static_cast<int16_t>((buf[i] - 128) * 256);
    } else {
        memcpy(pcm.data(), buf.data(), n * 2);
    }
    return Add(std::move(s), KIND_SAMPLE)->handle;
} catch (...) {
    return Failed(0);
}

BOOL BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SampleGetInfo(0x%X)", handle);
    Sample* s = FindSample(handle);
    if (!s || !info) return FALSE;
    memset(info, 0, sizeof(*info));
    info->freq = s->freq;
    info->volume = s->volume;
    info->pan = s->pan;
    info->flags = s->flags;
    info->length = static_cast<DWORD>(s->frames * s->chans * s->bytesPerSample);
    info->max = s->max;
    info->origres = s->bytesPerSample * 8;
    info->chans = s->chans;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlynew) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SampleGetChannel(0x%X,%d)", handle, onlynew);
    Sample* s = FindSample(handle);
    if (!s) return 0;
    Channel* victim = nullptr;
    if (s->channels.size() >= s->max) {
        // Reuse a playback that has stopped, else override the quietest one.
        for (DWORD h : s->channels) {
            Channel* c = FindChannel(h);
            if (c && c->state == BASS_ACTIVE_STOPPED) {
                victim = c;
                break;
            }
        }
        if (!victim && !onlynew && (s->flags & BASS_SAMPLE_OVER_VOL)) {
            for (DWORD h : s->channels) {
                Channel* c = FindChannel(h);
                if (c && (!victim || c->volume < victim->volume)) victim = c;
            }
        }
        if (!victim) return 0;
    }
    SampleChannel* c;
    if (victim) {
        // The overridden playback's object and map entry carry the new one under a new
        // handle, so a sample's steady playing allocates nothing.
        auto& list = s->channels;
        list.erase(std::remove(list.begin(), list.end(), victim->handle), list.end());
        auto node = L().objects.extract(victim->handle);
        c = static_cast<SampleChannel*>(victim);
        *c = SampleChannel();
        c->kind = KIND_SAMPLE_CHANNEL;
        c->handle = NewHandle(KIND_SAMPLE_CHANNEL);
        node.key() = c->handle;
        L().objects.insert(std::move(node));
    } else {
        s->channels.reserve(s->channels.size() + 1);  // a playback made is always listed
        c = Add(std::make_unique<SampleChannel>(), KIND_SAMPLE_CHANNEL);
    }
    c->pcm = s->pcm;
    c->frames = s->frames;
    c->parent = handle;
    c->category = CAT_SAMPLE;
    c->defFreq = s->freq;
    c->freq = s->freq;
    c->volume = s->volume;
    c->pan = s->pan;
    c->chans = s->chans;
    c->bytesPerSample = s->bytesPerSample;
    c->flags = s->flags;
    c->ctype = BASS_CTYPE_SAMPLE;
    s->channels.push_back(c->handle);
    return c->handle;
} catch (...) {
    return Failed(0);
}

BOOL BASS_SampleFree(HSAMPLE handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_SampleFree(0x%X)", handle);
    Sample* s = FindSample(handle);
    if (!s) return FALSE;
    for (DWORD h : s->channels) L().objects.erase(h);
    L().objects.erase(handle);
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags, DWORD freq) try {
    Library& l = L();
    std::unique_lock<std::mutex> g(l.lock);
    Enter("BASS_MusicLoad(%d,%u,%u,0x%X,%u)", mem, offset, length, flags, freq);
    Work() = LoadWork{};
    if (!l.initialised || Fault(FW_SOUND_FAULT_MUSIC_LOAD) || !file) return 0;
    DWORD rate = freq ? freq : l.rate;
    // Loading and pre-scanning take a while: the mixer goes on meanwhile.
    g.unlock();
    std::vector<unsigned char> disk;
    const unsigned char* data;
    int64_t size;
    if (!LoadInput(mem, file, offset, length, disk, data, size)) return 0;
    auto m = OpenMusic(data, size, rate);
    if (!m) return 0;
    m->category = CAT_MUSIC;
    m->freq = m->defFreq;
    m->flags = flags & ~static_cast<DWORD>(BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO);
    MusicApplyLoop(*m);
    g.lock();
    if (!l.initialised) return 0;
    return Add(std::move(m), KIND_MUSIC)->handle;
} catch (...) {
    return Failed(0);
}

BOOL BASS_MusicFree(HMUSIC handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_MusicFree(0x%X)", handle);
    if (!FindMusic(handle)) return FALSE;
    L().objects.erase(handle);
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

DWORD BASS_MusicGetOrders(HMUSIC handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_MusicGetOrders(0x%X)", handle);
    MusicChannel* m = FindMusic(handle);
    if (!m) return 0xFFFFFFFFu;
    return static_cast<DWORD>(MusicOrders(*m));
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

DWORD BASS_MusicGetOrderPosition(HMUSIC handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_MusicGetOrderPosition(0x%X)", handle);
    MusicChannel* m = FindMusic(handle);
    if (!m || Fault(FW_SOUND_FAULT_NO_ORDER_POSITION)) return 0xFFFFFFFFu;
    return MusicOrderPosition(*m);
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

DWORD BASS_MusicSetAttribute(HMUSIC handle, DWORD attrib, DWORD value) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_MusicSetAttribute(0x%X,0x%X,%u)", handle, attrib, value);
    MusicChannel* m = FindMusic(handle);
    if (!m) return 0xFFFFFFFFu;
    DWORD v = std::min<DWORD>(value, 100);
    MusicVolumeAttrib a;
    if (attrib == BASS_MUSIC_ATTRIB_AMPLIFY) {
        m->amplify = v;
    } else if (!DecodeVolumeAttrib(*m, attrib, a)) {
        return 0xFFFFFFFFu;
    } else if (a.instrument) {
        MusicSetInstrumentVolume(*m, a.index, v);
    } else {
        MusicSetChannelVolume(*m, a.index, v);
    }
    return TRUE;
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

DWORD BASS_MusicGetAttribute(HMUSIC handle, DWORD attrib) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_MusicGetAttribute(0x%X,0x%X)", handle, attrib);
    MusicChannel* m = FindMusic(handle);
    if (!m) return 0xFFFFFFFFu;
    if (attrib == BASS_MUSIC_ATTRIB_AMPLIFY) return m->amplify;
    MusicVolumeAttrib a;
    if (!DecodeVolumeAttrib(*m, attrib, a)) return 0xFFFFFFFFu;
    return a.instrument ? m->instVol[a.index] : m->chanVol[a.index];
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) try {
    Library& l = L();
    std::unique_lock<std::mutex> g(l.lock);
    Enter("BASS_StreamCreateFile(%d,%u,%u,0x%X)", mem, offset, length, flags);
    Work() = LoadWork{};
    bool decode = (flags & BASS_STREAM_DECODE) != 0;
    if (!l.initialised || !file) return 0;
    if (Fault(decode ? FW_SOUND_FAULT_DECODE_STREAM : FW_SOUND_FAULT_STREAM)) return 0;
    // Opening checks every link of a chained file: the mixer goes on meanwhile.
    g.unlock();
    // Memory is read in place: the caller keeps it alive until the stream is freed. A file's
    // image is kept by the stream (the vector's buffer moves with it).
    std::vector<unsigned char> disk;
    const unsigned char* data;
    int64_t size;
    if (!LoadInput(mem, file, offset, length, disk, data, size)) return 0;
    std::unique_ptr<StreamChannel> st = OpenStream(data, size);
    if (!st) return 0;
    g.lock();
    if (!l.initialised) return 0;
    if (!mem) st->owned = std::move(disk);
    st->decodeOnly = decode;
    st->category = CAT_STREAM;
    st->freq = st->defFreq;
    st->bytesPerSample = 2;
    st->flags = (flags & (BASS_SAMPLE_LOOP | BASS_STREAM_DECODE | BASS_STREAM_PRESCAN)) |
                (st->chans == 1 ? BASS_SAMPLE_MONO : 0);
    return Add(std::move(st), KIND_STREAM)->handle;
} catch (...) {
    return Failed(0);
}

BOOL BASS_StreamFree(HSTREAM handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_StreamFree(0x%X)", handle);
    if (!FindStream(handle)) return FALSE;
    L().objects.erase(handle);  // under the lock: the mixer never reads the data again
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelGetInfo(0x%X)", handle);
    Channel* c = FindChannel(handle);
    if (!c || !info) return FALSE;
    info->freq = c->defFreq;
    info->chans = static_cast<DWORD>(c->chans);
    info->flags = c->flags;
    info->ctype = c->ctype;
    info->origres = static_cast<DWORD>(c->bytesPerSample * 8);
    info->plugin = 0;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelGetAttributes(0x%X)", handle);
    Channel* c = FindChannel(handle);
    if (!c) return FALSE;
    if (freq) *freq = static_cast<DWORD>(std::lround(c->freq));
    if (volume) *volume = static_cast<DWORD>(std::lround(c->volume));
    if (pan) *pan = static_cast<int>(std::lround(c->pan));
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelSetAttributes(0x%X,%d,%d,%d)", handle, freq, volume, pan);
    Channel* c = FindChannel(handle);
    if (!c) return FALSE;
    if (freq != -1) {
        c->freq = ClampFreq(*c, freq);
        c->slideFreq.on = false;
    }
    if (volume != -1) {
        c->volume = std::clamp(volume, 0, 100);
        c->slideVol.on = false;
    }
    if (pan != -101) {
        c->pan = std::clamp(pan, -100, 100);
        c->slidePan.on = false;
    }
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelSlideAttributes(DWORD handle, int freq, int volume, int pan, DWORD time) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelSlideAttributes(0x%X,%d,%d,%d,%u)", handle, freq, volume, pan, time);
    Channel* c = FindChannel(handle);
    if (!c) return FALSE;
    uint64_t frames = static_cast<uint64_t>(time) * L().rate / 1000;
    if (freq != -1) StartSlide(c->slideFreq, c->freq, ClampFreq(*c, freq), frames);
    if (volume != -1) StartSlide(c->slideVol, c->volume, std::clamp(volume, 0, 100), frames);
    if (pan != -101) StartSlide(c->slidePan, c->pan, std::clamp(pan, -100, 100), frames);
    if (frames == 0) StepSlides(*c, 0);
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

DWORD BASS_ChannelIsSliding(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelIsSliding(0x%X)", handle);
    Channel* c = FindChannel(handle);
    DWORD r = c && c->Sliding() ? TRUE : FALSE;
    return static_cast<DWORD>(Override(FW_SOUND_OVERRIDE_SLIDING, r));
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelSetFlags(DWORD handle, DWORD flags) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelSetFlags(0x%X,0x%X)", handle, flags);
    Channel* c = FindChannel(handle);
    if (!c) return FALSE;
    DWORD mask = BASS_SAMPLE_LOOP;
    if (c->kind == KIND_MUSIC) mask |= BASS_MUSIC_RAMP | BASS_MUSIC_RAMPS | BASS_MUSIC_POSRESET | BASS_MUSIC_POSRESETEX;
    c->flags = (c->flags & ~mask) | (flags & mask);
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelGetData(0x%X,%u)", handle, length);
    StreamChannel* st = FindStream(handle);
    if (!st || !st->decodeOnly || !buffer) return 0xFFFFFFFFu;
    int64_t frames = length / st->BytesPerFrame();
    int64_t got = st->Decode(static_cast<int16_t*>(buffer), frames);
    st->srcPos += static_cast<uint64_t>(got);
    return static_cast<DWORD>(got * st->BytesPerFrame());
} catch (...) {
    return Failed(0xFFFFFFFFu);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelPlay(0x%X,%d)", handle, restart);
    Channel* c = FindChannel(handle);
    if (!c || c->decodeOnly || c->Failed()) return FALSE;
    if (restart || c->atEnd) {
        if (!SeekChannel(*c, 0)) return FALSE;
    }
    c->state = BASS_ACTIVE_PLAYING;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelPause(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelPause(0x%X)", handle);
    Channel* c = FindChannel(handle);
    if (!c || c->state != BASS_ACTIVE_PLAYING) return FALSE;
    c->state = BASS_ACTIVE_PAUSED;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

BOOL BASS_ChannelStop(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelStop(0x%X)", handle);
    Channel* c = FindChannel(handle);
    if (!c) return FALSE;
    c->state = BASS_ACTIVE_STOPPED;
    return TRUE;
} catch (...) {
    return Failed(FALSE);
}

DWORD BASS_ChannelIsActive(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelIsActive(0x%X)", handle);
    Channel* c = FindChannel(handle);
    DWORD r = c ? static_cast<DWORD>(c->state) : BASS_ACTIVE_STOPPED;
    return static_cast<DWORD>(Override(FW_SOUND_OVERRIDE_ACTIVE, r));
} catch (...) {
    return Failed(BASS_ACTIVE_STOPPED);
}

QWORD BASS_ChannelGetLength(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelGetLength(0x%X)", handle);
    Channel* c = FindChannel(handle);
    QWORD r = ~0ull;
    if (c) {
        const uint64_t frames = c->LengthFrames(), bytesPerFrame = static_cast<uint64_t>(c->BytesPerFrame());
        if (frames < UINT64_MAX / bytesPerFrame)
            r = frames * bytesPerFrame;
        else
            g_lastError = FW_SOUND_ERROR_NOT_AVAILABLE;  // unknown, never wrapped
    }
    return Override(FW_SOUND_OVERRIDE_LENGTH, r);
} catch (...) {
    return Failed(~0ull);
}

QWORD BASS_ChannelGetPosition(DWORD handle) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelGetPosition(0x%X)", handle);
    Channel* c = FindChannel(handle);
    QWORD r = ~0ull;
    if (c) r = c->Position() * static_cast<uint64_t>(c->BytesPerFrame());
    return Override(FW_SOUND_OVERRIDE_POSITION, r);
} catch (...) {
    return Failed(~0ull);
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelSetPosition(0x%X,0x%llX)", handle, static_cast<unsigned long long>(pos));
    Channel* c = FindChannel(handle);
    if (!c || pos == ~0ull) return FALSE;
    if (c->kind == KIND_MUSIC && (pos >> 32) == 0 && (pos & 0x80000000u)) {
        // A music position word: order in the low word, row in bits 16 to 30.
        auto* m = static_cast<MusicChannel*>(c);
        int order = static_cast<int>(pos & 0xFFFF), row = static_cast<int>((pos >> 16) & 0x7FFF);
        if (!m->SeekOrderRow(order, row)) return FALSE;
        c->ResetResampler(m->CurrentFrame());
        c->atEnd = false;
        return TRUE;
    }
    return SeekChannel(*c, pos / static_cast<QWORD>(c->BytesPerFrame())) ? TRUE : FALSE;
} catch (...) {
    return Failed(FALSE);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelSeconds2Bytes(0x%X,%g)", handle, static_cast<double>(pos));
    Channel* c = FindChannel(handle);
    if (!c || !(pos >= 0.0f)) return ~0ull;
    return static_cast<QWORD>(static_cast<double>(pos) * c->defFreq) * static_cast<QWORD>(c->BytesPerFrame());
} catch (...) {
    return Failed(~0ull);
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) try {
    std::lock_guard<std::mutex> g(L().lock);
    Enter("BASS_ChannelBytes2Seconds(0x%X,0x%llX)", handle, static_cast<unsigned long long>(pos));
    Channel* c = FindChannel(handle);
    if (!c || pos == ~0ull) return -1.0f;
    return static_cast<float>(static_cast<double>(pos / static_cast<QWORD>(c->BytesPerFrame())) / c->defFreq);
} catch (...) {
    return Failed(-1.0f);
}

// ---- Test entry points

void FW_SoundTest_Reset() try {
    std::lock_guard<std::mutex> g(L().lock);
    Library& l = L();
    std::fill(std::begin(l.faults), std::end(l.faults), false);
    std::fill(std::begin(l.overrideOn), std::end(l.overrideOn), false);
    l.version = kVersion;
    l.manual = false;
    std::fill(std::begin(l.gvol), std::end(l.gvol), 100u);
    l.journalOn = false;
    l.journal.clear();
} catch (...) {
    Failed();
}

void FW_SoundTest_SetFault(int fault, BOOL on) try {
    std::lock_guard<std::mutex> g(L().lock);
    if (fault > 0 && fault < FW_SOUND_FAULT_COUNT) L().faults[fault] = on != FALSE;
} catch (...) {
    Failed();
}

void FW_SoundTest_SetOverride(int what, BOOL on, QWORD value) try {
    std::lock_guard<std::mutex> g(L().lock);
    if (what < 0 || what >= FW_SOUND_OVERRIDE_COUNT) return;
    L().overrideOn[what] = on != FALSE;
    L().overrideValue[what] = value;
} catch (...) {
    Failed();
}

void FW_SoundTest_SetVersion(DWORD version) try {
    std::lock_guard<std::mutex> g(L().lock);
    L().version = version ? version : kVersion;
} catch (...) {
    Failed();
}

void FW_SoundTest_SetManualOutput(BOOL manual) try {
    std::lock_guard<std::mutex> g(L().lock);
    L().manual = manual != FALSE;
} catch (...) {
    Failed();
}

DWORD FW_SoundTest_Mix(short* out, DWORD frames) try {
    std::lock_guard<std::mutex> g(L().lock);
    if (!out || L().output != OUT_MANUAL) return 0;
    MixLocked(out, static_cast<int>(frames));
    return frames;
} catch (...) {
    return Failed(0);
}

DWORD FW_SoundTest_LiveHandles() try {
    std::lock_guard<std::mutex> g(L().lock);
    return static_cast<DWORD>(L().objects.size());
} catch (...) {
    return Failed(0);
}

BOOL FW_SoundTest_StreamDataInUse(const void* data) try {
    std::lock_guard<std::mutex> g(L().lock);
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (auto& [h, obj] : L().objects) {
        if (obj->kind != KIND_STREAM) continue;
        auto* st = static_cast<StreamChannel*>(obj.get());
        if (p >= st->file.data && p < st->file.data + st->file.size) return TRUE;
    }
    return FALSE;
} catch (...) {
    return Failed(FALSE);
}

DWORD FW_SoundTest_Journal(char* buffer, DWORD size) try {
    std::lock_guard<std::mutex> g(L().lock);
    std::string all;
    for (auto& line : L().journal) {
        all += line;
        all += '\n';
    }
    if (buffer && size) {
        size_t n = std::min<size_t>(all.size(), size - 1);
        memcpy(buffer, all.data(), n);
        buffer[n] = 0;
    }
    return static_cast<DWORD>(all.size());
} catch (...) {
    return Failed(0);
}

void FW_SoundTest_ClearJournal() try {
    std::lock_guard<std::mutex> g(L().lock);
    L().journal.clear();
} catch (...) {
    Failed();
}

void FW_SoundTest_LoadWork(FW_SoundWork* out) {
    if (out) *out = Work();
}

DWORD FW_SoundTest_LastError() { return g_lastError; }

void FW_SoundTest_SetJournal(BOOL on) try {
    std::lock_guard<std::mutex> g(L().lock);
    L().journalOn = on != FALSE;
} catch (...) {
    Failed();
}

}  // extern "C"
