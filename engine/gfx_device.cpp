#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

bool EngineImpl::Gfx_Init() { return false; }
bool EngineImpl::Gfx_Restore() { return false; }
bool EngineImpl::Gfx_InitLost() { return false; }
void EngineImpl::Gfx_AdjustWindow() { }
void EngineImpl::Gfx_Resize(int /*width*/, int /*height*/) { }
void EngineImpl::Gfx_Done() { }
int EngineImpl::Gfx_FormatId(D3DFORMAT /*fmt*/) { return 0; }
void EngineImpl::Gfx_SetProjectionMatrix(int /*width*/, int /*height*/) { }
