#include "tools/assets/canvas.h"

#include <png.h>

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
    std::vector<unsigned char> row(static_cast<size_t>(canvas.width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, canvas.width, canvas.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            uint32_t c = canvas.Get(x, y);
            bool opaque = (c >> 24) != 0;
            row[x * 4 + 0] = opaque ? (c >> 16) & 0xFF : 0;
            row[x * 4 + 1] = opaque ? (c >> 8) & 0xFF : 0;
            row[x * 4 + 2] = opaque ? c & 0xFF : 0;
            row[x * 4 + 3] = opaque ? 0xFF : 0;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace assets
