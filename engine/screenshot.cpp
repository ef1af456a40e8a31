#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::System_Screenshot(const char* /*filename*/) { }
