// Ogg files put together page by page: chains of one file's copies, and floods of first pages.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace oggtest {

// The Ogg page checksum (CRC-32, polynomial 0x04C11DB7, unreflected) of a page whose own
// checksum field is zero.
inline uint32_t PageCrc(const unsigned char* page, size_t size) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int b = 0; b < 8; ++b) r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ page[i]) & 0xFF];
    return crc;
}

// Gives the page at out[at..] a new serial number and its checksum again.
inline void Reserial(std::vector<unsigned char>& out, size_t at, size_t size, uint32_t serial) {
    for (int i = 0; i < 4; ++i) out[at + 14 + i] = static_cast<unsigned char>(serial >> (8 * i));
    std::memset(&out[at + 22], 0, 4);
    const uint32_t crc = PageCrc(&out[at], size);
    for (int i = 0; i < 4; ++i) out[at + 22 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

// n copies of a one-stream Ogg file, each with its own serial number: a chained file of n links.
// Empty when the file is not a plain walk of pages.
inline std::vector<unsigned char> Chain(const std::vector<unsigned char>& file, int n) {
    std::vector<unsigned char> out;
    for (int k = 0; k < n; ++k) {
        for (size_t at = 0; at < file.size();) {
            if (file.size() - at < 27 || std::memcmp(&file[at], "OggS", 4) != 0) return {};
            size_t size = 27 + file[at + 26];
            if (size > file.size() - at) return {};
            for (int s = 0; s < file[at + 26]; ++s) size += file[at + 27 + s];
            if (size > file.size() - at) return {};
            const size_t to = out.size();
            out.insert(out.end(), file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + size));
            Reserial(out, to, size, 0x1000u + static_cast<uint32_t>(k));
            at += size;
        }
    }
    return out;
}

// n one-byte pages, each the first page of a stream of its own: no decoder's data at all.
inline std::vector<unsigned char> FirstPages(int n) {
    static const unsigned char kPage[] = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 'x'};
    std::vector<unsigned char> out;
    out.reserve(sizeof(kPage) * static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const size_t to = out.size();
        out.insert(out.end(), kPage, kPage + sizeof(kPage));
        Reserial(out, to, sizeof(kPage), 1000u + static_cast<uint32_t>(k));
    }
    return out;
}

}  // namespace oggtest
