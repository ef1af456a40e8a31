// Every bound on what a file may make the sound library's loads do. A file is what it claims
// only as far as these reach: past one, it is refused as data that cannot be loaded (or, where
// said, taken as far as the bound). Each stands far above what real files need.
#pragma once

#include <cstdint>

namespace fwbass::limits {

// Channels and sample rates of a file the decoders take: far beyond real files (7.1 has 8
// channels; 384 kHz is the highest rate any format is recorded at), and a file outside them is
// no sound to play.
constexpr int kMaxFileChannels = 64;
constexpr long kMinFileRate = 1000;
constexpr long kMaxFileRate = 384000;

// Decoded sample data, 16-bit in 1 or 2 channels: 64 MiB is 6 minutes of 44.1 kHz stereo, far
// beyond any sound effect, and all a decoding bomb can cost a sample load: 150 KB of Vorbis
// silence can claim, and hold, 25 minutes, which takes libvorbis over a second for each 64 MiB.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr uint64_t kMaxSampleBytes = 64ull << 20;
#else
// A fuzzing build decodes through instrumented code, ten times slower, and holds an input to 2 s.
constexpr uint64_t kMaxSampleBytes = 4ull << 20;
#endif

// Frames a Vorbis sample may give beyond what its last granule position claims (the largest
// block): libvorbisfile gives more only of damaged or crafted data, which is then refused.
constexpr uint64_t kMaxFramesPastClaim = 8192;

// Logical streams an Ogg file may begin. Real chained files have a few links, rarely hundreds;
// libvorbisfile's open slows quadratically with their number.
constexpr long kMaxOggStreams = 1024;

// Bytes the Ogg page walk may check in false page captures (an "OggS" whose page fails its
// checksum) beyond the file's own size. A real file has none, a damaged one a few pages' worth;
// a crafted one costs a page of up to 64 KiB per capture. Past it, the file ends at its last
// real page.
constexpr uint64_t kMaxFalseCaptureBytes = 1ull << 20;

// Codebooks of one Vorbis setup header, read before the decoder is set up. The largest that
// oggenc (libvorbis 1.3.7) writes, at every quality from -1 to 10, 8 to 96 kHz, mono, stereo and
// 5.1: 49 books, 6,561 entries in a book, 19,413 entries and 87,952 values in a header (5.1 at
// quality 10), 11,049 bytes (5.1 at quality 8); the decoder sets that up in 1.4 ms.
// Entries of one book: five times oggenc's largest. libvorbis sorts a book's codewords on the
// stack (12 bytes an entry: 384 KiB here; a book of 2^20 entries overflows it).
constexpr uint64_t kMaxBookEntries = 1ull << 15;
// Entries of all books of a header: seven times oggenc's largest (about 6 ms and 3 MB to set up).
constexpr uint64_t kMaxSetupEntries = 1ull << 17;
// Values (entries times dimensions, unpacked to floats) of all books of a header: six times
// oggenc's largest (about 3 ms and 2 MB).
constexpr uint64_t kMaxSetupValues = 1ull << 19;

// The same over every link of a file, repeats included: libvorbisfile parses every link's headers
// when it opens a file, and sets each link up as it decodes it, keeping what it built. Each holds
// 300 links of oggenc's largest stereo header (4,225 bytes, 11,813 entries, 63,654 values), 1.2
// to 3 times over, and 200 of its largest 5.1 header; a file at a limit sets up in under half a
// second and keeps under 200 MB.
constexpr uint64_t kMaxFileSetupBytes = 4ull << 20;
constexpr uint64_t kMaxFileSetupEntries = 1ull << 22;
constexpr uint64_t kMaxFileSetupValues = 1ull << 25;

// Frames decoded to learn the length of a stream whose header does not tell it (FLAC without a
// total): 6 minutes at 44.1 kHz, a fraction of a second even for real data. A longer stream
// plays to its end with its length unknown.
constexpr int64_t kMaxLengthScanFrames = 1ll << 24;

// Rows of a module's order list, each pattern's rows once for every order that plays it:
// libopenmpt walks them all when it loads a module, to learn its length (about 25 ns a row),
// and again to seek in it. A classic module holds at most 256 orders of 256 rows (65,536); a
// module file may claim 65,000 orders of 1,024 rows, 66 million rows from 66 KB.
constexpr uint64_t kMaxModuleRows = 1ull << 20;
// The same walk's rows times the module's channels: it costs about 10 ns a channel of a row, so
// 170 ms at the limit. XM's largest (256 orders of 256 rows, 127 channels) is 8,323,072.
constexpr uint64_t kMaxModuleWalkCells = 1ull << 24;

// Pattern cells (a row of one channel, 6 bytes to libopenmpt) a module may hold: 48 MiB. The
// largest the formats allow are 8,323,072 in XM (256 patterns of 256 rows, 127 channels) and
// 3,072,000 in IT (240 patterns of 200 rows, 64 channels). An XM pattern without data costs the
// file 9 bytes, and IT patterns may share their data, so a 10 KB file can claim 800 MB. XM and IT
// claims are read before libopenmpt loads the file, other formats' once it has.
constexpr uint64_t kMaxModuleCells = 1ull << 23;

}  // namespace fwbass::limits
