// Internals of the sound library: objects behind handles, the sources that channels play
// from, and the mixer. Everything here is guarded by the library's one lock.
#pragma once

#define FW_BASS_BUILD 1
#include "platform/sound/bass.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace fwbass {

enum Kind { KIND_SAMPLE = 1, KIND_SAMPLE_CHANNEL = 2, KIND_STREAM = 3, KIND_MUSIC = 4 };
enum Category { CAT_SAMPLE = 0, CAT_STREAM = 1, CAT_MUSIC = 2 };

constexpr DWORD kMinFreq = 100;
constexpr DWORD kMaxFreq = 200000;

// What the current load call has done so far, on the thread that makes it: the figures
// FW_SoundTest_LoadWork reports.
using LoadWork = FW_SoundWork;
LoadWork& Work();

struct Object {
    DWORD handle = 0;
    int kind = 0;
    virtual ~Object() = default;
};

// Decoded sound held in memory: 16-bit interleaved, 1 or 2 channels.
struct Sample : Object {
    std::shared_ptr<std::vector<int16_t>> pcm = std::make_shared<std::vector<int16_t>>();
    int chans = 2;
    uint64_t frames = 0;
    int bytesPerSample = 2;  // of the format the sample reports (8-bit samples report 1)
    DWORD freq = 44100;
    DWORD volume = 100;
    int pan = 0;
    DWORD flags = 0;
    DWORD max = 1;
    std::vector<DWORD> channels;  // live playbacks, oldest first
};

// A linear attribute slide, counted in output frames.
struct Slide {
    bool on = false;
    double from = 0, to = 0;
    uint64_t elapsed = 0, total = 0;
};

// Something that plays: a playback of a sample, a stream or a music module.
struct Channel : Object {
    int state = BASS_ACTIVE_STOPPED;
    bool atEnd = false;
    bool decodeOnly = false;
    int category = CAT_SAMPLE;
    DWORD defFreq = 44100;
    int chans = 2;           // of the decoded data
    int bytesPerSample = 2;  // of the positions and lengths reported
    DWORD flags = 0;
    DWORD ctype = 0;
    double volume = 100, pan = 0, freq = 44100;
    Slide slideVol, slidePan, slideFreq;

    // Resampler: linear interpolation between the frames prev and cur.
    bool primed = false;
    bool curEnd = false;
    double frac = 0;
    float prev[2] = {0, 0}, cur[2] = {0, 0};
    uint64_t prevIndex = 0, curIndex = 0;  // source frame numbers of prev and cur
    uint64_t srcPos = 0;                   // source frame number of the source's read place
    static constexpr int kBlock = 512;
    float block[kBlock * 2];
    uint64_t blockStart = 0;
    int blockPos = 0, blockLen = 0;

    bool Sliding() const { return slideVol.on || slidePan.on || slideFreq.on; }
    int BytesPerFrame() const { return chans * bytesPerSample; }
    // Stereo float frames from the source's current place; 0 at the end.
    virtual int Fill(float* out, int maxFrames) = 0;
    // Moves the source to a frame; false when it cannot.
    virtual bool Seek(uint64_t frame) = 0;
    // Takes a looping source from its end to where it loops again (its start by default).
    virtual bool LoopBack() { return Seek(0); }
    // Whole length in source frames; UINT64_MAX when unknown.
    virtual uint64_t LengthFrames() = 0;
    virtual double Gain() const { return 1.0; }
    // True once the source has failed for good: it gives nothing more and cannot be moved.
    virtual bool Failed() const { return false; }
    // Drops everything the resampler holds; the next frame comes from the source's place.
    void ResetResampler(uint64_t frameIndex) {
        primed = false;
        curEnd = false;
        frac = 0;
        blockPos = blockLen = 0;
        srcPos = prevIndex = curIndex = frameIndex;
    }
    // The next source frame and its number; false at the end (a looping sound starts again).
    bool NextFrame(float* out, uint64_t* index);
    // Position in source frames as heard.
    uint64_t Position() const { return primed ? prevIndex : srcPos; }
};

struct SampleChannel : Channel {
    std::shared_ptr<const std::vector<int16_t>> pcm;  // the sample's data, shared
    uint64_t frames = 0;
    DWORD parent = 0;  // the sample's handle
    uint64_t readPos = 0;
    int Fill(float* out, int maxFrames) override;
    bool Seek(uint64_t frame) override;
    uint64_t LengthFrames() override { return frames; }
};

// A whole file image in memory, read through libsndfile's virtual I/O.
struct MemFile {
    const unsigned char* data = nullptr;
    int64_t size = 0;
    int64_t pos = 0;
};

// A stream decodes its file as it plays: Ogg Vorbis through libvorbisfile (whose decoder is
// made ready at the first read; a file whose decoders cannot start is refused at creation), the
// rest through libsndfile.
// Once libvorbisfile reports an error other than a hole, its state is unfit for any further
// call (the next read may divide by zero): the stream has failed for good.
struct StreamChannel : Channel {
    std::vector<unsigned char> owned;  // the file's copy when it was read from disk
    MemFile file;
    void* sndfile = nullptr;  // SNDFILE*
    void* vorbis = nullptr;   // OggVorbis_File*
    int fileChans = 2;
    int64_t fileFrames = 0;  // -1 when unknown
    bool failed = false;
    bool sought = false;  // libvorbisfile reads a chained file from its last link until sought
    std::vector<float> scratch;
    ~StreamChannel() override;
    int Fill(float* out, int maxFrames) override;
    bool Seek(uint64_t frame) override;
    uint64_t LengthFrames() override { return fileFrames > 0 ? static_cast<uint64_t>(fileFrames) : UINT64_MAX; }
    bool Failed() const override { return failed; }
    // Reads 16-bit interleaved frames of the stream's own channels (decode-only streams).
    int64_t Decode(int16_t* out, int64_t frames);

private:
    // Up to maxFrames frames of outChans channels, interleaved, into out: each link of a
    // chained file with its own channels, its first two (a single one on both sides of a
    // stereo output, the first alone for a mono one). How many (0 at the end or on an error).
    int ReadFloat(float* out, int maxFrames, int outChans);
};

struct MusicChannel : Channel {
    void* module = nullptr;       // openmpt::module_ext*
    void* interactive = nullptr;  // openmpt::ext::interactive*
    DWORD amplify = 50;
    std::vector<DWORD> chanVol, instVol;
    ~MusicChannel() override;
    int Fill(float* out, int maxFrames) override;
    bool Seek(uint64_t frame) override;
    // The module goes on from its own restart position after its end.
    bool LoopBack() override { return true; }
    uint64_t LengthFrames() override;
    double Gain() const override { return amplify / 50.0; }
    bool SeekOrderRow(int order, int row);
    uint64_t CurrentFrame();
    // Gives the renderer the channel volumes set through the library again.
    void ApplyChannelVolumes();
};

// The pages of an Ogg file, walked as a decoder walks them (libogg's page sync: page by page,
// skipping only bytes that hold no valid page; a byte pattern inside a page is never a page).
struct OggPages {
    bool vorbis = false;  // a stream of it is Vorbis: only libvorbisfile may decode it
    // No more logical streams begin than limits::kMaxOggStreams, every Vorbis stream has one
    // sample rate (libvorbisfile plays a chained file link by link at the first link's rate,
    // libsndfile its first link only), and every link's setup header is within the limits of
    // bass_limits.h.
    bool playable = true;
    // Where the last real page ends: the decoders are given the data up to there (the whole
    // data when it is not Ogg). The walk stops at the limit of false page captures.
    int64_t end = 0;
    // The identification and setup headers of each Vorbis stream, by the serial number of a
    // stream that begins once: links with equal headers set up equal decoders.
    std::unordered_map<long, std::string> headers;
};
OggPages ReadOggPages(const unsigned char* data, int64_t size);

// Decoders (bass_sources.cpp). Each gives null when the data is not a sound of a known kind, is
// Ogg Vorbis that libvorbisfile refuses or whose decoder cannot start, or is an Ogg file that the
// page walk finds not playable. Samples hold every link of a chained Ogg Vorbis file, as streams
// play them, and are refused past limits::kMaxSampleBytes.
std::unique_ptr<Sample> DecodeSample(const void* data, int64_t size);
std::unique_ptr<StreamChannel> OpenStream(const unsigned char* data, int64_t size);
std::unique_ptr<MusicChannel> OpenMusic(const void* data, int64_t size, DWORD freq);
int MusicOrders(MusicChannel& m);
DWORD MusicOrderPosition(MusicChannel& m);
void MusicApplyLoop(MusicChannel& m);
void MusicSetChannelVolume(MusicChannel& m, int channel, DWORD volume);
void MusicSetInstrumentVolume(MusicChannel& m, int instrument, DWORD volume);

// While one lives, a module of `size` bytes loads on this thread: the Ogg Vorbis samples
// libopenmpt gives libvorbisfile are checked as Ogg files are (module_samples.cpp), and one
// past their limits is refused to libopenmpt.
class ModuleLoad {
public:
    explicit ModuleLoad(int64_t size);
    ~ModuleLoad();
    bool SampleRefused() const;  // a sample of the module was refused
    // Whether libopenmpt's calls to libvorbisfile come through the check.
    static bool SamplesChecked();
    ModuleLoad(const ModuleLoad&) = delete;
    ModuleLoad& operator=(const ModuleLoad&) = delete;
};

// Reads a whole file from disk; false when it cannot.
bool ReadWholeFile(const char* path, std::vector<unsigned char>& out);

}  // namespace fwbass
