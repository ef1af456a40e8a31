// libFuzzer entry of the sound target. The sound library's sources are linked in, so its
// code is instrumented with the rest; the body is in sound_input.h.
// The library's own header first: it declares the entry points as functions.
#include "platform/sound/bass_internal.h"
#include "fuzz/sound_input.h"

namespace {

// The linked entry points as members, the way the replay test holds them from libbass.so.
struct LinkedLibrary {
#define FW_FUZZ_MEMBER(ret, name, params, args) name##_t name = ::name;
    FW_BASS_ENTRY_POINTS(FW_FUZZ_MEMBER)
    FW_SOUND_TEST_ENTRY_POINTS(FW_FUZZ_MEMBER)
#undef FW_FUZZ_MEMBER
};

}  // namespace

// libvorbis, through libsndfile, leaks its stream information when a Vorbis header is broken
// in a certain way (fuzz/regress/sound/vorbis_header_leak), and libvorbisfile a serial-number
// list when a chained file's later link is broken (fuzz/regress/sound/vorbisfile_broken_link_leak);
// both faults are outside this project.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\nleak:libvorbisfile.so\nleak:vorbis_synthesis_headerin\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static LinkedLibrary lib;
    static bool started = fwfuzz::StartSound(lib);
    if (!started) return 0;
    return fwfuzz::SoundInput(lib, data, size);
}
