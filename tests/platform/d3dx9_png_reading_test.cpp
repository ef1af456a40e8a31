// PNG reading: the loader reads simple pictures (8-bit indexed, RGB, RGBA) by libpng's row reader
// and the rest through libpng's simplified interface. Every picture, sound or damaged, gives what
// the simplified interface gives for it: the same pixels, size and format, or the same failure.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_image.h"
#include "platform/d3dx9/image_limits.h"

namespace {

using d3dx9impl::DecodedImage;

constexpr UINT kMaxSize = 4096;

struct Picture {
    UINT width = 16, height = 8;
    int type = PNG_COLOR_TYPE_PALETTE;
    int depth = 8;
    int interlace = PNG_INTERLACE_NONE;
    int filters = PNG_ALL_FILTERS;
    int level = 6;
    int colours = 16;       // palette entries
    int transparent = 0;    // palette entries with an alpha (tRNS), or for RGB / gray a keyed colour
    bool badIndices = false;  // indices past the palette too
    bool gamma = false;       // a gAMA chunk of 1.0
    bool srgb = false;        // an sRGB chunk
    bool textAfter = false;   // a tEXt chunk after the image data
    std::vector<png_byte> bytes;  // the rows' bytes, one row after another; random when empty
    int idatBytes = 8192;     // the size of each IDAT chunk
    uint32_t seed = 1;
};

uint32_t Next(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

void Append(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void Flush(png_structp) {}

std::vector<uint8_t> MakePng(const Picture& s) {
    std::vector<uint8_t> out;
    std::vector<png_color> plte(size_t(s.colours));
    std::vector<png_byte> alpha(size_t(s.colours));
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_bytep> pointers;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "could not write the test picture";
        return {};
    }
    png_set_write_fn(png, &out, Append, Flush);
    png_set_check_for_invalid_index(png, 0);
    png_set_compression_level(png, s.level);
    png_set_compression_buffer_size(png, size_t(s.idatBytes));
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.type, s.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, s.filters);
    uint32_t seed = s.seed;
    if (s.type == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < s.colours; ++i) {
            uint32_t v = Next(seed);
            plte[i] = {png_byte(v), png_byte(v >> 8), png_byte(v >> 16)};
            alpha[i] = i == 0 ? 0 : png_byte(Next(seed));
        }
        png_set_PLTE(png, info, plte.data(), s.colours);
        if (s.transparent > 0) png_set_tRNS(png, info, alpha.data(), s.transparent, nullptr);
    } else if (s.transparent > 0 && !(s.type & PNG_COLOR_MASK_ALPHA)) {
        png_color_16 key{};
        key.red = key.green = key.blue = key.gray = 7;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (s.gamma) png_set_gAMA_fixed(png, info, PNG_FP_1);
    if (s.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = (size_t(s.width) * channels * s.depth + 7) / 8;
    rows.assign(s.height, std::vector<png_byte>(rowBytes));
    const int top = s.depth == 16 ? 256 : 1 << std::min(s.depth, 8);
    for (UINT y = 0; y < s.height; ++y)
        for (size_t b = 0; b < rowBytes; ++b) {
            if (!s.bytes.empty()) {
                rows[y][b] = s.bytes[(y * rowBytes + b) % s.bytes.size()];
                continue;
            }
            uint32_t v = Next(seed);
            if (s.type == PNG_COLOR_TYPE_PALETTE && s.depth == 8) {
                int limit = s.badIndices ? 256 : s.colours;
                // Runs of one index, as pictures have, and now and then another.
                rows[y][b] = png_byte(b % 5 == 0 || b == 0 ? v % limit : rows[y][b - 1]);
                if (s.badIndices && (v & 3) == 0) {
                    rows[y][b] = png_byte(s.colours + v % (256 - s.colours));
                }
            } else if (s.type == PNG_COLOR_TYPE_PALETTE) {
                // Packed indices: keep each below the palette's size.
                int per = 8 / s.depth;
                png_byte packed = 0;
                for (int k = 0; k < per; ++k)
                    packed = png_byte((packed << s.depth) | (Next(seed) % std::min(top, s.colours)));
                rows[y][b] = packed;
            } else {
                rows[y][b] = png_byte(v % 7 == 0 ? 7 : v);
            }
        }
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    if (s.textAfter) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("after the pixels");
        png_set_text(png, info, &text, 1);
    }
    png_write_end(png, s.textAfter ? info : nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void Put32Be(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

std::vector<uint8_t> Chunk(const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> chunk;
    Put32Be(chunk, uint32_t(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    Put32Be(chunk, Crc32(&chunk[4], chunk.size() - 4));
    return chunk;
}

// The file with a chunk of the given type and data put in before its first chunk of type
// `before` (else at its end).
std::vector<uint8_t> WithChunk(const std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data,
                               const char* before = "IDAT") {
    size_t at = 8;
    while (at + 8 <= file.size() && std::memcmp(&file[at + 4], before, 4) != 0)
        at += 12 + ((size_t(file[at]) << 24) | (size_t(file[at + 1]) << 16) | (size_t(file[at + 2]) << 8) | file[at + 3]);
    std::vector<uint8_t> chunk = Chunk(type, data);
    std::vector<uint8_t> out(file.begin(), file.begin() + at);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), file.begin() + at, file.end());
    return out;
}

// Both readers on one file: the same verdict, and for a picture the same result.
void ExpectAlike(const std::vector<uint8_t>& file, const std::string& what, bool mustRead = false) {
    DecodedImage loader, reference;
    bool a = d3dx9impl::DecodeImage(file.data(), file.size(), kMaxSize, &loader);
    bool b = d3dx9impl::DecodePngSimplified(file.data(), file.size(), kMaxSize, &reference);
    ASSERT_EQ(a, b) << what;
    if (mustRead) {
        ASSERT_TRUE(a) << what;
    }
    if (!a) return;
    ASSERT_EQ(loader.width, reference.width) << what;
    ASSERT_EQ(loader.height, reference.height) << what;
    ASSERT_EQ(loader.format, reference.format) << what;
    ASSERT_EQ(loader.fileFormat, D3DXIFF_PNG) << what;
    ASSERT_EQ(loader.pixels.size(), size_t(loader.width) * loader.height) << what;
    for (size_t i = 0; i < loader.pixels.size(); ++i)
        ASSERT_EQ(loader.pixels[i], reference.pixels[i]) << what << ": pixel " << i;
}

TEST(PngReading, SimplePicturesReadAsTheSimplifiedInterfaceReadsThem) {
    struct Size {
        UINT w, h;
    };
    const Size sizes[] = {{1, 1}, {7, 3}, {64, 33}};
    const int filterSets[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                              PNG_ALL_FILTERS};
    int n = 0;
    for (Size size : sizes)
        for (int filters : filterSets) {
            Picture s;
            s.width = size.w, s.height = size.h, s.filters = filters, s.seed = uint32_t(++n);
            s.level = n % 2 ? 9 : 0;
            for (int colours : {1, 2, 17, 256})
                for (int transparent : {0, 1, colours / 2, colours}) {
                    s.type = PNG_COLOR_TYPE_PALETTE, s.colours = colours, s.transparent = transparent;
                    ExpectAlike(MakePng(s), "indexed, " + std::to_string(colours) + " colours, " +
                                                std::to_string(transparent) + " with alpha", true);
                }
            // Indices past the palette.
            s.type = PNG_COLOR_TYPE_PALETTE, s.colours = 5, s.transparent = 3, s.badIndices = true;
            ExpectAlike(MakePng(s), "indexed, indices past the palette");
            s.badIndices = false, s.transparent = 0;
            s.type = PNG_COLOR_TYPE_RGB;
            ExpectAlike(MakePng(s), "RGB", true);
            s.type = PNG_COLOR_TYPE_RGB_ALPHA;
            ExpectAlike(MakePng(s), "RGBA", true);
        }
}

TEST(PngReading, OtherPicturesReadAsTheSimplifiedInterfaceReadsThem) {
    struct Case {
        const char* what;
        Picture picture;
    };
    auto picture = [](int type, int depth) {
        Picture s;
        s.type = type, s.depth = depth, s.width = 13, s.height = 5, s.colours = 4, s.transparent = 2;
        return s;
    };
    std::vector<Case> cases = {
        {"gray", picture(PNG_COLOR_TYPE_GRAY, 8)},
        {"gray and alpha", picture(PNG_COLOR_TYPE_GRAY_ALPHA, 8)},
        {"16-bit RGBA", picture(PNG_COLOR_TYPE_RGB_ALPHA, 16)},
        {"16-bit RGB", picture(PNG_COLOR_TYPE_RGB, 16)},
        {"2-bit indexed", picture(PNG_COLOR_TYPE_PALETTE, 2)},
        {"4-bit indexed", picture(PNG_COLOR_TYPE_PALETTE, 4)},
    };
    Picture s = picture(PNG_COLOR_TYPE_PALETTE, 8);
    s.interlace = PNG_INTERLACE_ADAM7;
    cases.push_back({"interlaced indexed", s});
    s = picture(PNG_COLOR_TYPE_RGB_ALPHA, 8);
    s.gamma = true;
    cases.push_back({"RGBA with a gamma of 1", s});
    s = picture(PNG_COLOR_TYPE_PALETTE, 8);
    s.gamma = true;
    cases.push_back({"indexed with a gamma of 1", s});
    s = picture(PNG_COLOR_TYPE_RGB, 8);
    s.srgb = true;
    cases.push_back({"RGB marked sRGB", s});
    s = picture(PNG_COLOR_TYPE_RGB, 8);
    cases.push_back({"RGB with a keyed colour", s});
    s = picture(PNG_COLOR_TYPE_PALETTE, 8);
    s.textAfter = true;
    cases.push_back({"indexed with text after the pixels", s});
    for (const Case& c : cases) ExpectAlike(MakePng(c.picture), c.what, true);
}

TEST(PngReading, DamagedFilesFailOrReadAlikeOnBothReaders) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    Picture s;
    s.width = 24, s.height = 6, s.idatBytes = 40;  // several IDAT chunks
    s.colours = 9, s.transparent = 4, s.textAfter = true;
    files.push_back({"indexed", MakePng(s)});
    s.type = PNG_COLOR_TYPE_RGB_ALPHA, s.filters = PNG_FILTER_PAETH, s.textAfter = false;
    files.push_back({"RGBA", MakePng(s)});
    s.type = PNG_COLOR_TYPE_RGB, s.filters = PNG_ALL_FILTERS, s.transparent = 0, s.width = 5;
    files.push_back({"RGB", MakePng(s)});
    for (const auto& [name, file] : files) {
        ASSERT_GT(file.size(), 100u) << name;
        for (size_t cut = 8; cut < file.size(); ++cut)
            ExpectAlike(std::vector<uint8_t>(file.begin(), file.begin() + cut), name + " cut at " + std::to_string(cut));
        for (size_t at = 8; at < file.size(); ++at)
            for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
                std::vector<uint8_t> bad = file;
                bad[at] ^= flip;
                ExpectAlike(bad, name + " with byte " + std::to_string(at) + " changed");
            }
        std::vector<uint8_t> more = file;
        more.insert(more.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
        ExpectAlike(more, name + " with bytes after its end", true);
    }
}

// Chunks that are whole but wrong: libpng passes over some as mere warnings, refuses others.
TEST(PngReading, WrongChunksAreTakenOrRefusedAlikeOnBothReaders) {
    Picture s;
    s.colours = 4, s.transparent = 2;
    const std::vector<uint8_t> indexed = MakePng(s);
    s.type = PNG_COLOR_TYPE_RGB, s.transparent = 0;
    const std::vector<uint8_t> rgb = MakePng(s);
    s.type = PNG_COLOR_TYPE_RGB_ALPHA;
    const std::vector<uint8_t> rgba = MakePng(s);
    s.type = PNG_COLOR_TYPE_RGB, s.width = 1, s.height = 1, s.bytes = {0x80, 0x40, 0x20};
    const std::vector<uint8_t> pixel = MakePng(s);
    const std::vector<uint8_t> six(6, 0x40), seven(7, 0x40), gamma{0, 0, 0xB1, 0x8F};
    struct Case {
        std::string what;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases = {
        {"a second tRNS", WithChunk(indexed, "tRNS", {9})},
        {"tRNS longer than the palette", WithChunk(indexed, "tRNS", seven)},
        {"tRNS of the wrong length for RGB", WithChunk(rgb, "tRNS", seven)},
        {"tRNS on RGBA", WithChunk(rgba, "tRNS", six)},
        {"a second PLTE", WithChunk(indexed, "PLTE", {1, 2, 3})},
        {"gAMA of the sRGB value", WithChunk(rgba, "gAMA", gamma)},
        {"gAMA of zero", WithChunk(rgb, "gAMA", {0, 0, 0, 0})},
        {"sBIT", WithChunk(indexed, "sBIT", {5, 6, 5})},
        {"an unknown ancillary chunk", WithChunk(indexed, "zzZz", {1, 2})},
        {"an unknown critical chunk", WithChunk(rgba, "ZZZZ", {1, 2})},
    };
    // A gAMA of 1 with a colour-space chunk that libpng drops as invalid, clearing the chunks'
    // valid bits: the simplified interface applies the gamma all the same. Both chunks go where
    // they belong, before PLTE and IDAT.
    const std::vector<uint8_t> linear{0, 1, 0x86, 0xA0};
    const struct {
        const char* what;
        const char* type;  // the chunk after gAMA; none for gAMA alone
        std::vector<uint8_t> data;
    } invalid[] = {
        {"gAMA alone", nullptr, {}},
        {"gAMA and an sRGB chunk of intent 4", "sRGB", {4}},
        {"gAMA and an all-zero cHRM", "cHRM", std::vector<uint8_t>(32, 0)},
        {"gAMA twice", "gAMA", linear},
    };
    const struct {
        const char* what;
        const std::vector<uint8_t>& file;
        const char* before;
    } bases[] = {{"1 x 1 RGB", pixel, "IDAT"}, {"indexed", indexed, "PLTE"}, {"RGBA", rgba, "IDAT"}};
    for (const auto& base : bases)
        for (const auto& c : invalid) {
            std::vector<uint8_t> file = WithChunk(base.file, "gAMA", linear, base.before);
            if (c.type) file = WithChunk(file, c.type, c.data, base.before);
            cases.push_back({std::string(base.what) + ", " + c.what, file});
            if (&base.file != &pixel) continue;
            DecodedImage image;
            ASSERT_TRUE(d3dx9impl::DecodeImage(file.data(), file.size(), kMaxSize, &image)) << c.what;
            EXPECT_EQ(image.pixels[0], 0xFFBA8863u) << c.what;  // 80 40 20 through a gamma of 1 / 2.2
        }
    for (const Case& c : cases) ExpectAlike(c.file, c.what);
}

// An 8-bit picture of unfiltered rows of `value`, interlaced or not, its image data one zlib
// stream of stored blocks in which `extra` zero bytes follow the rows.
std::vector<uint8_t> StoredPng(UINT w, UINT h, int type, bool interlaced, size_t extra) {
    const size_t channels = type == PNG_COLOR_TYPE_GRAY ? 1 : type == PNG_COLOR_TYPE_RGB ? 3 : 4;
    std::vector<uint8_t> raw;
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        const UINT cols = interlaced ? PNG_PASS_COLS(w, pass) : w, rows = interlaced ? PNG_PASS_ROWS(h, pass) : h;
        for (UINT y = 0; cols > 0 && y < rows; ++y) {
            raw.push_back(0);
            raw.insert(raw.end(), cols * channels, uint8_t(0x40 + pass));
        }
    }
    raw.resize(raw.size() + extra, 0);
    std::vector<uint8_t> z{0x78, 0x01};
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    }
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
    Put32Be(z, (b << 16) | a);
    std::vector<uint8_t> header;
    Put32Be(header, w), Put32Be(header, h);
    header.insert(header.end(), {8, uint8_t(type), 0, 0, uint8_t(interlaced)});
    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& c : {Chunk("IHDR", header), Chunk("IDAT", z), Chunk("IEND", {})}) file.insert(file.end(), c.begin(), c.end());
    return file;
}

// Work a small file could ask of libpng far past its picture: text chunks, each of which it
// would inflate up to 8 MB, are dropped unread; image data going on past the rows, all of which
// it would inflate, is read up to kPngDataPastRows.
TEST(PngReading, WorkPastThePictureIsBounded) {
    Picture s;
    s.colours = 5;
    const std::vector<uint8_t> indexed = MakePng(s);
    s.type = PNG_COLOR_TYPE_GRAY;
    const std::vector<uint8_t> gray = MakePng(s);
    DecodedImage plain, texted;
    for (const auto* file : {&indexed, &gray}) {
        std::vector<uint8_t> text = WithChunk(*file, "tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
        text = WithChunk(text, "iTXt", {'C', 0, 1, 0, 0, 0, 0x78, 0x9C, 1, 2});
        const std::vector<uint8_t> zText{'C', 0, 0, 0x78, 0x9C, 0x63, 0, 0, 0, 1, 0, 1};
        for (int i = 0; i < 1000; ++i) text = WithChunk(text, "zTXt", zText);
        ExpectAlike(text, "1,002 text chunks", true);
        EXPECT_EQ(d3dx9impl::LastPngTextDropped(), 1002);
        ASSERT_TRUE(d3dx9impl::DecodeImage(file->data(), file->size(), kMaxSize, &plain));
        ASSERT_TRUE(d3dx9impl::DecodeImage(text.data(), text.size(), kMaxSize, &texted));
        EXPECT_EQ(texted.pixels, plain.pixels);
        // Text after the pixels is never read; text before the header is libpng's to refuse.
        const std::vector<uint8_t> after = WithChunk(*file, "zTXt", zText, "IEND");
        ExpectAlike(after, "text after the pixels", true);
        EXPECT_EQ(d3dx9impl::LastPngTextDropped(), 0);
        ExpectAlike(WithChunk(*file, "tEXt", {'C', 0, 'x'}, "IHDR"), "text before the header");
        // A chunk before the pixels that claims more than the file holds (1.4 GB, which the
        // simplified interface would allocate before reading it) is refused by both readers.
        for (const char* type : {"zTXt", "sPLT"}) {
            std::vector<uint8_t> claim = WithChunk(*file, type, std::vector<uint8_t>(100, 'x'));
            size_t at = 8;
            while (std::memcmp(&claim[at + 4], type, 4) != 0)
                at += 12 + ((size_t(claim[at]) << 24) | (size_t(claim[at + 1]) << 16) | (size_t(claim[at + 2]) << 8) | claim[at + 3]);
            claim[at] = 0x54, claim[at + 1] = 0, claim[at + 2] = 0, claim[at + 3] = 0;
            DecodedImage none;
            EXPECT_FALSE(d3dx9impl::DecodeImage(claim.data(), claim.size(), kMaxSize, &none)) << type;
            EXPECT_FALSE(d3dx9impl::DecodePngSimplified(claim.data(), claim.size(), kMaxSize, &none)) << type;
        }
    }

    // Both readers (RGB is read directly, the rest through the simplified interface): a few
    // bytes past the rows are taken, as libpng takes them, more than kPngDataPastRows refused.
    // Interlaced pictures store their rows in seven passes, of which a small one skips some.
    const struct {
        const char* what;
        UINT w, h;
        int type;
        bool interlaced;
    } pictures[] = {{"RGB", 3, 2, PNG_COLOR_TYPE_RGB, false},
                    {"gray", 3, 2, PNG_COLOR_TYPE_GRAY, false},
                    {"interlaced gray", 1, 1, PNG_COLOR_TYPE_GRAY, true},
                    {"interlaced RGB", 40, 30, PNG_COLOR_TYPE_RGB, true}};
    for (const auto& p : pictures) {
        ExpectAlike(StoredPng(p.w, p.h, p.type, p.interlaced, 1000), std::string(p.what) + ", 1,000 bytes past", true);
        std::vector<uint8_t> past = StoredPng(p.w, p.h, p.type, p.interlaced, d3dx9impl::kPngDataPastRows + 20000);
        DecodedImage image;
        EXPECT_FALSE(d3dx9impl::DecodeImage(past.data(), past.size(), kMaxSize, &image)) << p.what;
        EXPECT_FALSE(d3dx9impl::DecodePngSimplified(past.data(), past.size(), kMaxSize, &image)) << p.what;
        // A large picture that ends with its rows reads whole.
        ExpectAlike(StoredPng(300, 250, p.type, p.interlaced, 0), std::string(p.what) + ", 300 x 250", true);
    }
}

TEST(PngReading, PicturesOverTheSizeLimitFailOnBothReaders) {
    for (int type : {PNG_COLOR_TYPE_PALETTE, PNG_COLOR_TYPE_RGB_ALPHA}) {
        Picture s;
        s.type = type, s.width = 3, s.height = 2;
        std::vector<uint8_t> file = MakePng(s);
        DecodedImage a, b;
        EXPECT_FALSE(d3dx9impl::DecodeImage(file.data(), file.size(), 2, &a)) << type;
        EXPECT_FALSE(d3dx9impl::DecodePngSimplified(file.data(), file.size(), 2, &b)) << type;
        EXPECT_TRUE(a.pixels.empty());
        EXPECT_TRUE(d3dx9impl::DecodeImage(file.data(), file.size(), 3, &a)) << type;
    }
}

}  // namespace
