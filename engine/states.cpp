#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::System_SetStateBool(BoolState /*state*/, bool /*value*/) { }
void EngineImpl::System_SetStateFunc(FuncState /*state*/, EngineCallback /*value*/) { }
void EngineImpl::System_SetStateHwnd(HwndState /*state*/, HWND /*value*/) { }
void EngineImpl::System_SetStateInt(IntState /*state*/, int /*value*/) { }
void EngineImpl::System_SetStateString(StringState /*state*/, const char* /*value*/) { }
bool EngineImpl::System_GetStateBool(BoolState /*state*/) { return false; }
EngineCallback EngineImpl::System_GetStateFunc(FuncState /*state*/) { return 0; }
HWND EngineImpl::System_GetStateHwnd(HwndState /*state*/) { return 0; }
int EngineImpl::System_GetStateInt(IntState /*state*/) { return 0; }
const char* EngineImpl::System_GetStateString(StringState /*state*/) { return 0; }
