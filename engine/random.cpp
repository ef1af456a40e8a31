#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::Random_Seed(int /*seed*/) { }
int EngineImpl::Random_Int(int /*min*/, int /*max*/) { return 0; }
float EngineImpl::Random_Float(float /*min*/, float /*max*/) { return 0.0f; }
