// The codebooks of a Vorbis setup header, read as the Vorbis I bitstream lays them out: fields
// packed from the least significant bit of each byte up.
#include "platform/sound/vorbis_books.h"

#include <cstring>

namespace fwbass {

namespace {

class Bits {
public:
    Bits(const unsigned char* data, size_t size) : data_(data), bits_(static_cast<uint64_t>(size) * 8) {}
    // n bits (at most 32); false past the end.
    bool Read(int n, uint32_t& v) {
        if (static_cast<uint64_t>(n) > bits_ - pos_) return false;
        v = 0;
        for (int i = 0; i < n;) {
            const int shift = static_cast<int>(pos_ & 7);
            const int take = n - i < 8 - shift ? n - i : 8 - shift;
            const uint32_t chunk = (data_[pos_ >> 3] >> shift) & ((1u << take) - 1);
            v |= chunk << i;
            i += take;
            pos_ += static_cast<uint64_t>(take);
        }
        return true;
    }
    bool Skip(uint64_t n) {
        if (n > bits_ - pos_) return false;
        pos_ += n;
        return true;
    }

private:
    const unsigned char* data_;
    uint64_t bits_;
    uint64_t pos_ = 0;
};

int ILog(uint32_t v) {
    int r = 0;
    for (; v; v >>= 1) ++r;
    return r;
}

// The greatest r with r^dims <= entries (dims >= 1).
uint64_t Lookup1Values(uint32_t entries, uint32_t dims) {
    if (entries == 0) return 0;
    auto fits = [&](uint64_t r) {
        if (r == 1) return true;
        uint64_t acc = 1;  // doubles at least each step: at most 25 steps
        for (uint32_t d = 0; d < dims; ++d) {
            acc *= r;
            if (acc > entries) return false;
        }
        return true;
    };
    uint64_t lo = 1, hi = entries;  // fits(lo) always holds; find the last r that fits
    while (lo < hi) {
        const uint64_t mid = lo + (hi - lo + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

bool ReadBook(Bits& b, VorbisBooks& out) {
    uint32_t sync, dims, entries, ordered;
    if (!b.Read(24, sync) || sync != 0x564342 || !b.Read(16, dims) || !b.Read(24, entries) || !b.Read(1, ordered))
        return false;
    uint32_t v;
    if (!ordered) {
        uint32_t sparse;
        if (!b.Read(1, sparse)) return false;
        for (uint32_t i = 0; i < entries; ++i) {
            if (sparse) {
                if (!b.Read(1, v)) return false;
                if (!v) continue;
            }
            if (!b.Read(5, v)) return false;
        }
    } else {
        uint32_t length;
        if (!b.Read(5, length)) return false;
        ++length;
        for (uint32_t done = 0; done < entries; ++length) {
            if (length > 32 || !b.Read(ILog(entries - done), v) || v > entries - done) return false;
            done += v;
        }
    }
    uint32_t lookup;
    if (!b.Read(4, lookup) || lookup > 2) return false;
    if (lookup) {
        uint32_t valueBits;
        if (!b.Skip(64) || !b.Read(4, valueBits) || !b.Skip(1)) return false;
        const uint64_t count = lookup == 1 ? (dims ? Lookup1Values(entries, dims) : 0)
                                           : static_cast<uint64_t>(entries) * dims;
        if (!b.Skip(count * (valueBits + 1))) return false;
    }
    ++out.books;
    if (entries > out.maxEntries) out.maxEntries = entries;
    out.entries += entries;
    out.values += static_cast<uint64_t>(entries) * dims;
    return true;
}

}  // namespace

bool ReadVorbisBooks(const unsigned char* packet, size_t size, VorbisBooks& out) {
    out = VorbisBooks{};
    if (!packet || size < 8 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) return false;
    Bits b(packet + 7, size - 7);
    uint32_t count;
    if (!b.Read(8, count)) return false;
    for (uint32_t i = 0; i <= count; ++i)
        if (!ReadBook(b, out)) return false;
    return true;
}

}  // namespace fwbass
