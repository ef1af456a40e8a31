// Sources of sound: samples and streams decoded by libsndfile (Ogg Vorbis by libvorbisfile,
// after a walk of the file's pages) from file images in memory, music modules rendered by
// libopenmpt.
#include "platform/sound/bass_internal.h"
#include "platform/sound/bass_limits.h"
#include "platform/sound/module_claims.h"
#include "platform/win32/regular_file.h"

#include <sndfile.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisfile.h>

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_set>

namespace fwbass {

namespace {

sf_count_t MemLength(void* user) { return static_cast<MemFile*>(user)->size; }

sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
    MemFile* f = static_cast<MemFile*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
    sf_count_t to = base + offset;
    if (to < 0 || to > f->size) return -1;
    f->pos = to;
    return f->pos;
}

sf_count_t MemRead(void* ptr, sf_count_t count, void* user) {
    MemFile* f = static_cast<MemFile*>(user);
    if (count <= 0 || f->pos >= f->size) return 0;
    sf_count_t n = std::min<sf_count_t>(count, f->size - f->pos);
    memcpy(ptr, f->data + f->pos, static_cast<size_t>(n));
    f->pos += n;
    return n;
}

sf_count_t MemWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t MemTell(void* user) { return static_cast<MemFile*>(user)->pos; }

SF_VIRTUAL_IO g_memIO = {MemLength, MemSeek, MemRead, MemWrite, MemTell};

// The same file image read by libvorbisfile.
size_t VorbisRead(void* ptr, size_t size, size_t count, void* user) {
    if (size == 0 || count == 0) return 0;
    const sf_count_t bytes = count > static_cast<size_t>(INT64_MAX) / size ? INT64_MAX : sf_count_t(size * count);
    return static_cast<size_t>(MemRead(ptr, bytes, user)) / size;
}

int VorbisSeek(void* user, ogg_int64_t offset, int whence) { return MemSeek(offset, whence, user) < 0 ? -1 : 0; }

long VorbisTell(void* user) { return static_cast<long>(MemTell(user)); }

const ov_callbacks g_vorbisIO = {VorbisRead, VorbisSeek, nullptr, VorbisTell};

// Whether the decoder of every link of an opened file can be set up. A damaged setup header can
// parse and still leave a decoder that fails at its first read. Links with the headers of a
// link already set up are not set up again.
bool VorbisDecodersStart(OggVorbis_File* vf, const OggPages& pages) {
    std::unordered_set<std::string_view> started;
    for (long link = 0, links = ov_streams(vf); link < links; ++link) {
        const auto known = pages.headers.find(ov_serialnumber(vf, static_cast<int>(link)));
        if (known != pages.headers.end() && started.count(known->second)) continue;
        vorbis_info* vi = ov_info(vf, static_cast<int>(link));
        vorbis_dsp_state dsp;
        if (!vi || vorbis_synthesis_init(&dsp, vi) != 0) return false;  // nothing to clear on failure
        vorbis_dsp_clear(&dsp);
        if (known != pages.headers.end()) started.insert(known->second);
    }
    return true;
}

// A stream over libvorbisfile, given the data up to the end of its last real page: its headers
// read, its length known and the decoder of every link able to start (the decoder itself is set
// up at the first read). Null when libvorbisfile refuses the data or cannot play it.
std::unique_ptr<StreamChannel> OpenVorbisStream(const unsigned char* data, const OggPages& pages) {
    auto st = std::make_unique<StreamChannel>();
    st->file.data = data;
    st->file.size = pages.end;
    if (st->file.size < 4 || std::memcmp(data, "OggS", 4) != 0) return nullptr;
    auto* vf = new OggVorbis_File;
    if (ov_open_callbacks(&st->file, vf, nullptr, 0, g_vorbisIO) != 0) {  // cleared by the call on failure
        delete vf;
        return nullptr;
    }
    st->vorbis = vf;  // cleared with the stream
    const vorbis_info* vi = ov_info(vf, -1);
    const bool taken = vi && vi->channels >= 1 && vi->channels <= limits::kMaxFileChannels &&
                       vi->rate >= limits::kMinFileRate && vi->rate <= limits::kMaxFileRate &&
                       ov_pcm_total(vf, -1) > 0;
    if (!taken || !VorbisDecodersStart(vf, pages)) return nullptr;
    st->fileChans = vi->channels;
    st->fileFrames = ov_pcm_total(vf, -1);
    st->chans = std::min(vi->channels, 2);
    st->defFreq = static_cast<DWORD>(std::clamp<long>(vi->rate, kMinFreq, kMaxFreq));
    st->ctype = BASS_CTYPE_STREAM_OGG;
    return st;
}


// Whether a sample of frames frames of chans channels passes the limit of sample data.
bool SampleTooLarge(uint64_t frames, int chans) {
    return frames > limits::kMaxSampleBytes / (2 * static_cast<uint64_t>(chans));
}

// Only real sound containers count: libsndfile's looser formats would take noise for sound.
bool KnownFormat(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64:
        case SF_FORMAT_AIFF:
        case SF_FORMAT_FLAC:
        case SF_FORMAT_OGG:
        case SF_FORMAT_MPEG:
            break;
        default:
            return false;
    }
    return info.channels >= 1 && info.channels <= limits::kMaxFileChannels && info.samplerate >= limits::kMinFileRate &&
           info.samplerate <= limits::kMaxFileRate;
}

struct SndFileClose {
    void operator()(SNDFILE* sf) const { sf_close(sf); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileClose>;

SndFile OpenMem(MemFile& file, SF_INFO& info) {
    if (!file.data || file.size <= 0) return nullptr;
    memset(&info, 0, sizeof(info));
    SndFile sf(sf_open_virtual(&g_memIO, SFM_READ, &info, &file));
    if (!sf || !KnownFormat(info)) return nullptr;
    return sf;
}

// The frames of a file opened by OpenMem: its header's count, or, when the header does not tell
// it (FLAC without a total), the count of a decoding no further than most frames (which counts
// as decoded work), the file then opened again at its start. 0 when it cannot be opened again.
sf_count_t FramesOf(SndFile& sf, MemFile& file, SF_INFO& info, sf_count_t most) {
    if (info.frames <= INT64_MAX / 8) return info.frames;
    std::vector<int16_t> buf(4096 * static_cast<size_t>(info.channels));
    sf_count_t frames = 0;
    while (frames < most) {
        const sf_count_t got = sf_readf_short(sf.get(), buf.data(), std::min<sf_count_t>(4096, most - frames));
        if (got <= 0) break;
        frames += got;
    }
    Work().framesDecoded += static_cast<uint64_t>(frames);
    sf.reset();
    file.pos = 0;
    return (sf = OpenMem(file, info)) ? frames : 0;
}

int16_t ToShort(float v) {
    float s = v * 32768.0f;
    if (!(s > -32768.0f)) return -32768;  // also NaN
    if (s > 32767.0f) return 32767;
    return static_cast<int16_t>(std::lrint(s));
}

DWORD CtypeOf(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_OGG: return BASS_CTYPE_STREAM_OGG;
        case SF_FORMAT_MPEG: return BASS_CTYPE_STREAM_MP3;
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64: return BASS_CTYPE_STREAM_WAV;
        default: return BASS_CTYPE_STREAM;
    }
}

openmpt::module_ext* Mod(MusicChannel& m) { return static_cast<openmpt::module_ext*>(m.module); }
openmpt::ext::interactive* Inter(MusicChannel& m) { return static_cast<openmpt::ext::interactive*>(m.interactive); }

}  // namespace

LoadWork& Work() {
    thread_local LoadWork work;
    return work;
}

bool ReadWholeFile(const char* path, std::vector<unsigned char>& out) {
    if (!path) return false;
    FILE* f = platform::OpenRegularFileStream(path);  // never a pipe or device, which could block
    if (!f) return false;
    out.clear();
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool Channel::NextFrame(float* out, uint64_t* index) {
    if (blockPos >= blockLen) {
        blockPos = 0;
        blockStart = srcPos;
        blockLen = Fill(block, kBlock);
        if (blockLen <= 0 && (flags & BASS_SAMPLE_LOOP) && srcPos > 0 && LoopBack()) {
            // The end of a looping sound: back to where it loops (a source that gives
            // nothing from there ends instead).
            blockStart = srcPos = 0;
            blockLen = Fill(block, kBlock);
        }
        if (blockLen <= 0) {
            blockLen = 0;
            return false;
        }
        srcPos += static_cast<uint64_t>(blockLen);
    }
    out[0] = block[blockPos * 2];
    out[1] = block[blockPos * 2 + 1];
    *index = blockStart + static_cast<uint64_t>(blockPos);
    ++blockPos;
    return true;
}

// ---- Samples

namespace {

// Every link of an Ogg Vorbis stream, in the channels of its first link, as a decoding stream
// gives them. Null past the limit of sample data, at once when the stream's length says so, and
// when the decoder gives more than the length claims.
std::unique_ptr<Sample> DecodeLinks(StreamChannel& st) {
    if (SampleTooLarge(static_cast<uint64_t>(st.fileFrames), st.chans)) return nullptr;
    auto s = std::make_unique<Sample>();
    s->chans = st.chans;
    s->freq = st.defFreq;
    std::vector<int16_t>& pcm = *s->pcm;
    pcm.reserve(static_cast<size_t>(st.fileFrames) * s->chans);
    constexpr int64_t kBlock = 4096;
    for (;;) {
        const size_t at = pcm.size();
        pcm.resize(at + kBlock * s->chans);
        const int64_t got = st.Decode(pcm.data() + at, kBlock);
        pcm.resize(at + static_cast<size_t>(got) * s->chans);
        Work().framesDecoded += static_cast<uint64_t>(got);
        if (got <= 0) break;
        const uint64_t frames = pcm.size() / s->chans;
        if (SampleTooLarge(frames, s->chans) ||
            frames > static_cast<uint64_t>(st.fileFrames) + limits::kMaxFramesPastClaim)
            return nullptr;
    }
    s->frames = pcm.size() / s->chans;
    if (s->frames == 0) return nullptr;
    return s;
}

}  // namespace

std::unique_ptr<Sample> DecodeSample(const void* data, int64_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const OggPages pages = ReadOggPages(bytes, size);
    if (!pages.playable) return nullptr;
    Work().decoderBytes = static_cast<uint64_t>(pages.end);
    if (pages.vorbis) {
        auto st = OpenVorbisStream(bytes, pages);
        return st ? DecodeLinks(*st) : nullptr;
    }
    MemFile file;
    file.data = bytes;
    file.size = pages.end;
    SF_INFO info;
    SndFile sf = OpenMem(file, info);
    if (!sf) return nullptr;
    const int fileChans = info.channels;
    const int chans = std::min(fileChans, 2);
    // A length the header does not tell is counted no further than the limit: a decoding bomb
    // costs its decoding, no memory.
    const sf_count_t frames =
        FramesOf(sf, file, info, static_cast<sf_count_t>(limits::kMaxSampleBytes / (2 * chans)) + 1);
    if (frames <= 0 || SampleTooLarge(static_cast<uint64_t>(frames), chans)) return nullptr;
    auto s = std::make_unique<Sample>();
    std::vector<int16_t>& pcm = *s->pcm;
    s->chans = chans;
    s->freq = static_cast<DWORD>(std::clamp<int>(info.samplerate, kMinFreq, kMaxFreq));
    // 16-bit files are read as they are: their floats scaled back give the same values.
    const bool pcm16 = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    std::vector<float> buf(pcm16 ? 0 : 4096 * static_cast<size_t>(fileChans));
    std::vector<int16_t> buf16(pcm16 ? 4096 * static_cast<size_t>(fileChans) : 0);
    pcm.reserve(static_cast<size_t>(frames) * chans);
    bool tooLarge = false;
    for (;;) {
        const sf_count_t got =
            pcm16 ? sf_readf_short(sf.get(), buf16.data(), 4096) : sf_readf_float(sf.get(), buf.data(), 4096);
        if (got <= 0) break;
        Work().framesDecoded += static_cast<uint64_t>(got);
        size_t at = pcm.size();
        if ((tooLarge = SampleTooLarge(at / s->chans + static_cast<uint64_t>(got), s->chans))) break;
        pcm.resize(at + static_cast<size_t>(got) * s->chans);
        int16_t* to = pcm.data() + at;
        if (pcm16 && fileChans == s->chans) {
            std::memcpy(to, buf16.data(), static_cast<size_t>(got) * fileChans * sizeof(int16_t));
        } else {
            for (sf_count_t i = 0; i < got; ++i)
                for (int c = 0; c < s->chans; ++c)
                    *to++ = pcm16 ? buf16[i * fileChans + c] : ToShort(buf[i * fileChans + c]);
        }
    }
    s->frames = pcm.size() / s->chans;
    if (s->frames == 0 || tooLarge) return nullptr;
    return s;
}

int SampleChannel::Fill(float* out, int maxFrames) {
    if (readPos >= frames) return 0;
    int n = static_cast<int>(std::min<uint64_t>(maxFrames, frames - readPos));
    const int16_t* p = pcm->data() + readPos * chans;
    constexpr float k = 1.0f / 32768.0f;
    if (chans == 1) {
        for (int i = 0; i < n; ++i) out[i * 2] = out[i * 2 + 1] = p[i] * k;
    } else {
        for (int i = 0; i < n * 2; ++i) out[i] = p[i] * k;
    }
    readPos += n;
    return n;
}

bool SampleChannel::Seek(uint64_t frame) {
    if (frame > frames) return false;
    readPos = frame;
    return true;
}

// ---- Streams

std::unique_ptr<StreamChannel> OpenStream(const unsigned char* data, int64_t size) {
    const OggPages pages = ReadOggPages(data, size);
    if (!pages.playable) return nullptr;
    Work().decoderBytes = static_cast<uint64_t>(pages.end);
    if (pages.vorbis) return OpenVorbisStream(data, pages);
    auto st = std::make_unique<StreamChannel>();
    st->file.data = data;
    st->file.size = pages.end;
    SF_INFO info;
    SndFile sf = OpenMem(st->file, info);
    if (!sf) return nullptr;
    // A length the header does not tell is learned as far as the budget: a stream longer than
    // that plays to its end with its length unknown (-1).
    sf_count_t frames = FramesOf(sf, st->file, info, limits::kMaxLengthScanFrames);
    if (frames == 0) return nullptr;
    if (frames >= limits::kMaxLengthScanFrames && info.frames > INT64_MAX / 8) frames = -1;
    st->sndfile = sf.release();  // closed with the stream
    st->fileChans = info.channels;
    st->fileFrames = frames;
    st->chans = std::min(info.channels, 2);
    st->defFreq = static_cast<DWORD>(std::clamp<int>(info.samplerate, kMinFreq, kMaxFreq));
    st->ctype = CtypeOf(info);
    return st;
}

StreamChannel::~StreamChannel() {
    if (sndfile) sf_close(static_cast<SNDFILE*>(sndfile));
    if (auto* vf = static_cast<OggVorbis_File*>(vorbis)) {
        ov_clear(vf);
        delete vf;
    }
}

int StreamChannel::ReadFloat(float* out, int maxFrames, int outChans) {
    if (maxFrames <= 0 || failed) return 0;
    if (sndfile) {
        scratch.resize(static_cast<size_t>(maxFrames) * fileChans);
        const sf_count_t got = sf_readf_float(static_cast<SNDFILE*>(sndfile), scratch.data(), maxFrames);
        if (got <= 0) return 0;
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < outChans; ++c) out[i * outChans + c] = scratch[i * fileChans + (c < fileChans ? c : 0)];
        return static_cast<int>(got);
    }
    if (!sought && !Seek(0)) return 0;
    auto* vf = static_cast<OggVorbis_File*>(vorbis);
    int done = 0, holes = 0;
    while (done < maxFrames) {
        float** pcm = nullptr;
        int link = 0;
        const long got = ov_read_float(vf, &pcm, maxFrames - done, &link);
        if (got == OV_HOLE && ++holes < 64) continue;  // a gap in damaged data: what follows plays
        if (got < 0 && got != OV_HOLE) failed = true;
        if (got <= 0) break;
        // A chained file's links may differ in channels.
        const vorbis_info* vi = ov_info(vf, link);
        const int linkChans = vi ? vi->channels : 1;
        for (long i = 0; i < got; ++i)
            for (int c = 0; c < outChans; ++c) out[(done + i) * outChans + c] = pcm[c < linkChans ? c : 0][i];
        done += static_cast<int>(got);
    }
    return done;
}

int StreamChannel::Fill(float* out, int maxFrames) {
    const int got = ReadFloat(out, maxFrames, 2);
    for (int i = 0; i < got * 2; ++i) out[i] = std::isfinite(out[i]) ? std::clamp(out[i], -1.0f, 1.0f) : 0.0f;
    return got;
}

bool StreamChannel::Seek(uint64_t frame) {
    if (failed || (fileFrames > 0 && frame > static_cast<uint64_t>(fileFrames))) return false;
    if (vorbis) {
        if (ov_pcm_seek(static_cast<OggVorbis_File*>(vorbis), static_cast<ogg_int64_t>(frame)) != 0) {
            failed = true;
            return false;
        }
        sought = true;
        return true;
    }
    return sf_seek(static_cast<SNDFILE*>(sndfile), static_cast<sf_count_t>(frame), SEEK_SET) >= 0;
}

int64_t StreamChannel::Decode(int16_t* out, int64_t frames) {
    int64_t done = 0;
    std::vector<float> buf(4096 * static_cast<size_t>(chans));
    while (done < frames) {
        const int got = ReadFloat(buf.data(), static_cast<int>(std::min<int64_t>(4096, frames - done)), chans);
        if (got <= 0) break;
        for (int i = 0; i < got * chans; ++i) out[done * chans + i] = ToShort(buf[i]);
        done += got;
    }
    return done;
}

// ---- Music modules

std::unique_ptr<MusicChannel> OpenMusic(const void* data, int64_t size, DWORD freq) {
    if (!data || size <= 0) return nullptr;
    const int64_t claimed = ClaimedPatternCells(static_cast<const unsigned char*>(data), static_cast<size_t>(size));
    if (claimed > static_cast<int64_t>(limits::kMaxModuleCells)) return nullptr;
    // Without the check, a module that may hold Ogg Vorbis samples is not given to libopenmpt.
    if (!ModuleLoad::SamplesChecked() && memmem(data, static_cast<size_t>(size), "OggS", 4)) return nullptr;
    auto m = std::make_unique<MusicChannel>();
    std::ostringstream log;  // the loader's messages stay out of the program's output
    try {
        // The walk over the module's rows that learns its length waits until they are counted.
        const std::map<std::string, std::string> ctls = {{"load.skip_subsongs_init", "1"}};
        ModuleLoad loading(size);
        auto* mod =
            new openmpt::module_ext(static_cast<const char*>(data), static_cast<std::size_t>(size), log, ctls);
        m->module = mod;
        if (loading.SampleRefused()) return nullptr;
        m->interactive = mod->get_interface(openmpt::ext::interactive_id);
        const int orders = mod->get_num_orders(), patterns = mod->get_num_patterns();
        if (orders <= 0 || !m->interactive) return nullptr;
        const uint64_t channels = static_cast<uint64_t>(std::max(1, mod->get_num_channels()));
        auto rowsOf = [&](int pattern) -> uint64_t {
            if (pattern < 0 || pattern >= patterns) return 0;  // an order that marks a skip or the end
            return static_cast<uint64_t>(std::max(0, mod->get_pattern_num_rows(pattern)));
        };
        // Rows held in patterns, and rows the length's walk goes over: each order's pattern.
        uint64_t held = 0, walked = 0;
        for (int p = 0; p < patterns; ++p) held += rowsOf(p);
        for (int i = 0; i < orders && walked <= limits::kMaxModuleRows; ++i)
            walked += rowsOf(mod->get_order_pattern(i));
        if (held * channels > limits::kMaxModuleCells || walked > limits::kMaxModuleRows ||
            walked * channels > limits::kMaxModuleWalkCells)
            return nullptr;
        mod->get_num_subsongs();
        mod->set_repeat_count(0);
        // At its end the module reads nothing once, then goes on from its restart position.
        mod->ctl_set_text("play.at_end", "continue");
        m->chanVol.assign(static_cast<size_t>(std::max(0, mod->get_num_channels())), 100);
        int inst = std::max(mod->get_num_instruments(), mod->get_num_samples());
        m->instVol.assign(static_cast<size_t>(std::max(0, inst)), 100);
    } catch (...) {
        return nullptr;
    }
    m->defFreq = std::clamp<DWORD>(freq, 8000, 192000);
    m->chans = 2;
    m->ctype = BASS_CTYPE_MUSIC_MOD;
    return m;
}

MusicChannel::~MusicChannel() { delete static_cast<openmpt::module_ext*>(module); }

int MusicChannel::Fill(float* out, int maxFrames) {
    try {
        return static_cast<int>(Mod(*this)->read_interleaved_stereo(static_cast<std::int32_t>(defFreq),
                                                                     static_cast<std::size_t>(maxFrames), out));
    } catch (...) {
        return 0;
    }
}

bool MusicChannel::Seek(uint64_t frame) {
    try {
        Mod(*this)->set_position_seconds(static_cast<double>(frame) / defFreq);
    } catch (...) {
        return false;
    }
    ApplyChannelVolumes();
    return true;
}

bool MusicChannel::SeekOrderRow(int order, int row) {
    try {
        auto* mod = Mod(*this);
        if (order < 0 || order >= mod->get_num_orders()) return false;
        mod->set_position_order_row(order, row);
    } catch (...) {
        return false;
    }
    ApplyChannelVolumes();
    return true;
}

void MusicChannel::ApplyChannelVolumes() {
    // The renderer puts every channel back to the module's own volume when it is moved.
    try {
        for (size_t c = 0; c < chanVol.size(); ++c)
            Inter(*this)->set_channel_volume(static_cast<std::int32_t>(c), chanVol[c] / 100.0);
    } catch (...) {
    }
}

uint64_t MusicChannel::CurrentFrame() {
    try {
        double p = Mod(*this)->get_position_seconds();
        return p > 0 ? static_cast<uint64_t>(p * defFreq) : 0;
    } catch (...) {
        return 0;
    }
}

uint64_t MusicChannel::LengthFrames() {
    try {
        double d = Mod(*this)->get_duration_seconds();
        if (!(d >= 0)) return UINT64_MAX;
        return static_cast<uint64_t>(d * defFreq);
    } catch (...) {
        return UINT64_MAX;
    }
}

int MusicOrders(MusicChannel& m) {
    try {
        return Mod(m)->get_num_orders();
    } catch (...) {
        return -1;
    }
}

DWORD MusicOrderPosition(MusicChannel& m) {
    try {
        int order = Mod(m)->get_current_order();
        int row = Mod(m)->get_current_row();
        if (order < 0 || row < 0) return 0xFFFFFFFFu;
        return (static_cast<DWORD>(order) & 0xFFFF) | ((static_cast<DWORD>(row) & 0xFFFF) << 16);
    } catch (...) {
        return 0xFFFFFFFFu;
    }
}

void MusicApplyLoop(MusicChannel& m) {
    // The mixer decides whether to loop at the end, so the module always plays once through.
    try {
        Mod(m)->set_repeat_count(0);
    } catch (...) {
    }
}

void MusicSetChannelVolume(MusicChannel& m, int channel, DWORD volume) {
    m.chanVol[static_cast<size_t>(channel)] = volume;
    try {
        Inter(m)->set_channel_volume(channel, volume / 100.0);
    } catch (...) {
    }
}

void MusicSetInstrumentVolume(MusicChannel& m, int instrument, DWORD volume) {
    // The renderer can only silence an instrument; the value itself is kept for the getter.
    m.instVol[static_cast<size_t>(instrument)] = volume;
    try {
        Inter(m)->set_instrument_mute_status(instrument, volume == 0);
    } catch (...) {
    }
}

}  // namespace fwbass
