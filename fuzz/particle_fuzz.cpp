// libFuzzer entry of the particle target; the body is in particle_input.h.
#include "fuzz/particle_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fwfuzz::ParticleInput(fwfuzz::GetEngine(), data, size);
}
