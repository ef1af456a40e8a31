#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

bool EngineImpl::System_Initiate() { return false; }
void EngineImpl::System_Shutdown() { }
char* EngineImpl::System_GetErrorMessage() { return errorText; }
void EngineImpl::System_Log(const char* /*format*/, ...) { }
bool EngineImpl::System_Launch(const char* /*url*/) { return false; }
void EngineImpl::System_PostError(const char* /*message*/) { }
void EngineImpl::System_FocusChange(bool /*active*/) { }
LRESULT CALLBACK EngineImpl::System_WindowProc(HWND /*hwnd*/, UINT /*msg*/, WPARAM /*wparam*/, LPARAM /*lparam*/) { return 0; }
