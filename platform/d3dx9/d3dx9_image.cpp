// Image decoders: PNG (libpng), JPEG (libjpeg), BMP, DDS and TGA (own readers).
#include "platform/d3dx9/d3dx9_image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/d3dx9/image_limits.h"

namespace d3dx9impl {

namespace {

thread_local int lastJpegScans = 0;
thread_local int lastPngTextDropped = 0;

inline uint32_t Rd16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t Rd32(const uint8_t* p) { return Rd16(p) | (Rd16(p + 2) << 16); }

bool SizeOk(uint64_t w, uint64_t h, UINT maxSize) { return w > 0 && h > 0 && w <= maxSize && h <= maxSize; }

// ---- PNG.

inline uint32_t Rd32Be(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Text chunks (tEXt, zTXt, iTXt) between the header and the pixels are dropped before libpng
// reads the file: no picture needs them, and both of its readers would inflate every compressed
// one, up to 8 MB (some 50 ms) each, a thousand of them. Points `data` and `size` at `copy` when
// there were any. False when a chunk before the pixels claims more bytes than the file holds:
// the simplified interface would take the claim's memory (up to 2 GB) before it reads the chunk.
bool DropText(const uint8_t*& data, size_t& size, std::vector<uint8_t>& copy) {
    std::vector<std::pair<size_t, size_t>> text;
    lastPngTextDropped = 0;
    if (size < 8 + 12 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
    size_t at = 8;
    while (size - at >= 12 && std::memcmp(data + at + 4, "IDAT", 4) != 0) {
        uint64_t next = at + 12 + uint64_t(Rd32Be(data + at));
        if (next > size) return false;
        const uint8_t* type = data + at + 4;
        if (std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
            std::memcmp(type, "iTXt", 4) == 0)
            text.push_back({at, size_t(next)});
        at = size_t(next);
    }
    if (text.empty()) return true;
    lastPngTextDropped = int(text.size());
    copy.reserve(size);
    size_t from = 0;
    for (auto [begin, end] : text) {
        copy.insert(copy.end(), data + from, data + begin);
        from = end;
    }
    copy.insert(copy.end(), data + from, data + size);
    data = copy.data();
    size = copy.size();
    return true;
}

// The sequential reading below: the file in memory, errors jump back, warnings are dropped (as
// the simplified interface keeps them out of the output too).
struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    size_t end = size;      // reads stop here: the end of the file, or short of it once the rows are done
    bool pastRows = false;  // a read went past the rows' allowance
};

void PngRead(png_structp png, png_bytep to, size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->end - src->pos) {
        src->pastRows = src->end < src->size;
        png_error(png, "read beyond end of data");
    }
    std::memcpy(to, src->data + src->pos, n);
    src->pos += n;
}

void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarn(png_structp, png_const_charp) {}

// Before the read of the last stored row: with it libpng inflates the rest of the image data,
// up to 1,032 bytes a byte, so from here it may read the row and kPngDataPastRows more.
void LastRowNext(PngSource* src, size_t rowBytes) {
    if (src->end - src->pos > rowBytes + kPngDataPastRows) src->end = src->pos + rowBytes + kPngDataPastRows;
}

// The rows a picture stores: an interlaced one in seven passes, of which a small one skips some.
png_uint_32 StoredRows(png_uint_32 width, png_uint_32 height, bool interlaced) {
    if (!interlaced) return height;
    png_uint_32 rows = 0;
    for (int pass = 0; pass < 7; ++pass)
        if (PNG_PASS_COLS(width, pass) != 0) rows += PNG_PASS_ROWS(height, pass);
    return rows;
}

// The two steps of the check below jump back here on an error; neither holds anything that
// needs destroying.
bool ReadStoredHeader(png_structp png, png_infop info, png_uint_32* rows, size_t* rowBytes) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_benign_errors(png, 1);
    png_read_info(png, info);
    *rows = StoredRows(png_get_image_width(png, info), png_get_image_height(png, info),
                       png_get_interlace_type(png, info) != PNG_INTERLACE_NONE);
    *rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadStoredRows(png_structp png, PngSource* src, png_uint_32 rows, size_t rowBytes, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < rows; ++y) {
        if (y == rows - 1) LastRowNext(src, rowBytes);
        png_read_row(png, row, nullptr);
    }
    return true;
}

// The simplified interface reads the rows as the direct reading does, the rest of the image
// data after them too, but cannot be stopped there: so a file that could hold more than
// kPngDataPastRows past them is first read through as stored, unconverted. False only when
// its image data goes on past that.
bool ImageDataEndsWithRows(const uint8_t* data, size_t size) {
    if (size <= kPngDataPastRows) return true;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngSource src{data, size};
    png_uint_32 rows = 0;
    size_t rowBytes = 0;
    if (info) {
        png_set_read_fn(png, &src, PngRead);
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);  // the decode that follows checks it
        if (ReadStoredHeader(png, info, &rows, &rowBytes) && rows > 0) {
            std::vector<png_byte> row(rowBytes);
            ReadStoredRows(png, &src, rows, rowBytes, row.data());
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return !src.pastRows;
}

// Any picture, through libpng's simplified interface (it converts every kind of PNG, colour
// spaces included, to 8-bit sRGB BGRA).
bool DecodePngAny(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data, size)) return false;
    if (!SizeOk(img.width, img.height, maxSize) || !ImageDataEndsWithRows(data, size)) {
        png_image_free(&img);
        return false;
    }
    bool alpha = (img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    img.format = PNG_FORMAT_BGRA;  // in memory B, G, R, A: 0xAARRGGBB little-endian
    out->pixels.assign(size_t(img.width) * img.height, 0);
    if (!png_image_finish_read(&img, nullptr, out->pixels.data(), int(img.width * 4), nullptr)) {
        png_image_free(&img);
        return false;
    }
    out->width = img.width;
    out->height = img.height;
    out->format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_PNG;
    return true;
}

// The chunks before the pixels that bear on the simplified interface's colours; the rest that
// does (bit depth, colour type, interlacing) is in the header.
struct PngChunks {
    bool colourSpace = false;   // gAMA, cHRM, sRGB, iCCP or sBIT, valid or not
    bool transparency = false;  // tRNS
    bool pixelsFound = false;   // the walk reached an IDAT chunk
};

// Walks the chunk list up to the first IDAT. It looks at the chunks themselves, not at what
// libpng keeps of them: libpng drops a colour-space chunk it finds invalid (an sRGB chunk of a
// bad intent, unusable chromaticities, a second gAMA) and clears the valid bits of them all,
// yet the simplified interface still applies the gamma it took from an earlier gAMA. libpng
// reads the same chunks in the same order and fails on any it cannot walk past, so a file it
// reads up to the pixels is walked alike.
PngChunks ChunksBeforePixels(const uint8_t* data, size_t size) {
    PngChunks found;
    size_t at = 8;
    while (size - at >= 8) {
        uint32_t length = Rd32Be(data + at);
        const uint8_t* type = data + at + 4;
        auto is = [type](const char* name) { return std::memcmp(type, name, 4) == 0; };
        if (is("IDAT")) {
            found.pixelsFound = true;
            break;
        }
        if (is("gAMA") || is("cHRM") || is("sRGB") || is("iCCP") || is("sBIT")) found.colourSpace = true;
        if (is("tRNS")) found.transparency = true;
        if (size - at - 8 < uint64_t(length) + 4) break;
        at += 12 + size_t(length);
    }
    return found;
}

// What the direct reading needs of the header; filled in before any row is read.
struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int type = 0;
    bool transparency = false;  // a tRNS chunk before the pixels
    bool simple = false;
    bool alpha = false;
    size_t rowBytes = 0;  // of a row as libpng gives it
    uint32_t palette[256];  // indexed pictures: each index's colour, as libpng expands it
};

// The two steps below jump back here on an error; neither holds anything that needs destroying.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_benign_errors(png, 1);
    png_read_info(png, info);
    h->width = png_get_image_width(png, info);
    h->height = png_get_image_height(png, info);
    h->type = png_get_color_type(png, info);
    h->simple = png_get_bit_depth(png, info) == 8 && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE &&
                (h->type == PNG_COLOR_TYPE_PALETTE || h->type == PNG_COLOR_TYPE_RGB ||
                 h->type == PNG_COLOR_TYPE_RGB_ALPHA) &&
                (h->type == PNG_COLOR_TYPE_PALETTE || !h->transparency);
    if (!h->simple) return true;
    h->alpha = h->type == PNG_COLOR_TYPE_RGB_ALPHA;
    if (h->type == PNG_COLOR_TYPE_PALETTE) {
        // Indices past the palette read as opaque black.
        std::fill(std::begin(h->palette), std::end(h->palette), 0xFF000000u);
        png_colorp plte = nullptr;
        int colours = 0;
        png_get_PLTE(png, info, &plte, &colours);
        png_bytep trans = nullptr;
        int transparent = 0;
        if (png_get_valid(png, info, PNG_INFO_tRNS)) {
            png_get_tRNS(png, info, &trans, &transparent, nullptr);
            h->alpha = true;
        }
        for (int i = 0; i < colours && i < 256; ++i)
            h->palette[i] = (uint32_t(i < transparent ? trans[i] : 0xFF) << 24) | (uint32_t(plte[i].red) << 16) |
                            (uint32_t(plte[i].green) << 8) | plte[i].blue;
    } else {
        png_set_bgr(png);
        if (h->type == PNG_COLOR_TYPE_RGB) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
    }
    h->rowBytes = png_get_rowbytes(png, info);
    return true;
}

void ColoursOfIndices(const uint8_t* __restrict indices, const uint32_t* __restrict palette, uint32_t* __restrict row,
                      png_uint_32 width) {
    for (png_uint_32 x = 0; x < width; ++x) row[x] = palette[indices[x]];
}

bool ReadPngRows(png_structp png, PngSource* src, const PngHeader* h, uint32_t* pixels, uint8_t* indices) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < h->height; ++y) {
        if (y == h->height - 1) LastRowNext(src, h->rowBytes);
        uint32_t* row = pixels + size_t(y) * h->width;
        if (h->type != PNG_COLOR_TYPE_PALETTE) {
            png_read_row(png, reinterpret_cast<png_bytep>(row), nullptr);
            continue;
        }
        png_read_row(png, indices, nullptr);
        ColoursOfIndices(indices, h->palette, row, h->width);
    }
    return true;
}

enum class Direct { Decoded, Failed, NotSimple };

// Non-interlaced 8-bit indexed, RGB and RGBA pictures without colour-space chunks (RGB and
// RGBA ones without tRNS either) need no conversion: libpng's row reader puts their rows
// straight into the result (indexed ones through a table of the palette's colours). The
// simplified interface reads the same rows the same way, then converts every pixel by its
// general means; the result and the damaged files that fail are the same. Any other picture
// is NotSimple.
Direct DecodePngDirect(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    PngChunks chunks = ChunksBeforePixels(data, size);
    if (chunks.colourSpace || !chunks.pixelsFound) return Direct::NotSimple;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Direct::NotSimple;
    }
    PngSource src{data, size};
    png_set_read_fn(png, &src, PngRead);
    auto h = std::make_unique<PngHeader>();
    h->transparency = chunks.transparency;
    Direct result = Direct::Failed;
    if (!ReadPngHeader(png, info, h.get())) {
        result = Direct::Failed;
    } else if (!h->simple) {
        result = Direct::NotSimple;
    } else if (SizeOk(h->width, h->height, maxSize)) {
        out->pixels.resize(size_t(h->width) * h->height);
        std::vector<uint8_t> indices(h->type == PNG_COLOR_TYPE_PALETTE ? h->width : 0);
        if (ReadPngRows(png, &src, h.get(), out->pixels.data(), indices.data())) {
            out->width = h->width;
            out->height = h->height;
            out->format = h->alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
            out->fileFormat = D3DXIFF_PNG;
            result = Direct::Decoded;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

bool DecodePng(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    std::vector<uint8_t> withoutText;
    if (!DropText(data, size, withoutText)) return false;
    Direct d = DecodePngDirect(data, size, maxSize, out);
    if (d != Direct::NotSimple) return d == Direct::Decoded;
    *out = DecodedImage{};
    return DecodePngAny(data, size, maxSize, out);
}

// ---- JPEG.

struct JpegError {
    jpeg_error_mgr mgr;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool truncated;
};

void JpegExit(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }

void JpegMessage(j_common_ptr c, int level) {
    if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<JpegError*>(c->err)->truncated = true;
}

// Called before each step of the input: a file is refused once it starts a scan past the limit,
// before any of that scan is decoded. Each scan, repeated or not, walks all blocks of its
// components again, so a small file of many scans would otherwise cost seconds.
void JpegProgress(j_common_ptr c) {
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxJpegScans) c->err->error_exit(c);
}

bool DecodeJpeg(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    jpeg_decompress_struct cinfo{};
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegExit;
    err.mgr.emit_message = JpegMessage;
    err.progress = {};
    err.progress.progress_monitor = JpegProgress;
    err.truncated = false;
    auto fail = [&] {
        lastJpegScans = std::min(cinfo.input_scan_number, kMaxJpegScans);
        jpeg_destroy_decompress(&cinfo);
        out->pixels.clear();
        return false;
    };
    if (setjmp(err.jump)) return fail();
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &err.progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!SizeOk(cinfo.image_width, cinfo.image_height, maxSize)) return fail();
    cinfo.out_color_space = JCS_EXT_BGRA;
    // A file of several scans is read whole here; one cut short ends early, before the pixels.
    jpeg_start_decompress(&cinfo);
    if (err.truncated) return fail();
    out->pixels.assign(size_t(cinfo.output_width) * cinfo.output_height, 0);
    while (cinfo.output_scanline < cinfo.output_height && !err.truncated) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&out->pixels[size_t(cinfo.output_scanline) * cinfo.output_width]);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (err.truncated) return fail();
    out->width = cinfo.output_width;
    out->height = cinfo.output_height;
    jpeg_finish_decompress(&cinfo);
    lastJpegScans = cinfo.input_scan_number;
    jpeg_destroy_decompress(&cinfo);
    for (uint32_t& p : out->pixels) p |= 0xFF000000u;
    out->format = D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_JPG;
    return true;
}

// ---- Masked pixels (BMP bit fields, DDS).

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    void Set(uint32_t m) {
        mask = m;
        shift = bits = 0;
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t v, uint32_t missing) const {
        if (!mask) return missing;
        uint32_t x = (v & mask) >> shift;
        if (bits >= 8) return x >> (bits - 8);
        uint32_t max = (1u << bits) - 1;
        return (x * 255 + max / 2) / max;
    }
};

uint32_t FromMasks(uint32_t v, const Mask& r, const Mask& g, const Mask& b, const Mask& a) {
    return (a.Get(v, 0xFF) << 24) | (r.Get(v, 0) << 16) | (g.Get(v, 0) << 8) | b.Get(v, 0);
}

D3DFORMAT FormatOfMasks(int bpp, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    if (bpp == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return a == 0xFF000000u ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (bpp == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F && !a) return D3DFMT_R5G6B5;
    if (bpp == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F) return a == 0x8000 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    if (bpp == 16 && r == 0xF00 && g == 0xF0 && b == 0xF && a == 0xF000) return D3DFMT_A4R4G4B4;
    return D3DFMT_UNKNOWN;
}

// ---- BMP.

bool DecodeBmp(const uint8_t* d, size_t size, UINT maxSize, DecodedImage* out) {
    if (size < 26 || d[0] != 'B' || d[1] != 'M') return false;
    uint32_t offBits = Rd32(d + 10);
    uint32_t hdr = Rd32(d + 14);
    if (hdr < 12 || 14 + uint64_t(hdr) > size) return false;
    int64_t w, h;
    uint32_t bpp, comp = 0, clrUsed = 0;
    bool core = hdr < 40;
    if (core) {
        w = int16_t(Rd16(d + 18));
        h = int16_t(Rd16(d + 20));
        bpp = Rd16(d + 24);
    } else {
        w = int32_t(Rd32(d + 18));
        h = int32_t(Rd32(d + 22));
        bpp = Rd16(d + 28);
        comp = Rd32(d + 30);
        clrUsed = Rd32(d + 46);
    }
    bool topDown = h < 0;
    if (topDown) h = -h;
    if (!SizeOk(uint64_t(w < 0 ? 0 : w), uint64_t(h), maxSize)) return false;
    const uint32_t BI_RGB = 0, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
    Mask mr, mg, mb, ma;
    D3DFORMAT fmt = D3DFMT_X8R8G8B8;
    if (comp == BI_BITFIELDS || comp == BI_ALPHABITFIELDS) {
        if (bpp != 16 && bpp != 32) return false;
        size_t at = 14 + 40;  // after the 40-byte header, or inside the larger ones at the same place
        size_t n = (comp == BI_ALPHABITFIELDS || hdr >= 56) ? 4 : 3;
        if (at + 4 * n > size) return false;
        mr.Set(Rd32(d + at));
        mg.Set(Rd32(d + at + 4));
        mb.Set(Rd32(d + at + 8));
        if (n == 4) ma.Set(Rd32(d + at + 12));
        fmt = FormatOfMasks(int(bpp), mr.mask, mg.mask, mb.mask, ma.mask);
        if (fmt == D3DFMT_UNKNOWN) fmt = ma.mask ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    } else if (comp == BI_RGB) {
        if (bpp == 16) {
            mr.Set(0x7C00), mg.Set(0x3E0), mb.Set(0x1F);
            fmt = D3DFMT_X1R5G5B5;
        } else if (bpp == 32 || bpp == 24) {
            mr.Set(0xFF0000), mg.Set(0xFF00), mb.Set(0xFF);
        } else if (bpp != 1 && bpp != 4 && bpp != 8) {
            return false;
        }
    } else {
        return false;  // run-length and embedded formats are not read
    }
    // Palette.
    std::vector<uint32_t> pal;
    if (bpp <= 8) {
        size_t entry = core ? 3 : 4;
        size_t count = clrUsed ? clrUsed : (size_t(1) << bpp);
        if (count > 256) return false;
        size_t at = 14 + hdr;
        if (at + count * entry > size) return false;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = d + at + i * entry;
            pal.push_back(0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]);
        }
    }
    uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
    if (offBits > size || stride * uint64_t(h) > size - offBits) return false;  // truncated
    out->width = UINT(w);
    out->height = UINT(h);
    out->pixels.assign(size_t(w) * size_t(h), 0);
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* row = d + offBits + stride * uint64_t(topDown ? y : h - 1 - y);
        uint32_t* dst = &out->pixels[size_t(y) * size_t(w)];
        for (int64_t x = 0; x < w; ++x) {
            uint32_t c;
            switch (bpp) {
            case 1: case 4: case 8: {
                uint64_t bit = uint64_t(x) * bpp;
                uint32_t idx = (row[bit / 8] >> (8 - bpp - (bit % 8))) & ((1u << bpp) - 1);
                c = idx < pal.size() ? pal[idx] : 0xFF000000u;
                break;
            }
            case 16: c = FromMasks(Rd16(row + x * 2), mr, mg, mb, ma); break;
            case 24: c = 0xFF000000u | (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3]; break;
            default: c = FromMasks(Rd32(row + x * 4), mr, mg, mb, ma); break;
            }
            dst[x] = c;
        }
    }
    out->format = fmt;
    out->fileFormat = D3DXIFF_BMP;
    return true;
}

// ---- DDS (uncompressed RGB formats and DXT1 to DXT5, level 0).

void Expand565(uint32_t c, uint32_t* r, uint32_t* g, uint32_t* b) {
    uint32_t r5 = c >> 11, g6 = (c >> 5) & 0x3F, b5 = c & 0x1F;
    *r = (r5 << 3) | (r5 >> 2), *g = (g6 << 2) | (g6 >> 4), *b = (b5 << 3) | (b5 >> 2);
}

// The colours of one 4 x 4 block, row by row. A DXT1 block whose first colour is not above
// its second has three colours and a transparent fourth entry.
void DecodeColourBlock(const uint8_t* p, bool dxt1, uint32_t px[16]) {
    uint32_t c0 = Rd16(p), c1 = Rd16(p + 2), idx = Rd32(p + 4);
    uint32_t r[4], g[4], b[4], a[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    Expand565(c0, &r[0], &g[0], &b[0]);
    Expand565(c1, &r[1], &g[1], &b[1]);
    if (!dxt1 || c0 > c1) {
        r[2] = (2 * r[0] + r[1]) / 3, g[2] = (2 * g[0] + g[1]) / 3, b[2] = (2 * b[0] + b[1]) / 3;
        r[3] = (r[0] + 2 * r[1]) / 3, g[3] = (g[0] + 2 * g[1]) / 3, b[3] = (b[0] + 2 * b[1]) / 3;
    } else {
        r[2] = (r[0] + r[1]) / 2, g[2] = (g[0] + g[1]) / 2, b[2] = (b[0] + b[1]) / 2;
        r[3] = g[3] = b[3] = a[3] = 0;
    }
    for (int i = 0; i < 16; ++i) {
        uint32_t k = (idx >> (2 * i)) & 3;
        px[i] = (a[k] << 24) | (r[k] << 16) | (g[k] << 8) | b[k];
    }
}

// DXT2/DXT3: sixteen explicit 4-bit alphas.
void DecodeExplicitAlpha(const uint8_t* p, uint32_t alpha[16]) {
    for (int i = 0; i < 16; ++i) {
        uint32_t v = (p[i / 2] >> (4 * (i & 1))) & 0xF;
        alpha[i] = v * 17;
    }
}

// DXT4/DXT5: two end points and sixteen 3-bit indices.
void DecodeInterpolatedAlpha(const uint8_t* p, uint32_t alpha[16]) {
    uint32_t a[8];
    a[0] = p[0], a[1] = p[1];
    if (a[0] > a[1]) {
        for (uint32_t i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1]) / 7;
    } else {
        for (uint32_t i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1]) / 5;
        a[6] = 0, a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(p[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) alpha[i] = a[(bits >> (3 * i)) & 7];
}

// Premultiplied colour (DXT2, DXT4) back to straight colour.
uint32_t Unpremultiply(uint32_t c) {
    uint32_t a = c >> 24;
    if (a == 0 || a == 0xFF) return c;
    auto ch = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
    return (a << 24) | (ch((c >> 16) & 0xFF) << 16) | (ch((c >> 8) & 0xFF) << 8) | ch(c & 0xFF);
}

bool DecodeDxt(const uint8_t* d, size_t size, uint32_t w, uint32_t h, uint32_t fourCC, DecodedImage* out) {
    int kind = 0;
    switch (fourCC) {
    case D3DFMT_DXT1: kind = 1; break;
    case D3DFMT_DXT2: case D3DFMT_DXT3: kind = 3; break;
    case D3DFMT_DXT4: case D3DFMT_DXT5: kind = 5; break;
    default: return false;
    }
    bool premultiplied = fourCC == D3DFMT_DXT2 || fourCC == D3DFMT_DXT4;
    uint64_t bw = (w + 3) / 4, bh = (h + 3) / 4, blockBytes = kind == 1 ? 8 : 16;
    if (bw * bh * blockBytes > size - 128) return false;
    out->width = w;
    out->height = h;
    out->pixels.assign(size_t(w) * h, 0);
    const uint8_t* p = d + 128;
    uint32_t px[16], alpha[16];
    for (uint64_t by = 0; by < bh; ++by)
        for (uint64_t bx = 0; bx < bw; ++bx, p += blockBytes) {
            if (kind == 3) DecodeExplicitAlpha(p, alpha);
            if (kind == 5) DecodeInterpolatedAlpha(p, alpha);
            DecodeColourBlock(kind == 1 ? p : p + 8, kind == 1, px);
            for (uint32_t i = 0; i < 16; ++i) {
                uint64_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x >= w || y >= h) continue;
                uint32_t c = px[i];
                if (kind != 1) c = (alpha[i] << 24) | (c & 0xFFFFFF);
                if (premultiplied) c = Unpremultiply(c);
                out->pixels[size_t(y) * w + size_t(x)] = c;
            }
        }
    // No texture takes a compressed format: only a converting load succeeds.
    out->format = D3DFORMAT(fourCC);
    out->fileFormat = D3DXIFF_DDS;
    return true;
}

bool DecodeDds(const uint8_t* d, size_t size, UINT maxSize, DecodedImage* out) {
    if (size < 128 || std::memcmp(d, "DDS ", 4) != 0 || Rd32(d + 4) != 124) return false;
    uint32_t h = Rd32(d + 12), w = Rd32(d + 16);
    uint32_t pfFlags = Rd32(d + 80), bpp = Rd32(d + 88);
    const uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
    if (!SizeOk(w, h, maxSize)) return false;
    if (pfFlags & DDPF_FOURCC) return DecodeDxt(d, size, w, h, Rd32(d + 84), out);
    if (!(pfFlags & DDPF_RGB) || (bpp != 16 && bpp != 32 && bpp != 24)) return false;
    Mask mr, mg, mb, ma;
    mr.Set(Rd32(d + 92)), mg.Set(Rd32(d + 96)), mb.Set(Rd32(d + 100));
    if (pfFlags & DDPF_ALPHAPIXELS) ma.Set(Rd32(d + 104));
    D3DFORMAT fmt = FormatOfMasks(int(bpp), mr.mask, mg.mask, mb.mask, ma.mask);
    if (fmt == D3DFMT_UNKNOWN) {
        // A layout the device does not sample (24-bit, other channel orders): decoded all the
        // same under a format no texture takes, so only a converting load succeeds.
        if (!mr.mask || !mg.mask || !mb.mask) return false;
        if (bpp == 24 && mr.mask == 0xFF0000 && mg.mask == 0xFF00 && mb.mask == 0xFF && !ma.mask) fmt = D3DFMT_R8G8B8;
    }
    uint64_t bytes = bpp / 8, need = uint64_t(w) * h * bytes;
    if (need > size - 128) return false;
    out->width = w;
    out->height = h;
    out->pixels.assign(size_t(w) * h, 0);
    const uint8_t* p = d + 128;
    for (size_t i = 0; i < out->pixels.size(); ++i, p += bytes) {
        uint32_t v = bytes == 2 ? Rd16(p) : (bytes == 3 ? Rd16(p) | (uint32_t(p[2]) << 16) : Rd32(p));
        out->pixels[i] = FromMasks(v, mr, mg, mb, ma);
    }
    out->format = fmt;
    out->fileFormat = D3DXIFF_DDS;
    return true;
}

// ---- TGA (true colour, uncompressed or run-length, 24 or 32 bits).

bool DecodeTga(const uint8_t* d, size_t size, UINT maxSize, DecodedImage* out) {
    if (size < 18) return false;
    uint32_t idLen = d[0], cmapType = d[1], type = d[2];
    uint32_t w = Rd16(d + 12), h = Rd16(d + 14), bpp = d[16], desc = d[17];
    if (cmapType != 0 || (type != 2 && type != 10) || (bpp != 24 && bpp != 32)) return false;
    if (!SizeOk(w, h, maxSize)) return false;
    size_t at = 18 + idLen, bytes = bpp / 8, count = size_t(w) * h;
    // The least the pixels take: each stored, or in runs of 128 (a count byte and one pixel).
    size_t least = type == 2 ? count * bytes : (count + 127) / 128 * (1 + bytes);
    if (at > size || least > size - at) return false;
    out->pixels.resize(count);
    uint32_t* px = out->pixels.data();
    auto read = [&](size_t& pos, uint32_t* c) {
        if (pos + bytes > size) return false;
        const uint8_t* p = d + pos;
        *c = (uint32_t(bytes == 4 ? p[3] : 0xFF) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        pos += bytes;
        return true;
    };
    size_t i = 0;
    while (i < count) {
        if (type == 2) {
            if (!read(at, &px[i])) return false;
            ++i;
            continue;
        }
        if (at >= size) return false;
        uint32_t head = d[at++];
        size_t n = (head & 0x7F) + 1;
        if (i + n > count) return false;
        if (head & 0x80) {
            uint32_t c;
            if (!read(at, &c)) return false;
            for (size_t k = 0; k < n; ++k) px[i++] = c;
        } else {
            for (size_t k = 0; k < n; ++k)
                if (!read(at, &px[i++])) return false;
        }
    }
    if (!(desc & 0x20))  // bottom-up rows
        for (uint32_t y = 0; y < h / 2; ++y)
            std::swap_ranges(px + size_t(y) * w, px + size_t(y + 1) * w, px + size_t(h - 1 - y) * w);
    out->width = w;
    out->height = h;
    out->format = bpp == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_TGA;
    return true;
}

}  // namespace

int LastJpegScans() { return lastJpegScans; }

int LastPngTextDropped() { return lastPngTextDropped; }

bool DecodePngSimplified(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    if (!data || size == 0 || !out) return false;
    *out = DecodedImage{};
    std::vector<uint8_t> withoutText;
    bool ok = DropText(data, size, withoutText) && size >= 8 && png_sig_cmp(data, 0, 8) == 0 &&
              DecodePngAny(data, size, maxSize, out);
    if (!ok) *out = DecodedImage{};
    return ok;
}

bool DecodeImage(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    if (!data || size == 0 || !out) return false;
    *out = DecodedImage{};
    bool ok;
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) ok = DecodeDds(data, size, maxSize, out);
    else if (size >= 8 && png_sig_cmp(data, 0, 8) == 0) ok = DecodePng(data, size, maxSize, out);
    else if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) ok = DecodeJpeg(data, size, maxSize, out);
    else if (size >= 2 && data[0] == 'B' && data[1] == 'M') ok = DecodeBmp(data, size, maxSize, out);
    else ok = DecodeTga(data, size, maxSize, out);
    if (!ok) *out = DecodedImage{};
    return ok;
}

}  // namespace d3dx9impl
