// What a Vorbis setup header asks of the decoder that sets it up, read from its codebooks
// before the decoder sees them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fwbass {

struct VorbisBooks {
    uint32_t books = 0;
    uint64_t maxEntries = 0;  // of one book
    uint64_t entries = 0;     // of every book: a codeword each to build
    uint64_t values = 0;      // entries times dimensions, every book: what the decoder unpacks
};

// Reads the codebooks of a setup header packet (type 5, "vorbis", the codebook count, then each
// codebook: its entries, dimensions, length list, lookup type and values). False when the packet
// is no setup header or a codebook is malformed or cut.
bool ReadVorbisBooks(const unsigned char* packet, size_t size, VorbisBooks& out);

}  // namespace fwbass
