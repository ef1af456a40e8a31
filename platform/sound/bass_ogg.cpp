// The walk of an Ogg file's pages that comes before any decoder sees the file: which streams it
// begins, whether one rate plays them all, what their Vorbis headers will cost to set up, and
// where its last real page ends.
#include "platform/sound/bass_internal.h"
#include "platform/sound/bass_limits.h"
#include "platform/sound/vorbis_books.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace fwbass {

namespace {

// Header packets of a Vorbis stream, gathered from its pages.
struct HeaderReader {
    explicit HeaderReader(long serial) { ogg_stream_init(&stream, static_cast<int>(serial)); }
    ~HeaderReader() { ogg_stream_clear(&stream); }
    HeaderReader(const HeaderReader&) = delete;
    HeaderReader& operator=(const HeaderReader&) = delete;
    ogg_stream_state stream;
    int packets = 0;
    std::string headers;  // the first and third packets: the comment says nothing of decoding
    size_t setupAt = 0;   // where the third begins in headers
};

// libogg's page sync, cleared however the walk ends.
struct PageSync {
    PageSync() { ogg_sync_init(&sync); }
    ~PageSync() { ogg_sync_clear(&sync); }
    PageSync(const PageSync&) = delete;
    PageSync& operator=(const PageSync&) = delete;
    ogg_sync_state sync;
};

// The size of the page that the sync's next bytes claim to be, when all of it is buffered (its
// checksum is then computed whether it is a page or not); 0 otherwise.
long ClaimedPage(const ogg_sync_state& sync) {
    const unsigned char* p = sync.data + sync.returned;
    const long avail = sync.fill - sync.returned;
    if (avail < 27 || std::memcmp(p, "OggS", 4) != 0) return 0;
    long size = 27 + p[26];
    if (avail < size) return 0;
    for (int i = 0; i < p[26]; ++i) size += p[27 + i];
    return avail < size ? 0 : size;
}

// Whether a link's headers are within the bounds of one header set, and of the file with the
// links before it; the link is counted in the file's totals.
bool SetupWithinBounds(const HeaderReader& h) {
    const unsigned char* setup = reinterpret_cast<const unsigned char*>(h.headers.data()) + h.setupAt;
    const size_t setupSize = h.headers.size() - h.setupAt;
    LoadWork& work = Work();
    work.setupBytes += setupSize;
    if (work.setupBytes > limits::kMaxFileSetupBytes) return false;
    VorbisBooks books;
    if (!ReadVorbisBooks(setup, setupSize, books)) return false;
    work.setupEntries += books.entries;
    work.setupValues += books.values;
    return books.maxEntries <= limits::kMaxBookEntries && books.entries <= limits::kMaxSetupEntries &&
           books.values <= limits::kMaxSetupValues && work.setupEntries <= limits::kMaxFileSetupEntries &&
           work.setupValues <= limits::kMaxFileSetupValues;
}

}  // namespace

OggPages ReadOggPages(const unsigned char* data, int64_t size) {
    OggPages out;
    out.end = size;
    if (!data || size < 4 || std::memcmp(data, "OggS", 4) != 0) return out;  // not Ogg to either decoder
    out.end = 0;
    LoadWork& work = Work();
    PageSync pageSync;
    ogg_sync_state& sync = pageSync.sync;
    ogg_page page;
    int64_t fed = 0, taken = 0;  // bytes given to the sync, and those it has passed
    uint64_t falseCaptures = 0;
    long firstPages = 0;
    std::unordered_set<long> begun, again;
    std::unordered_map<long, std::unique_ptr<HeaderReader>> reading;
    uint32_t firstRate = 0;
    while (out.playable) {
        const long claimed = ClaimedPage(sync);
        const long got = ogg_sync_pageseek(&sync, &page);
        if (got < 0) {
            // Bytes skipped to the next page; a claimed page among them failed its checksum.
            taken -= got;
            work.pageBytes += static_cast<uint64_t>(-got) + static_cast<uint64_t>(claimed);
            falseCaptures += static_cast<uint64_t>(claimed);
            if (falseCaptures > static_cast<uint64_t>(size) + limits::kMaxFalseCaptureBytes) break;
            continue;
        }
        if (got == 0) {
            if (fed >= size) break;
            const long chunk = static_cast<long>(std::min<int64_t>(size - fed, 1 << 16));
            char* buffer = ogg_sync_buffer(&sync, chunk);
            if (!buffer) break;
            std::memcpy(buffer, data + fed, static_cast<size_t>(chunk));
            ogg_sync_wrote(&sync, chunk);
            fed += chunk;
            continue;
        }
        taken += got;
        work.pageBytes += static_cast<uint64_t>(got);
        out.end = taken;
        const long serial = ogg_page_serialno(&page);
        if (ogg_page_bos(&page)) {
            out.playable = ++firstPages <= limits::kMaxOggStreams;
            if (!begun.insert(serial).second) {
                again.insert(serial);
                out.headers.erase(serial);
            }
            reading.erase(serial);
            // A Vorbis stream's first packet, its identification header, starts its first page.
            const unsigned char* body = page.body;
            if (page.body_len < 16 || body[0] != 1 || std::memcmp(body + 1, "vorbis", 6) != 0) continue;
            out.vorbis = true;
            const uint32_t rate = body[12] | body[13] << 8 | body[14] << 16 | static_cast<uint32_t>(body[15]) << 24;
            if (firstRate && rate != firstRate) out.playable = false;
            firstRate = rate;
            reading[serial] = std::make_unique<HeaderReader>(serial);
        }
        const auto r = reading.find(serial);
        if (r == reading.end()) continue;
        HeaderReader& h = *r->second;
        ogg_packet packet;
        int more = ogg_stream_pagein(&h.stream, &page) == 0 ? 1 : -1;
        while (more > 0 && h.packets < 3 && (more = ogg_stream_packetout(&h.stream, &packet)) > 0) {
            if (++h.packets == 2) continue;
            if (h.packets == 3) h.setupAt = h.headers.size();
            h.headers.append(reinterpret_cast<const char*>(packet.packet), static_cast<size_t>(packet.bytes));
        }
        if (h.packets == 3) {
            // Every link counts, a repeated one too: each is parsed, and set up as it is decoded.
            if (!SetupWithinBounds(h)) out.playable = false;
            if (!again.count(serial)) out.headers[serial] = std::move(h.headers);
        }
        if (h.packets == 3 || more < 0) reading.erase(r);
    }
    return out;
}

}  // namespace fwbass
