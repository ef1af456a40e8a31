#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void EngineImpl::Ini_SetInt(const char* /*section*/, const char* /*name*/, int /*value*/) { }
int EngineImpl::Ini_GetInt(const char* /*section*/, const char* /*name*/, int /*def_val*/) { return 0; }
void EngineImpl::Ini_SetFloat(const char* /*section*/, const char* /*name*/, float /*value*/) { }
float EngineImpl::Ini_GetFloat(const char* /*section*/, const char* /*name*/, float /*def_val*/) { return 0.0f; }
void EngineImpl::Ini_SetString(const char* /*section*/, const char* /*name*/, const char* /*value*/) { }
char* EngineImpl::Ini_GetString(const char* /*section*/, const char* /*name*/, const char* /*def_val*/) { return 0; }
