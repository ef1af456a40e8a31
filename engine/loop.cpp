#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

bool EngineImpl::System_Start() { return false; }
float EngineImpl::Timer_GetTime() { return 0.0f; }
float EngineImpl::Timer_GetDelta() { return 0.0f; }
int EngineImpl::Timer_GetFPS() { return 0; }
