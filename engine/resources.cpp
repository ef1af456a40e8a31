#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

void* EngineImpl::Resource_Load(const char* /*filename*/, DWORD* /*size*/) { return 0; }
void EngineImpl::Resource_Free(void* /*res*/) { }
bool EngineImpl::Resource_AttachPack(const char* /*filename*/, const char* /*password*/) { return false; }
void EngineImpl::Resource_RemovePack(const char* /*filename*/) { }
void EngineImpl::Resource_RemoveAllPacks() { }
char* EngineImpl::Resource_FullPath(const char* /*filename*/) { return 0; }
char* EngineImpl::Resource_FindFile(const char* /*wildcard*/) { return 0; }
char* EngineImpl::Resource_FindFolder(const char* /*wildcard*/) { return 0; }
