#include "engine/engine_impl.h"

namespace {

// The one generator state of the process.
unsigned int g_seed = 0;

void Step() { g_seed = g_seed * 214013u + 2531011u; }

}  // namespace

void EngineImpl::Random_Seed(int seed) {
    g_seed = seed ? static_cast<unsigned int>(seed) : timeGetTime();
}

int EngineImpl::Random_Int(int min, int max) {
    // A reversed range draws from the same two ends.
    if (max < min) {
        int t = min;
        min = max;
        max = t;
    }
    Step();
    unsigned int r = (g_seed >> 15) ^ g_seed;
    unsigned int n = static_cast<unsigned int>(max) - static_cast<unsigned int>(min) + 1u;
    // n is 0 only for the whole range of int, where every value is in range.
    unsigned int offset = n ? r % n : r;
    return static_cast<int>(static_cast<unsigned int>(min) + offset);
}

float EngineImpl::Random_Float(float min, float max) {
    Step();
    unsigned int u = g_seed >> 16;
    const double k = 1.5259021893143654e-05;  // 1/65535 rounded to single precision
    return static_cast<float>(static_cast<double>(min) +
                              (u * k) * (static_cast<double>(max) - static_cast<double>(min)));
}
