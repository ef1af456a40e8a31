// Every seed and every kept fuzzing input (fuzz/corpus/<target>, fuzz/regress/<target>)
// replayed through the same code as its fuzz target, so the sanitizer build of the tests
// catches a fault that comes back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/font_input.h"
#include "fuzz/image_input.h"
#include "fuzz/ini_input.h"
#include "fuzz/pack_input.h"
#include "fuzz/particle_input.h"
#include "fuzz/script_input.h"
#include "fuzz/sound_input.h"
#include "fuzz/stringtable_input.h"
#include "platform/backend/headless.h"
#include "tests/support/sound_test_files.h"

namespace fs = std::filesystem;

// A leak of libvorbis (reached through libsndfile) on one broken Vorbis header, and one of
// libvorbisfile on a chained file with a broken later link; see fuzz/regress/sound/.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\nleak:libvorbisfile.so\nleak:vorbis_synthesis_headerin\n"; }

namespace {

std::vector<std::vector<uint8_t>> Inputs(const std::string& target) {
    std::vector<std::vector<uint8_t>> out;
    for (const char* where : {"corpus", "regress"}) {
        fs::path dir = fs::path(FW_TEST_DATA_DIR) / ".." / "fuzz" / where / target;
        std::error_code ec;
        if (!fs::is_directory(dir, ec)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return out;
}

class FuzzInputs : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::headless::Reset();
        platform::headless::SetDebugEcho(false);
        engine = CreateEngine(ENGINE_VERSION);
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_USE_SOUND, false);
        engine->System_SetState(STATE_SCREEN_WIDTH, 320);
        engine->System_SetState(STATE_SCREEN_HEIGHT, 240);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_GetErrorMessage();
    }
    void TearDown() override {
        engine->System_SetState(STATE_INI_FILE, "");
        engine->System_Shutdown();
        engine->System_Release();
        // The files the bodies wrote: fuzz_<tag>_<pid>.<ext> in the application folder.
        std::string mine = "_" + std::to_string(getpid()) + ".";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(fwfuzz::AppFolder(), ec)) {
            std::string name = entry.path().filename().string();
            if (name.rfind("fuzz_", 0) == 0 && name.find(mine) != std::string::npos) fs::remove(entry.path(), ec);
        }
        platform::headless::SetDebugEcho(true);
        platform::headless::Reset();
    }

    template <class Body>
    void Replay(const std::string& target, Body body) {
        auto inputs = Inputs(target);
        EXPECT_FALSE(inputs.empty()) << "no inputs for " << target;
        for (const auto& in : inputs) body(engine, in.data(), in.size());
        RecordProperty(target, int(inputs.size()));
    }

    Engine* engine = nullptr;
};

TEST_F(FuzzInputs, ResourceScripts) { Replay("script", fwfuzz::ScriptInput); }
TEST_F(FuzzInputs, FontDescriptions) { Replay("font", fwfuzz::FontInput); }
TEST_F(FuzzInputs, StringTables) { Replay("stringtable", fwfuzz::StringTableInput); }
TEST_F(FuzzInputs, ParticleDescriptions) { Replay("particle", fwfuzz::ParticleInput); }
TEST_F(FuzzInputs, IniFiles) { Replay("ini", fwfuzz::IniInput); }
TEST_F(FuzzInputs, ZipPacks) { Replay("pack", fwfuzz::PackInput); }
TEST_F(FuzzInputs, Images) { Replay("image", fwfuzz::ImageInput); }

TEST_F(FuzzInputs, SoundsAndModules) {
    soundtest::Library lib;
    if (!lib.Open()) GTEST_SKIP() << "no sound library beside the test program";
    ASSERT_TRUE(fwfuzz::StartSound(lib));
    auto inputs = Inputs("sound");
    EXPECT_FALSE(inputs.empty());
    for (const auto& in : inputs) fwfuzz::SoundInput(lib, in.data(), in.size());
    EXPECT_EQ(lib.FW_SoundTest_LiveHandles(), 0u) << "handles left after every input was freed";
    lib.BASS_Free();
    lib.FW_SoundTest_Reset();
    lib.Close();
}

}  // namespace
