#include "platform/sound/module_claims.h"

#include <algorithm>
#include <cstring>

namespace fwbass {
namespace {

// libopenmpt's largest pattern; a claim past it counts as one of these.
constexpr uint64_t kMaxRows = 1024;
// An IT pattern addresses 64 channels; the loader sizes its patterns for them.
constexpr uint64_t kItChannels = 64;
// The rows of an IT pattern with no data (pointer 0, or past the file).
constexpr uint64_t kItEmptyRows = 64;

uint64_t U16(const unsigned char* p) { return p[0] | static_cast<uint64_t>(p[1]) << 8; }
uint64_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }

uint64_t Rows(uint64_t claimed, uint64_t none) { return claimed == 0 ? none : std::min(claimed, kMaxRows); }

// XM: channels and patterns in the header, then each pattern's header (its length, packing,
// rows, packed size) and data. Patterns cut off by the file's end are not made.
int64_t XmCells(const unsigned char* data, size_t size) {
    if (size < 80) return 0;
    const bool v102 = U16(data + 58) == 0x0102;
    const uint64_t channels = U16(data + 68), patterns = U16(data + 70);
    uint64_t at = 60 + U32(data + 60), cells = 0;
    for (uint64_t p = 0; p < patterns && at + 9 <= size; ++p) {
        const unsigned char* h = data + at;
        const uint64_t rows = v102 ? h[5] + 1u : Rows(U16(h + 5), 64);
        const uint64_t packed = v102 ? U16(h + 6) : U16(h + 7);
        cells += rows * channels;
        at += U32(h) + packed;
    }
    return static_cast<int64_t>(cells);
}

// IT: order, instrument, sample and pattern counts in the header; after the orders the
// instruments' and samples' pointers, then the patterns' (each at its length and rows).
int64_t ItCells(const unsigned char* data, size_t size) {
    if (size < 192) return 0;
    const uint64_t orders = U16(data + 32), instruments = U16(data + 34), samples = U16(data + 36);
    const uint64_t patterns = U16(data + 38);
    const uint64_t table = 192 + orders + 4 * (instruments + samples);
    uint64_t cells = 0;
    for (uint64_t p = 0; p < patterns; ++p) {
        const uint64_t at = table + 4 * p;
        const uint64_t pattern = at + 4 <= size ? U32(data + at) : 0;
        const uint64_t rows = pattern != 0 && pattern + 4 <= size ? Rows(U16(data + pattern + 2), kItEmptyRows)
                                                                  : kItEmptyRows;
        cells += rows * kItChannels;
    }
    return static_cast<int64_t>(cells);
}

}  // namespace

int64_t ClaimedPatternCells(const unsigned char* data, size_t size) {
    if (!data) return -1;
    if (size >= 17 && std::memcmp(data, "Extended Module: ", 17) == 0) return XmCells(data, size);
    if (size >= 4 && std::memcmp(data, "IMPM", 4) == 0) return ItCells(data, size);
    return -1;
}

}  // namespace fwbass
