// libFuzzer entry of the image target; the body is in image_input.h.
#include "fuzz/image_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::ImageInput(fwfuzz::GetEngine(), data, size);
}
