// libFuzzer entry of the font target; the body is in font_input.h.
#include "fuzz/font_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::FontInput(fwfuzz::GetEngine(), data, size);
}
