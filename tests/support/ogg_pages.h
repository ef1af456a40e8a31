// Ogg files put together page by page: chains of one file's copies, and floods of first pages.
#pragma once

#include <algorithm>
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

// A page with its own checksum: flags, granule position, serial and sequence numbers, lacing and
// body.
inline std::vector<unsigned char> MakePage(unsigned char flags, int64_t granule, uint32_t serial, uint32_t seq,
                                           const std::vector<unsigned char>& lacing, const unsigned char* body) {
    std::vector<unsigned char> page = {'O', 'g', 'g', 'S', 0, flags};
    for (int i = 0; i < 8; ++i) page.push_back(static_cast<unsigned char>(static_cast<uint64_t>(granule) >> (8 * i)));
    for (uint32_t v : {serial, seq, 0u})
        for (int i = 0; i < 4; ++i) page.push_back(static_cast<unsigned char>(v >> (8 * i)));
    page.push_back(static_cast<unsigned char>(lacing.size()));
    page.insert(page.end(), lacing.begin(), lacing.end());
    size_t body_size = 0;
    for (unsigned char l : lacing) body_size += l;
    page.insert(page.end(), body, body + body_size);
    Reserial(page, 0, page.size(), serial);
    return page;
}

// A one-link Ogg Vorbis file whose setup header is followed by extra zero bytes in its packet
// (the decoder reads the header up to its framing bit only): the comment and setup headers laid
// on pages anew, the audio pages after them numbered on. Empty when the file is not one whose
// identification header has the first page and whose audio starts on a page of its own.
inline std::vector<unsigned char> PadSetupHeader(const std::vector<unsigned char>& file, size_t extra) {
    std::vector<size_t> starts;
    for (size_t at = 0; at + 27 <= file.size();) {
        if (std::memcmp(&file[at], "OggS", 4) != 0 || at + 27 + file[at + 26] > file.size()) return {};
        size_t size = 27 + file[at + 26];
        for (int s = 0; s < file[at + 26]; ++s) size += file[at + 27 + s];
        starts.push_back(at);
        at += size;
    }
    // The packets of pages 1 on, up to the end of the third; audio starts on the page after.
    std::vector<std::vector<unsigned char>> packets(1);
    size_t audio = 1;
    for (; audio < starts.size() && packets.size() < 3; ++audio) {
        const unsigned char* p = &file[starts[audio]];
        const unsigned char* body = p + 27 + p[26];
        for (int s = 0; s < p[26]; ++s) {
            packets.back().insert(packets.back().end(), body, body + p[27 + s]);
            body += p[27 + s];
            if (p[27 + s] < 255) packets.emplace_back();
        }
    }
    if (packets.size() != 3 || !packets[2].empty()) return {};
    packets.pop_back();
    packets[1].resize(packets[1].size() + extra, 0);
    const uint32_t serial = file[14] | file[15] << 8 | file[16] << 16 | static_cast<uint32_t>(file[17]) << 24;
    std::vector<unsigned char> out(file.begin(), file.begin() + static_cast<long>(starts[1]));
    std::vector<unsigned char> lacing, body;
    for (const auto& packet : packets) {
        for (size_t n = packet.size(); ; n -= 255) {
            lacing.push_back(static_cast<unsigned char>(n < 255 ? n : 255));
            if (n < 255) break;
        }
        body.insert(body.end(), packet.begin(), packet.end());
    }
    uint32_t seq = 1;
    bool continued = false;
    for (size_t from = 0, at = 0; from < lacing.size(); ++seq) {
        const size_t n = std::min<size_t>(255, lacing.size() - from);
        std::vector<unsigned char> part(lacing.begin() + static_cast<long>(from), lacing.begin() + static_cast<long>(from + n));
        const bool ends = part.back() < 255;
        const auto page = MakePage(continued ? 1 : 0, ends ? 0 : -1, serial, seq, part, body.data() + at);
        out.insert(out.end(), page.begin(), page.end());
        for (unsigned char l : part) at += l;
        from += n;
        continued = !ends;
    }
    for (size_t i = audio; i < starts.size(); ++i, ++seq) {
        const size_t at = out.size(), size = (i + 1 < starts.size() ? starts[i + 1] : file.size()) - starts[i];
        out.insert(out.end(), file.begin() + static_cast<long>(starts[i]), file.begin() + static_cast<long>(starts[i] + size));
        for (int b = 0; b < 4; ++b) out[at + 18 + b] = static_cast<unsigned char>(seq >> (8 * b));
        Reserial(out, at, size, serial);
    }
    return out;
}

}  // namespace oggtest
