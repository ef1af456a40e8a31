// libFuzzer entry of the script target; the body is in script_input.h.
#include "fuzz/script_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::ScriptInput(fwfuzz::GetEngine(), data, size);
}
