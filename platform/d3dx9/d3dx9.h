// D3DX9 utility calls the engine makes: textures, textures from image files in memory,
// saving a surface as BMP, and the matrix helpers (row-vector convention).
#pragma once

#include "platform/d3d9/d3d9.h"

typedef D3DMATRIX D3DXMATRIX;

#define D3DX_DEFAULT ((UINT)0xFFFFFFFF)
#define D3DX_FILTER_NONE 1u
#define D3DX_FILTER_POINT 2u
#define D3DX_FILTER_LINEAR 3u
#define D3DX_FILTER_BOX 5u

#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)

enum D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// A texture whose level 0 is width x height rounded up to powers of two (0 or D3DX_DEFAULT
// give 256); levels 0 or D3DX_DEFAULT make the whole chain down to 1 x 1.
HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);

// Decodes a PNG, JPEG or BMP image (and simple uncompressed DDS / TGA) held in memory.
// The texture is the next power of two at or above each image dimension (or the given size),
// the image is copied unscaled into its top-left corner, and texels outside it are 0.
// colorKey, when non-zero, replaces every matching opaque ARGB texel by transparent black.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT dataSize, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture);

// Writes the surface (or the given rectangle of it) to a file; only D3DXIFF_BMP is supported.
// The name is a Windows path and is translated for the host file system.
HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* palette, const RECT* srcRect);

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// out = a * b: a applies first. out may be a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float left, float right, float bottom, float top,
                                       float zn, float zf);
