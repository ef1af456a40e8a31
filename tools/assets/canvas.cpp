#include "tools/assets/canvas.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace assets {

void Canvas::Line(int x0, int y0, int x1, int y1, uint32_t c) {
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Set(x0, y0, c);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
}

void Canvas::Disc(int cx, int cy, int r, uint32_t c) {
    for (int y = -r; y <= r; ++y)
        for (int x = -r; x <= r; ++x)
            if (x * x + y * y <= r * r + r) Set(cx + x, cy + y, c);
}

void Canvas::Ring(int cx, int cy, int r, uint32_t c) {
    for (int y = -r; y <= r; ++y)
        for (int x = -r; x <= r; ++x) {
            int d = x * x + y * y;
            if (d <= r * r + r && d > (r - 1) * (r - 1) + (r - 1)) Set(cx + x, cy + y, c);
        }
}

void Canvas::Grid(int x, int y, const std::vector<std::string>& rows, const std::string& keys,
                  const std::vector<uint32_t>& colours) {
    for (size_t j = 0; j < rows.size(); ++j)
        for (size_t i = 0; i < rows[j].size(); ++i) {
            size_t k = keys.find(rows[j][i]);
            if (k != std::string::npos && k < colours.size())
                Set(x + static_cast<int>(i), y + static_cast<int>(j), colours[k]);
        }
}

namespace {

// The pixel as written: alpha 0 or 255, a transparent pixel all zero.
uint32_t Written(uint32_t c) { return (c >> 24) != 0 ? 0xFF000000u | (c & 0xFFFFFFu) : kClear; }

// The picture's colours as a palette, the transparent one first (so that only one entry needs
// an alpha), the others in order of first use; empty when there are more than 256.
std::vector<uint32_t> PaletteOf(const Canvas& canvas) {
    std::vector<uint32_t> colours;
    bool clear = false;
    for (uint32_t c : canvas.pixels) {
        c = Written(c);
        if (c == kClear) {
            clear = true;
        } else if (std::find(colours.begin(), colours.end(), c) == colours.end()) {
            if (colours.size() >= 256) return {};
            colours.push_back(c);
        }
    }
    if (clear) colours.insert(colours.begin(), kClear);
    if (colours.size() > 256) return {};
    return colours;
}

}  // namespace

// Pixel art has few colours: an indexed PNG (a byte a pixel, no filtering) is a quarter of the
// data to inflate and reads back as the same RGBA pixels.
bool WritePng(const std::string& path, const Canvas& canvas) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    const std::vector<uint32_t> palette = PaletteOf(canvas);
    const bool indexed = !palette.empty();
    std::vector<unsigned char> row(static_cast<size_t>(canvas.width) * (indexed ? 1 : 4));
    std::vector<png_color> plte;
    for (uint32_t c : palette)
        plte.push_back({png_byte((c >> 16) & 0xFF), png_byte((c >> 8) & 0xFF), png_byte(c & 0xFF)});
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, canvas.width, canvas.height, 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (indexed) {
        png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
        // Always an alpha entry, so the picture reads as one with alpha, as an RGBA one does.
        png_byte firstAlpha = static_cast<png_byte>(palette[0] >> 24);
        png_set_tRNS(png, info, &firstAlpha, 1, nullptr);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    }
    png_write_info(png, info);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            uint32_t c = Written(canvas.Get(x, y));
            if (indexed) {
                row[x] = static_cast<unsigned char>(std::find(palette.begin(), palette.end(), c) - palette.begin());
                continue;
            }
            row[x * 4 + 0] = (c >> 16) & 0xFF;
            row[x * 4 + 1] = (c >> 8) & 0xFF;
            row[x * 4 + 2] = c & 0xFF;
            row[x * 4 + 3] = c >> 24;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace assets
