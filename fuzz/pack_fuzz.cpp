// libFuzzer entry of the pack target; the body is in pack_input.h.
#include "fuzz/pack_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::PackInput(fwfuzz::GetEngine(), data, size);
}
