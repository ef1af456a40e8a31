#include "engine/engine_impl.h"

// Placeholder: every operation returns its do-nothing result until this family is built.

TargetHandle EngineImpl::Target_Create(int /*width*/, int /*height*/, bool /*zbuffer*/) { return 0; }
void EngineImpl::Target_Free(TargetHandle /*target*/) { }
TextureHandle EngineImpl::Target_GetTexture(TargetHandle /*target*/) { return 0; }
TextureHandle EngineImpl::Texture_Create(int /*width*/, int /*height*/) { return 0; }
TextureHandle EngineImpl::Texture_Load(const char* /*filename*/, DWORD /*size*/, bool /*bMipmap*/) { return 0; }
void EngineImpl::Texture_Free(TextureHandle /*tex*/) { }
int EngineImpl::Texture_GetWidth(TextureHandle /*tex*/, bool /*bOriginal*/) { return 0; }
int EngineImpl::Texture_GetHeight(TextureHandle /*tex*/, bool /*bOriginal*/) { return 0; }
DWORD* EngineImpl::Texture_Lock(TextureHandle /*tex*/, bool /*bReadOnly*/, int /*left*/, int /*top*/, int /*width*/, int /*height*/) { return 0; }
void EngineImpl::Texture_Unlock(TextureHandle /*tex*/) { }
