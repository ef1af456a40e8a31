// A test of the sound library on its test output (mixed into buffers on demand), opened beside
// the test program and started at 44.1 kHz.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/sound_test_files.h"

namespace soundtest {

class OnTestOutput : public ::testing::Test {
protected:
    static constexpr int kRate = 44100;
    Library lib;

    void SetUp() override {
        ASSERT_TRUE(lib.Open());
        lib.FW_SoundTest_Reset();
        lib.FW_SoundTest_SetManualOutput(TRUE);
        ASSERT_TRUE(lib.BASS_Init(-1, kRate, 0, nullptr, nullptr));
    }
    void TearDown() override {
        lib.BASS_Free();
        lib.FW_SoundTest_Reset();
        lib.Close();
    }
    // What the last load on this thread did.
    FW_SoundWork Work() {
        FW_SoundWork w{};
        lib.FW_SoundTest_LoadWork(&w);
        return w;
    }
};

}  // namespace soundtest
