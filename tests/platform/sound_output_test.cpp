// The sound library on a real SDL audio device: SDL's disk driver writes what the mixer
// produces to a file, where an effect, a module and a stream must be heard.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "tests/support/sound_test_files.h"

using namespace soundtest;

namespace {

bool DiskDriverAvailable() {
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i)
        if (std::string(SDL_GetAudioDriver(i)) == "disk") return true;
    return false;
}

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// Runs play() on a freshly opened disk device and gives the peak level of what was written.
int PeakOnDisk(Library& lib, const std::string& tag, const std::function<void()>& play) {
    std::string path = "/tmp/fw_sound_disk_" + std::to_string(getpid()) + "_" + tag + ".raw";
    remove(path.c_str());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    if (!lib.BASS_Init(-1, 44100, 0, nullptr, nullptr)) return -1;
    // The device writes silence while play() loads its data, which may take long on a busy
    // machine: wait for a quarter of a second of 16-bit stereo output after it returns.
    play();
    long start = std::max(FileSize(path), 0L);
    for (int i = 0; i < 500 && FileSize(path) < start + 44100; ++i) SDL_Delay(10);
    lib.BASS_Free();
    auto bytes = ReadFileBytes(path);
    remove(path.c_str());
    std::vector<short> out(bytes.size() / 2);
    memcpy(out.data(), bytes.data(), out.size() * 2);
    return Peak(out, 0);
}

TEST(SoundOutput, EffectModuleAndStreamAreHeardOnTheDiskDriver) {
    if (!DiskDriverAvailable()) GTEST_SKIP() << "SDL has no disk audio driver";
    Library lib;
    ASSERT_TRUE(lib.Open());
    lib.FW_SoundTest_Reset();

    auto wav = MakeWav(44100, 1, 44100, Sine(441, 44100));
    EXPECT_GT(PeakOnDisk(lib, "fx", [&] {
                  HSAMPLE s = lib.BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 4, 0);
                  lib.BASS_ChannelPlay(lib.BASS_SampleGetChannel(s, FALSE), TRUE);
              }),
              8000);

    auto mod = MakeMod();
    EXPECT_GT(PeakOnDisk(lib, "mod", [&] {
                  HMUSIC m = lib.BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x420200, 0);
                  lib.BASS_ChannelPlay(m, FALSE);
              }),
              1000);

    auto ogg = MakeOgg(44100, 2, 44100, Sine(441, 44100));
    EXPECT_GT(PeakOnDisk(lib, "ogg", [&] {
                  HSTREAM st = lib.BASS_StreamCreateFile(TRUE, ogg.data(), 0, static_cast<DWORD>(ogg.size()), 0);
                  lib.BASS_ChannelPlay(st, TRUE);
              }),
              8000);

    // Nothing played: silence.
    EXPECT_EQ(PeakOnDisk(lib, "quiet", [] {}), 0);
    lib.Close();
}

}  // namespace
