#include "platform/sound/module_claims.h"

#include <algorithm>
#include <cstring>

namespace fwbass {
namespace {

// libopenmpt's largest pattern, and most patterns; a claim past either counts as that.
constexpr uint64_t kMaxRows = 1024;
constexpr uint64_t kMaxPatterns = 4000;
// An IT pattern addresses 64 channels; the loader sizes its patterns for them.
constexpr uint64_t kItChannels = 64;
// The rows of an IT pattern with no data (pointer 0, or past the file).
constexpr uint64_t kItEmptyRows = 64;

uint64_t U16(const unsigned char* p) { return p[0] | static_cast<uint64_t>(p[1]) << 8; }
uint64_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }

uint64_t Rows(uint64_t claimed, uint64_t none) { return claimed == 0 ? none : std::min(claimed, kMaxRows); }

// XM: channels and patterns in the header, then each pattern's header (its length, packing,
// rows and packed size) and data, read as libopenmpt reads them: a pattern header past the
// file's end reads as zeros, which make an empty pattern of 64 rows; a header length past the
// end is not followed, and the data is taken as far as the file holds it. Files before version
// 1.04 put their instruments first: each of their patterns counts as the largest.
int64_t XmCells(const unsigned char* data, size_t size) {
    if (size < 80) return 0;
    const bool v104 = U16(data + 58) >= 0x0104;
    const uint64_t channels = U16(data + 68), patterns = std::min<uint64_t>(U16(data + 70), kMaxPatterns);
    uint64_t at = 60 + U32(data + 60), cells = 0;
    const bool known = v104 && at <= size;  // else libopenmpt's reader is elsewhere
    for (uint64_t p = 0; p < patterns; ++p) {
        uint64_t rows = kMaxRows;
        if (known && at >= size) {
            rows = 64;
        } else if (known && at + 9 > size) {
            // A header cut by the file's end: its length reads as 0, so the reader goes back to
            // it for every pattern after it, each of the rows read from what there is.
        } else if (known) {
            const unsigned char* h = data + at;
            rows = Rows(U16(h + 5), 64);
            const uint64_t length = U32(h), packed = U16(h + 7);
            at = at + length <= size ? at + length : at + 9;
            at += std::min<uint64_t>(packed, size - std::min<uint64_t>(at, size));
        }
        cells += rows * channels;
    }
    return static_cast<int64_t>(cells);
}

// IT: order, instrument, sample and pattern counts in the header; after the orders the
// instruments' and samples' pointers, then the patterns' (each at its length and rows).
int64_t ItCells(const unsigned char* data, size_t size) {
    if (size < 192) return 0;
    const uint64_t orders = U16(data + 32), instruments = U16(data + 34), samples = U16(data + 36);
    const uint64_t patterns = std::min<uint64_t>(U16(data + 38), kMaxPatterns);
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
