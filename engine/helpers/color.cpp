#include "engine/helpers/color.h"

#include <cmath>

namespace {

// Truncates toward zero to a 32-bit two's-complement value; out-of-range products wrap and
// non-finite ones give 0 instead of being undefined.
uint32_t Channel(float v) {
    double p = std::trunc(static_cast<double>(v) * 255.0);
    if (!std::isfinite(p)) return 0;
    if (p >= -2147483648.0 && p <= 2147483647.0) return static_cast<uint32_t>(static_cast<int32_t>(p));
    double m = std::fmod(p, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<uint32_t>(m);
}

}  // namespace

uint32_t Color::ToARGB() const {
    return (Channel(a) << 24) + (Channel(r) << 16) + (Channel(g) << 8) + Channel(b);
}
