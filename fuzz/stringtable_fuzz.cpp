// libFuzzer entry of the stringtable target; the body is in stringtable_input.h.
#include "fuzz/stringtable_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::StringTableInput(fwfuzz::GetEngine(), data, size);
}
