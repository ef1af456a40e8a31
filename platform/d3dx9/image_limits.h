// Limits on the work a picture file may ask of its decoder, beside the device's largest texture
// size (which bounds every picture's width and height).
#pragma once

#include <cstddef>

namespace d3dx9impl {

// cjpeg and jpegtran write 6 (grey) or 10 (colour) scans, at most 100 from any -scans script;
// counted, not weighed by blocks, as no scan costs more than one pass over the largest picture
// (7 ms at 4096 x 4096).
constexpr int kMaxJpegScans = 100;

// Encoders end a PNG's image data within bytes of its last row, past which libpng inflates all
// there is (up to 1,032 bytes a byte): this much, some 70 MB inflated, 0.15 s.
constexpr size_t kPngDataPastRows = 64 * 1024;

}  // namespace d3dx9impl
