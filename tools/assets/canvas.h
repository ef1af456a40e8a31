// A small RGBA canvas for drawing the game's pixel art, and its PNG writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// Colours are 0xAARRGGBB; only alpha 0 and 255 are used.
constexpr uint32_t kClear = 0x00000000;

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, kClear) {}

    void Set(int x, int y, uint32_t c) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        pixels[static_cast<size_t>(y) * width + x] = c;
    }
    uint32_t Get(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return kClear;
        return pixels[static_cast<size_t>(y) * width + x];
    }
    void Fill(int x, int y, int w, int h, uint32_t c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) Set(i, j, c);
    }
    void Line(int x0, int y0, int x1, int y1, uint32_t c);
    void Disc(int cx, int cy, int r, uint32_t c);
    void Ring(int cx, int cy, int r, uint32_t c);
    // Draws a text grid: one string per row; each character is looked up in the palette
    // string pairs ("#", colour); '.' and ' ' leave the pixel as it is.
    void Grid(int x, int y, const std::vector<std::string>& rows, const std::string& keys,
              const std::vector<uint32_t>& colours);
};

// Writes an 8-bit RGBA, non-interlaced PNG with fixed compression and no ancillary chunks.
// Transparent pixels are written as 0,0,0,0. Returns false on any failure.
bool WritePng(const std::string& path, const Canvas& canvas);

}  // namespace assets
