#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::Power_Init() { }
void EngineImpl::Power_Update() { }
void EngineImpl::Power_Done() { }
