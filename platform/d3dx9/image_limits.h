// Limits on the work a picture file may ask of its decoder, beside the device's largest texture
// size (which bounds every picture's width and height).
#pragma once

namespace d3dx9impl {

// cjpeg and jpegtran write 6 (grey) or 10 (colour) scans, at most 100 from any -scans script; counted, not weighed by blocks, as no scan costs more than one pass over the largest picture (7 ms at 4096 x 4096).
constexpr int kMaxJpegScans = 100;

}  // namespace d3dx9impl
