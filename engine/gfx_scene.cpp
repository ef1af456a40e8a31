#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

bool EngineImpl::Gfx_BeginScene(TargetHandle /*target*/) { return false; }
void EngineImpl::Gfx_EndScene() { }
void EngineImpl::Gfx_FlushBatch() { }
void EngineImpl::Gfx_Clear(DWORD /*color*/) { }
void EngineImpl::Gfx_RenderLine(float /*x1*/, float /*y1*/, float /*x2*/, float /*y2*/, DWORD /*color*/, float /*z*/) { }
void EngineImpl::Gfx_RenderTriangle(const Triangle* /*triple*/) { }
void EngineImpl::Gfx_RenderQuad(const Quad* /*quad*/) { }
Vertex* EngineImpl::Gfx_BeginBatch(int /*prim_type*/, TextureHandle /*tex*/, int /*blend*/, int* /*max_prim*/) { return 0; }
void EngineImpl::Gfx_EndBatch(int /*nprim*/) { }
void EngineImpl::Gfx_SetClipping(int /*x*/, int /*y*/, int /*w*/, int /*h*/) { }
void EngineImpl::Gfx_SetTransform(float /*x*/, float /*y*/, float /*dx*/, float /*dy*/, float /*rot*/, float /*hscale*/, float /*vscale*/) { }
void EngineImpl::Gfx_RenderRect(float /*x*/, float /*y*/, float /*width*/, float /*height*/, DWORD /*color*/) { }
IDirect3DDevice9* EngineImpl::Gfx_GetDevice() { return 0; }
void EngineImpl::Gfx_RenderBatch(bool /*endOfScene*/) { }
void EngineImpl::Gfx_SetBlendMode(int /*blend*/) { }
