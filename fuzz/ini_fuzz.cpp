// libFuzzer entry of the ini target; the body is in ini_input.h.
#include "fuzz/ini_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::IniInput(fwfuzz::GetEngine(), data, size);
}
