#include "engine/helpers/resource_manager.h"

// Placeholder bodies until the parser lands.
Engine* ResourceManager::engine = 0;

ResourceManager::ResourceManager(const char* scriptname) {
    engine = CreateEngine(ENGINE_VERSION);
    for (int i = 0; i < RES_LIST_COUNT; i++) res[i] = 0;
    depth = 0;
    LoadScript(scriptname);
}
ResourceManager::~ResourceManager() {
    RemoveAll();
    engine->System_Release();
}
void ResourceManager::ReplaceScript(const char* scriptname) {
    RemoveAll();
    LoadScript(scriptname);
}
bool ResourceManager::LoadGroup(int) { return true; }
void ResourceManager::FreeGroup(int) {}
void* ResourceManager::GetResource(const char*, int) { return 0; }
TextureHandle ResourceManager::GetTexture(const char*, int) { return 0; }
EffectHandle ResourceManager::GetSound(const char*, int) { return 0; }
MusicHandle ResourceManager::GetMusic(const char*, int) { return 0; }
StreamHandle ResourceManager::GetStream(const char*, int) { return 0; }
TargetHandle ResourceManager::GetTarget(const char*) { return 0; }
Sprite* ResourceManager::GetSprite(const char*) { return 0; }
Animation* ResourceManager::GetAnimation(const char*) { return 0; }
Font* ResourceManager::GetFont(const char*) { return 0; }
ParticleSystem* ResourceManager::GetParticleSystem(const char*) { return 0; }
DistortionMesh* ResourceManager::GetDistortionMesh(const char*) { return 0; }
StringTable* ResourceManager::GetStringTable(const char*, int) { return 0; }
void ResourceManager::AddResource(int type, ResourceRecord* record) {
    record->next = res[type];
    res[type] = record;
}
ResourceRecord* ResourceManager::FindResource(int, const char*) { return 0; }
void ResourceManager::ParseScript(ScriptTokenizer*, const char*) {}
bool ResourceManager::NextParameter(ScriptTokenizer*, bool) { return false; }
void ResourceManager::ParseBlendList(ScriptTokenizer*, int*) {}
void ResourceManager::ParseModeList(ScriptTokenizer*, int*) {}
void ResourceManager::ParseFileBlock(ScriptTokenizer*, const char*, const char*, ResourceRecord*, int) {}
void ResourceManager::LoadScript(const char*) {}
void ResourceManager::RemoveAll() {}
