// JPEG files made by libjpeg for tests: sequential or progressive in given scans, their scans
// found, and a scan repeated.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>

namespace jpegtest {

// A colour JPEG of the given pixels (0xRRGGBB), 4:4:4 at quality 95: sequential, or progressive
// in the given scans.
inline std::vector<uint8_t> MakeJpeg(unsigned w, unsigned h, uint32_t (*f)(unsigned, unsigned), const std::vector<jpeg_scan_info>& scans = {}) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    for (int i = 0; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (!scans.empty()) {
        c.scan_info = scans.data();
        c.num_scans = int(scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    while (c.next_scanline < h) {
        for (unsigned x = 0; x < w; ++x) {
            uint32_t rgb = f(x, c.next_scanline);
            row[x * 3] = uint8_t(rgb >> 16), row[x * 3 + 1] = uint8_t(rgb >> 8), row[x * 3 + 2] = uint8_t(rgb);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

inline std::vector<uint8_t> MakeJpeg(unsigned w, unsigned h, uint8_t r, uint8_t g, uint8_t b) {
    static uint32_t colour;
    colour = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    return MakeJpeg(w, h, [](unsigned, unsigned) { return colour; });
}

// The scans of a JPEG: where each SOS segment starts and where its entropy-coded data ends.
inline std::vector<std::pair<size_t, size_t>> JpegScans(const std::vector<uint8_t>& f) {
    std::vector<std::pair<size_t, size_t>> scans;
    size_t at = 2;
    while (at + 4 <= f.size() && f[at] == 0xFF && f[at + 1] != 0xD9) {
        size_t next = at + 2 + ((size_t(f[at + 2]) << 8) | f[at + 3]);
        if (f[at + 1] == 0xDA) {
            while (next + 1 < f.size() && !(f[next] == 0xFF && f[next + 1] != 0 && (f[next + 1] & 0xF8) != 0xD0)) ++next;
            scans.push_back({at, next});
        }
        at = next;
    }
    return scans;
}

// The file with scan k put in again, `times` times, before its end.
inline std::vector<uint8_t> WithScanRepeated(const std::vector<uint8_t>& f, size_t k, int times) {
    auto [from, to] = JpegScans(f).at(k);
    std::vector<uint8_t> out(f.begin(), f.end() - 2);
    for (int i = 0; i < times; ++i) out.insert(out.end(), f.begin() + long(from), f.begin() + long(to));
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// The scans of libjpeg's own progression of a colour picture (10).
inline std::vector<jpeg_scan_info> SimpleProgression() {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_simple_progression(&c);
    std::vector<jpeg_scan_info> scans(c.scan_info, c.scan_info + c.num_scans);
    jpeg_destroy_compress(&c);
    return scans;
}

}  // namespace jpegtest
