// Image decoders: PNG (libpng), JPEG (libjpeg), BMP, uncompressed DDS and TGA (own readers).
#include "platform/d3dx9/d3dx9_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace d3dx9impl {

namespace {

inline uint32_t Rd16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t Rd32(const uint8_t* p) { return Rd16(p) | (Rd16(p + 2) << 16); }

bool SizeOk(uint64_t w, uint64_t h, UINT maxSize) { return w > 0 && h > 0 && w <= maxSize && h <= maxSize; }

// ---- PNG.

bool DecodePng(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, data, size)) return false;
    if (!SizeOk(img.width, img.height, maxSize)) {
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

// ---- JPEG.

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool truncated;
};

void JpegExit(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }

void JpegMessage(j_common_ptr c, int level) {
    if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<JpegError*>(c->err)->truncated = true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegExit;
    err.mgr.emit_message = JpegMessage;
    err.truncated = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out->pixels.clear();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!SizeOk(cinfo.image_width, cinfo.image_height, maxSize)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    out->pixels.assign(size_t(cinfo.output_width) * cinfo.output_height, 0);
    while (cinfo.output_scanline < cinfo.output_height && !err.truncated) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&out->pixels[size_t(cinfo.output_scanline) * cinfo.output_width]);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (err.truncated) {
        jpeg_destroy_decompress(&cinfo);
        out->pixels.clear();
        return false;
    }
    out->width = cinfo.output_width;
    out->height = cinfo.output_height;
    jpeg_finish_decompress(&cinfo);
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

// ---- DDS (uncompressed RGB formats, level 0).

bool DecodeDds(const uint8_t* d, size_t size, UINT maxSize, DecodedImage* out) {
    if (size < 128 || std::memcmp(d, "DDS ", 4) != 0 || Rd32(d + 4) != 124) return false;
    uint32_t h = Rd32(d + 12), w = Rd32(d + 16);
    uint32_t pfFlags = Rd32(d + 80), bpp = Rd32(d + 88);
    const uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
    if ((pfFlags & DDPF_FOURCC) || !(pfFlags & DDPF_RGB) || (bpp != 16 && bpp != 32 && bpp != 24)) return false;
    if (!SizeOk(w, h, maxSize)) return false;
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
    std::vector<uint32_t> px(count);
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
    bool topDown = (desc & 0x20) != 0;
    out->width = w;
    out->height = h;
    out->pixels.resize(count);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(&out->pixels[size_t(y) * w], &px[size_t(topDown ? y : h - 1 - y) * w], w * 4);
    out->format = bpp == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_TGA;
    return true;
}

}  // namespace

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
