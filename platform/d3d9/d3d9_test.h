// Test controls of the software Direct3D 9 device and D3DX9: desktop mode and mode list,
// fault switches, the call journal, image readback and the live-object count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9test {

// Restores every control of this header to its default and empties the journal.
void ResetControls();

// ---- Desktop mode and the adapter's mode list (headless backend; the SDL backend asks SDL
// unless a test has set them). Default desktop: the screen size (SM_CXSCREEN x SM_CYSCREEN),
// D3DFMT_X8R8G8B8, 60 Hz.
// Default mode list: 640x480, 800x600, 1024x768, 1280x720, 1280x1024, 1920x1080, each in
// D3DFMT_X8R8G8B8 and D3DFMT_R5G6B5. GetAdapterModeCount/EnumAdapterModes list only the modes
// of the asked format, in list order.
void SetDesktopMode(UINT width, UINT height, D3DFORMAT format);
void SetModeList(const std::vector<D3DDISPLAYMODE>& modes);
D3DDISPLAYMODE DesktopMode();

// ---- Faults. A fault hits the calls numbered first .. first + count - 1, counted from the
// SetFault call (1 = the next call); count -1 = every call from `first` on.
enum class Fault {
    Create,               // Direct3DCreate9 returns null
    DesktopMode,          // GetAdapterDisplayMode returns D3DERR_NOTAVAILABLE
    CreateDevice,         // CreateDevice returns D3DERR_NOTAVAILABLE
    VertexBuffer,         // CreateVertexBuffer returns D3DERR_OUTOFVIDEOMEMORY
    IndexBuffer,          // CreateIndexBuffer returns D3DERR_OUTOFVIDEOMEMORY
    IndexBufferLock,      // index buffer Lock returns D3DERR_INVALIDCALL
    RenderTargetTexture,  // creating a D3DUSAGE_RENDERTARGET texture returns D3DERR_OUTOFVIDEOMEMORY
    DepthSurface,         // CreateDepthStencilSurface returns D3DERR_OUTOFVIDEOMEMORY
    SetRenderTarget,      // SetRenderTarget returns D3DERR_INVALIDCALL
    ManagedTexture,       // creating a non-render-target texture returns E_OUTOFMEMORY
    DecodeA8R8G8B8,       // D3DXCreateTextureFromFileInMemoryEx with D3DFMT_A8R8G8B8 fails
    DecodeUnknown,        // D3DXCreateTextureFromFileInMemoryEx with D3DFMT_UNKNOWN fails
    LockRect,             // texture LockRect returns D3DERR_INVALIDCALL
    GetLevelDesc,         // texture GetLevelDesc returns D3DERR_INVALIDCALL
    GetBackBuffer,        // GetBackBuffer returns D3DERR_INVALIDCALL
    SaveSurface,          // D3DXSaveSurfaceToFileA returns E_FAIL and writes nothing
    Reset,                // Reset returns D3DERR_INVALIDCALL; the device is left NOTRESET
    Present,              // Present returns D3DERR_DEVICELOST and loses the device (one
                          // TestCooperativeLevel call reports LOST, then NOTRESET)
    Count_
};
void SetFault(Fault fault, int first = 1, int count = -1);
void ClearFault(Fault fault);

// Every live device enters the LOST state: the next lostCalls TestCooperativeLevel calls
// report D3DERR_DEVICELOST, then D3DERR_DEVICENOTRESET until a Reset succeeds
// (lostCalls 0: NOTRESET straight away).
void LoseDevice(int lostCalls);

// Focus change of a window: a full-screen device on it becomes LOST on deactivation and
// NOTRESET on re-activation; windowed devices are not affected.
void WindowActivated(HWND window, bool active);

// Whether Present with an interval other than IMMEDIATE waits for the next vertical blank
// of the display's refresh rate on the window system's clock (by default on with the SDL
// backend and off headless).
void EnableVsyncWait(bool on);

// D3DX rounds texture sizes up to powers of two (default on).
void SetPow2Rounding(bool on);
// The largest texture dimension the device accepts (default 4096).
void SetMaxTextureSize(UINT size);

// ---- Journal of device calls: off until a test switches it on (ResetControls switches it off
// again); the oldest half is dropped past 200000 calls.
// Arguments by call, in order (pointers as integers, 0 = null):
//   SetRenderState(state, value)  SetTextureStageState(stage, type, value)
//   SetSamplerState(sampler, type, value)  SetTexture(stage, texture)
//   SetTransform(state) + floats: the 16 matrix elements  SetViewport(X, Y, Width, Height)
//   + floats MinZ, MaxZ  Clear(count, flags, color) + floats z  DrawPrimitive(type, start, n)
//   DrawIndexedPrimitive(type, base, minIndex, numVertices, startIndex, n)
//   SetRenderTarget(index, surface)  SetDepthStencilSurface(surface)  SetFVF(fvf)
//   SetVertexShader(shader)  SetStreamSource(stream, buffer, offset, stride)  SetIndices(buffer)
//   Lock(buffer, offset, size, flags) and Unlock(buffer) of vertex and index buffers
//   LockRect(texture, level, flags) and UnlockRect(texture, level) of textures
//   BeginScene()  EndScene()  Present()  Reset(result)  TestCooperativeLevel(result)
//   CreateVertexBuffer(length, usage, fvf, pool, result)  CreateIndexBuffer(length, usage,
//   format, pool, result)  CreateTexture(width, height, levels, usage, format, pool, result)
//   CreateDepthStencilSurface(width, height, format, result)  CreateDevice(result)
struct Call {
    std::string name;
    std::vector<int64_t> args;
    std::vector<float> floats;
    std::string ToString() const;
};
void EnableJournal(bool on);
const std::vector<Call>& Journal();
void ClearJournal();
size_t CountCalls(const std::string& name);
size_t CountCalls(const std::string& name, int64_t arg0);
size_t CountCalls(const std::string& name, int64_t arg0, int64_t arg1);
std::vector<Call> CallsNamed(const std::string& name);

// ---- Contents, as 32-bit ARGB (formats without alpha read alpha 0xFF).
struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels;  // rows top to bottom, width pixels each
    uint32_t At(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};
Image ReadSurface(IDirect3DSurface9* surface);
Image ReadTexture(IDirect3DTexture9* texture, UINT level = 0);
Image ReadBackBuffer(IDirect3DDevice9* device);
// The image shown by the last successful Present, read from the back buffer while it still
// holds it: empty before the first Present and once the back buffer has been cleared, drawn
// on or written since (the device keeps no copy of what it presents).
Image ReadPresented(IDirect3DDevice9* device);
// Depth value (0 .. 1) of a depth surface at (x, y); false for other surfaces or out of range.
bool ReadDepth(IDirect3DSurface9* surface, UINT x, UINT y, float* depth);
// Writes ARGB pixels into a colour surface (any pool), for test set-up.
bool WriteSurface(IDirect3DSurface9* surface, const Image& image);

// The presentation parameters the device was created or last reset with.
D3DPRESENT_PARAMETERS PresentParameters(IDirect3DDevice9* device);
// The reference count a caller sees (without the device's internal bindings).
DWORD RefCount(IUnknown* object);
// Live layer objects of every kind (Direct3D objects, devices, buffers, textures, surfaces).
int LiveObjectCount();

// ---- Rasterizer paths, for tests that compare them (reset to Fastest by ResetControls).
//   Fastest: the specialised paths (upright quads, copies, spans) in SIMD code for the best
//            instruction set the processor offers, or for `simd` (a name from
//            RasterSimdTargets; false, and nothing changed, for any other);
//   Scalar:  the specialised paths in scalar code;
//   General: every pixel through the general per-pixel pipeline, the reference the others
//            must match bit for bit.
enum class RasterPath { Fastest, Scalar, General };
bool SetRasterPath(RasterPath path, const std::string& simd = "");
// The SIMD instruction sets the rasterizer has code for that this processor runs, best first
// (e.g. "AVX2", "SSSE3"); empty where it has none.
std::vector<std::string> RasterSimdTargets();

}  // namespace d3d9test
