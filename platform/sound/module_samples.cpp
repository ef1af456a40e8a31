// libopenmpt decodes a module's Ogg Vorbis samples (OggMod XM files, MO3) with libvorbisfile,
// which sets up whatever codebooks a sample's headers hold: one codebook of 2^22 entries in a
// 5 KB module overflows libvorbis's stack. This library defines ov_open_callbacks, which comes
// before libvorbisfile's in the lookup of the libraries it loads, libopenmpt among them. While a
// module loads, the data given to it is walked as an Ogg file is (ReadOggPages) and refused past
// the same limits before libvorbisfile sees it; every other call goes straight through.
#include <dlfcn.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/sound/bass_internal.h"

namespace fwbass {
namespace {

thread_local int64_t t_moduleSize = -1;  // of the module loading on this thread; -1: none
thread_local bool t_sampleRefused = false;

using OpenCallbacks = int (*)(void*, OggVorbis_File*, const char*, long, ov_callbacks);

OpenCallbacks Libvorbisfile() {
    static const OpenCallbacks open = reinterpret_cast<OpenCallbacks>(dlsym(RTLD_NEXT, "ov_open_callbacks"));
    return open;
}

// Whether a sample's Ogg data, read through its callbacks and then put back at its start, is
// within the limits of an Ogg file. The data is the module's, or made of it: an MO3 sample may
// be given with the headers it shares with others before it, so it is read as far as twice the
// module's size.
bool SampleWithinLimits(void* source, const char* initial, long ibytes, const ov_callbacks& io) {
    if (!io.read_func || !io.seek_func || ibytes < 0) return false;
    const long start = io.tell_func ? io.tell_func(source) : 0;
    std::vector<unsigned char> data;
    if (initial) data.assign(initial, initial + ibytes);
    const size_t most = 2 * static_cast<size_t>(t_moduleSize) + 1;
    while (data.size() < most) {
        const size_t at = data.size(), want = std::min<size_t>(1 << 16, most - at);
        data.resize(at + want);
        const size_t got = io.read_func(data.data() + at, 1, want, source);
        data.resize(at + got);
        if (got == 0) break;
    }
    if (start < 0 || data.size() >= most || io.seek_func(source, start, SEEK_SET) != 0) return false;
    // libvorbisfile looks for the first page past any bytes before it.
    const unsigned char* first = static_cast<const unsigned char*>(memmem(data.data(), data.size(), "OggS", 4));
    if (!first) return true;  // no page: libvorbisfile refuses it
    return ReadOggPages(first, static_cast<int64_t>(data.data() + data.size() - first)).playable;
}

}  // namespace

bool ModuleLoad::SamplesChecked() {
    // A program that has libvorbisfile among its own libraries (or preloads it) is looked up
    // first, and libopenmpt's calls go there.
    static const bool checked = [] {
        Dl_info found, own;
        void* open = dlsym(RTLD_DEFAULT, "ov_open_callbacks");
        return open && dladdr(open, &found) && dladdr(reinterpret_cast<void*>(&Libvorbisfile), &own) &&
               found.dli_fbase == own.dli_fbase;
    }();
    return checked;
}

ModuleLoad::ModuleLoad(int64_t size) {
    t_moduleSize = size;
    t_sampleRefused = false;
}
ModuleLoad::~ModuleLoad() { t_moduleSize = -1; }
bool ModuleLoad::SampleRefused() const { return t_sampleRefused; }

}  // namespace fwbass

extern "C" __attribute__((visibility("default"))) int ov_open_callbacks(void* source, OggVorbis_File* vf,
                                                                         const char* initial, long ibytes,
                                                                         ov_callbacks io) {
    const fwbass::OpenCallbacks open = fwbass::Libvorbisfile();
    if (!open) return OV_EFAULT;
    if (fwbass::t_moduleSize >= 0 && !fwbass::SampleWithinLimits(source, initial, ibytes, io)) {
        fwbass::t_sampleRefused = true;
        if (vf) std::memset(vf, 0, sizeof(*vf));  // as libvorbisfile leaves a failed open
        return OV_EBADHEADER;
    }
    return open(source, vf, initial, ibytes, io);
}
