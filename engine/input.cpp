#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::Input_GetMousePos(float* /*x*/, float* /*y*/) { }
void EngineImpl::Input_SetMousePos(float /*x*/, float /*y*/) { }
int EngineImpl::Input_GetMouseWheel() { return 0; }
bool EngineImpl::Input_IsMouseOver() { return false; }
bool EngineImpl::Input_KeyDown(int /*key*/) { return false; }
bool EngineImpl::Input_KeyUp(int /*key*/) { return false; }
bool EngineImpl::Input_GetKeyState(int /*key*/) { return false; }
const char* EngineImpl::Input_GetKeyName(int /*key*/) { return 0; }
int EngineImpl::Input_GetKey() { return 0; }
int EngineImpl::Input_GetChar() { return 0; }
bool EngineImpl::Input_GetEvent(InputEvent* /*event*/) { return false; }
void EngineImpl::Input_Init() { }
void EngineImpl::Input_UpdateMouse() { }
void EngineImpl::Input_BuildEvent(int /*type*/, int /*key*/, int /*scan*/, int /*flags*/, int /*x*/, int /*y*/) { }
void EngineImpl::Input_ClearQueue() { }
