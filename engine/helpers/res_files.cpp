// Records of the file kinds, render targets and string tables.
#include <cstring>

#include "engine/helpers/res_file.h"
#include "engine/helpers/res_music.h"
#include "engine/helpers/res_parse.h"
#include "engine/helpers/res_sound.h"
#include "engine/helpers/res_stream.h"
#include "engine/helpers/res_stringtable.h"
#include "engine/helpers/res_target.h"
#include "engine/helpers/res_texture.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/string_table.h"

// ---- Resource

FileRecord::FileRecord() { filename[0] = 0; }

void FileRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    rm->ParseFileBlock(tz, name, basename, new FileRecord(), RES_LIST_RESOURCE);
}

ResourceValue FileRecord::Get(ResourceManager*) {
    if (!handle) handle = (ResourceValue)engine->Resource_Load(filename);
    return handle;
}

void FileRecord::Free() {
    if (handle) engine->Resource_Free((void*)handle);
    handle = 0;
}

// ---- Texture

TextureRecord::TextureRecord() {
    filename[0] = 0;
    mipmap = false;
    genalpha = false;
}

void TextureRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    TextureRecord* rec = NewBlockRecord<TextureRecord>(rm, RES_LIST_TEXTURE, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_FILENAME: ParamName(tz, rec->filename); break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_MIPMAP: rec->mipmap = ParamBool(tz); break;
        case PAR_GENALPHA: rec->genalpha = ParamBool(tz); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_TEXTURE, rec);
}

ResourceValue TextureRecord::Get(ResourceManager*) {
    if (handle) return handle;
    TextureHandle tex = engine->Texture_Load(filename, 0, mipmap);
    handle = (ResourceValue)tex;
    if (!tex || !genalpha) return handle;

    DWORD* pixels = engine->Texture_Lock(tex, false, 0, 0, 0, 0);
    if (!pixels) return handle;
    int w = engine->Texture_GetWidth(tex, false);
    int h = engine->Texture_GetHeight(tex, false);
    if (w > 0 && h > 0) {
        DWORD key = pixels[0];
        size_t n = size_t(w) * size_t(h);
        for (size_t i = 0; i < n; i++) {
            if (pixels[i] == key) pixels[i] = 0;
        }
    }
    engine->Texture_Unlock(tex);
    return handle;
}

void TextureRecord::Free() {
    if (handle) engine->Texture_Free((TextureHandle)handle);
    handle = 0;
}

// ---- Sound

SoundRecord::SoundRecord() { filename[0] = 0; }

void SoundRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    rm->ParseFileBlock(tz, name, basename, new SoundRecord(), RES_LIST_SOUND);
}

ResourceValue SoundRecord::Get(ResourceManager*) {
    if (!handle) handle = engine->Effect_Load(filename, 0);
    return handle;
}

void SoundRecord::Free() {
    if (handle) engine->Effect_Free((EffectHandle)handle);
    handle = 0;
}

// ---- Music

MusicRecord::MusicRecord() {
    filename[0] = 0;
    amplify = 50;
}

void MusicRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    MusicRecord* rec = NewBlockRecord<MusicRecord>(rm, RES_LIST_MUSIC, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_FILENAME: ParamName(tz, rec->filename); break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_AMPLIFY: rec->amplify = ParamInt(tz); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_MUSIC, rec);
}

ResourceValue MusicRecord::Get(ResourceManager*) {
    if (handle) return handle;
    MusicHandle mus = engine->Music_Load(filename, 0);
    engine->Music_SetAmplify(mus, amplify);
    handle = mus;
    return handle;
}

void MusicRecord::Free() {
    if (handle) engine->Music_Free((MusicHandle)handle);
    handle = 0;
}

// ---- Stream

StreamRecord::StreamRecord() { filename[0] = 0; }

void StreamRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    rm->ParseFileBlock(tz, name, basename, new StreamRecord(), RES_LIST_STREAM);
}

ResourceValue StreamRecord::Get(ResourceManager*) {
    if (!handle) handle = engine->Stream_Load(filename, 0);
    return handle;
}

void StreamRecord::Free() {
    if (handle) engine->Stream_Free((StreamHandle)handle);
    handle = 0;
}

// ---- Target

TargetRecord::TargetRecord() {
    width = 256;
    height = 256;
    zbuffer = false;
}

void TargetRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    TargetRecord* rec = NewBlockRecord<TargetRecord>(rm, RES_LIST_TARGET, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_SIZE:
            rec->width = ParamInt(tz);
            rec->height = ParamInt(tz);
            break;
        case PAR_ZBUFFER: rec->zbuffer = ParamBool(tz); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_TARGET, rec);
}

ResourceValue TargetRecord::Get(ResourceManager*) {
    if (!handle) handle = (ResourceValue)engine->Target_Create(width, height, zbuffer);
    return handle;
}

void TargetRecord::Free() {
    if (handle) engine->Target_Free((TargetHandle)handle);
    handle = 0;
}

// ---- StringTable

StringTableRecord::StringTableRecord() { filename[0] = 0; }

void StringTableRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    rm->ParseFileBlock(tz, name, basename, new StringTableRecord(), RES_LIST_STRINGTABLE);
}

ResourceValue StringTableRecord::Get(ResourceManager*) {
    if (!handle) handle = (ResourceValue) new StringTable(filename);
    return handle;
}

void StringTableRecord::Free() {
    delete (StringTable*)handle;
    handle = 0;
}
