// Image file decoding for the D3DX texture loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx9/d3dx9.h"

namespace d3dx9impl {

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels;  // ARGB, rows top to bottom
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the file's own format (a natural match for PNG, JPEG, BMP)
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
};

// Decodes PNG, JPEG, BMP, DDS (uncompressed or DXT1 to DXT5) and TGA by content. Images
// wider or taller than maxSize are refused before their pixels are allocated. False for
// unknown, corrupt, truncated or empty data.
bool DecodeImage(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out);

// The scans whose data the calling thread's last JPEG decode read: at most kMaxJpegScans
// (image_limits.h), past which a file is refused.
int LastJpegScans();

// The text chunks (tEXt, zTXt, iTXt) before the pixels that the calling thread's last PNG
// decode dropped unread: no picture needs them, and each compressed one can inflate to 8 MB.
int LastPngTextDropped();

// PNG only, every picture through libpng's simplified interface (after the guards of
// image_limits.h that DecodeImage applies too): what DecodeImage's quicker reading of simple
// PNGs gives the same result as.
bool DecodePngSimplified(const uint8_t* data, size_t size, UINT maxSize, DecodedImage* out);

}  // namespace d3dx9impl
