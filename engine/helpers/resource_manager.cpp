#include "engine/helpers/resource_manager.h"

#include <cstring>
#include <vector>

#include "engine/helpers/animation.h"
#include "engine/helpers/res_animation.h"
#include "engine/helpers/res_distortion.h"
#include "engine/helpers/res_file.h"
#include "engine/helpers/res_font.h"
#include "engine/helpers/res_music.h"
#include "engine/helpers/res_parse.h"
#include "engine/helpers/res_particle.h"
#include "engine/helpers/res_script.h"
#include "engine/helpers/res_sound.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/res_stream.h"
#include "engine/helpers/res_stringtable.h"
#include "engine/helpers/res_target.h"
#include "engine/helpers/res_texture.h"
#include "engine/helpers/script_tokenizer.h"
#include "engine/helpers/string_table.h"

Engine* ResourceManager::engine = 0;

namespace {

typedef void (*BlockParser)(ResourceManager*, ScriptTokenizer*, const char*, const char*);

// Block parsers by list index (0, the scripts, has none).
const BlockParser blockParsers[RES_LIST_COUNT] = {
    0,
    FileRecord::Parse,
    TextureRecord::Parse,
    SoundRecord::Parse,
    MusicRecord::Parse,
    StreamRecord::Parse,
    TargetRecord::Parse,
    SpriteRecord::Parse,
    AnimationRecord::Parse,
    FontRecord::Parse,
    ParticleRecord::Parse,
    DistortionRecord::Parse,
    StringTableRecord::Parse,
};

bool IsCommand(int code) { return code >= TOKEN_FIRST_COMMAND && code <= TOKEN_LAST_COMMAND; }
bool IsParameter(int code) { return code >= TOKEN_FIRST_PARAM && code <= TOKEN_LAST_PARAM; }

// After a statement error: skip to the next command word or the end and leave it to be read again.
void SkipStatement(ScriptTokenizer* tz) {
    int code = tz->TokenCode();
    while (!IsCommand(code) && code != TOKEN_END) code = tz->GetToken();
    tz->PutBack();
}

// A getter's name that cannot be a record name is refused.
bool NameFits(Engine* engine, const char* name) {
    if (!name) return false;
    if (strnlen(name, RESOURCE_NAME_MAX + 1) <= RESOURCE_NAME_MAX) return true;
    engine->System_Log("Resource name '%.*s...' is longer than %d characters.", 32, name, RESOURCE_NAME_MAX);
    return false;
}

}  // namespace

ResourceManager::ResourceManager(const char* scriptname) {
    engine = CreateEngine(ENGINE_VERSION);
    for (int i = 0; i < RES_LIST_COUNT; i++) res[i] = 0;
    scriptUnread = false;
    LoadScript(scriptname);
}

ResourceManager::~ResourceManager() {
    RemoveAll();
    engine->System_Release();
}

void ResourceManager::LoadScript(const char* scriptname) {
    scriptUnread = false;
    if (!scriptname) return;
    ParseScript(0, scriptname);
    while (ResourceRecord* rec = res[RES_LIST_SCRIPT]) {
        res[RES_LIST_SCRIPT] = rec->next;
        rec->Free();
        delete rec;
    }
}

void ResourceManager::ReplaceScript(const char* scriptname) {
    RemoveAll();
    LoadScript(scriptname);
}

void ResourceManager::RemoveAll() {
    for (int i = 0; i < RES_LIST_COUNT; i++) {
        while (ResourceRecord* rec = res[i]) {
            res[i] = rec->next;
            rec->Free();
            delete rec;
        }
    }
}

bool ResourceManager::LoadGroup(int group) {
    // Nothing the script declares can be loaded.
    if (scriptUnread) return false;
    bool ok = true;
    for (int i = 0; i < RES_LIST_COUNT; i++) {
        for (ResourceRecord* rec = res[i]; rec; rec = rec->next) {
            if (group && rec->resgroup != group) continue;
            if (ok) ok = rec->Get(this) != 0;
        }
    }
    return ok;
}

void ResourceManager::FreeGroup(int group) {
    for (int i = 0; i < RES_LIST_COUNT; i++) {
        for (ResourceRecord* rec = res[i]; rec; rec = rec->next) {
            if (!group || rec->resgroup == group) rec->Free();
        }
    }
}

void ResourceManager::AddResource(int type, ResourceRecord* record) {
    record->next = res[type];
    res[type] = record;
}

ResourceRecord* ResourceManager::FindResource(int type, const char* name) {
    if (!name) return 0;
    for (ResourceRecord* rec = res[type]; rec; rec = rec->next) {
        if (!strcmp(name, rec->name)) return rec;
    }
    return 0;
}

bool ResourceManager::OpenScript(ScriptTokenizer* parent, const char* scriptname, OpenedScript* opened) {
    if (!scriptname) return false;

    if (parent && FindResource(RES_LIST_SCRIPT, scriptname)) {
        parent->Error("Script ", " already has been parsed.");
        return false;
    }

    ScriptRecord* rec = new ScriptRecord();
    DWORD size = 0;
    void* data = engine->Resource_Load(scriptname, &size);
    if (!data) {
        if (parent) {
            parent->Error("Script ", " not found.");
        } else {
            engine->System_Log("Script '%s' not found.", scriptname);
            scriptUnread = true;
        }
        delete rec;
        return false;
    }

    char* script = new char[size + 1];
    memcpy(script, data, size);
    script[size] = 0;
    engine->Resource_Free(data);

    CopyResourceName(rec->name, scriptname);
    AddResource(RES_LIST_SCRIPT, rec);

    opened->text = script;
    opened->tz = new ScriptTokenizer(rec->name, script);
    return true;
}

void ResourceManager::ParseScript(ScriptTokenizer* parent, const char* scriptname) {
    // Included scripts are parsed from a stack of open scripts rather than by recursion, so a
    // long chain of includes cannot exhaust the call stack. An include is parsed at once; its
    // includer goes on where it stood when the included script ends.
    std::vector<OpenedScript> open(1);
    if (!OpenScript(parent, scriptname, &open.back())) return;

    while (!open.empty()) {
        ScriptTokenizer* tz = open.back().tz;
        int code = tz->GetToken();
        if (code == TOKEN_END) {
            delete tz;
            delete[] open.back().text;
            open.pop_back();
            continue;
        }
        if (code == CMD_INCLUDE) {
            tz->GetToken();
            char included[TOKEN_MAX_TEXT + 1];
            strcpy(included, tz->TokenText());
            OpenedScript next;
            if (OpenScript(tz, included, &next)) open.push_back(next);
            continue;
        }
        if (!IsCommand(code)) {
            tz->Error("Unrecognized resource specificator ", ".");
            SkipStatement(tz);
            continue;
        }

        int type = code - CMD_INCLUDE;
        tz->GetToken();
        if (FindResource(type, tz->TokenText())) {
            tz->Error("Resource ", " of the same type already has been defined.");
            SkipStatement(tz);
            continue;
        }
        if (tz->TokenCut()) tz->Error("Resource name ", " is cut to 127 characters.");
        char name[RESOURCE_NAME_MAX + 1];
        char basename[RESOURCE_NAME_MAX + 1];
        strcpy(name, tz->TokenText());
        basename[0] = 0;
        bool hasBase = false;

        if (tz->GetToken() == TOKEN_COLON) {
            tz->GetToken();
            if (FindResource(type, tz->TokenText())) {
                strcpy(basename, tz->TokenText());
                hasBase = true;
            } else
                tz->Error("Base resource ", " is not defined.");
            tz->GetToken();
        }

        if (tz->TokenCode() == TOKEN_LBRACE) {
            // No base is passed as null, so that a record named "" is never taken as one.
            blockParsers[type](this, tz, name, hasBase ? basename : 0);
        } else {
            tz->Error("Illegal resource syntax, ", " found; '{' expected.");
            SkipStatement(tz);
        }
    }
}

bool ResourceManager::NextParameter(ScriptTokenizer* tz, bool ignore) {
    bool reject = ignore;
    if (ignore) tz->PutBack();
    for (;;) {
        int code = tz->GetToken();
        if (code == TOKEN_RBRACE) {
            if (ignore) {
                tz->PutBack();
                return true;
            }
            return false;
        }
        if (IsCommand(code) || code == TOKEN_END) {
            tz->PutBack();
            if (ignore) return true;
            tz->Error("'}' missed, ", " encountered.");
            return false;
        }
        if (!reject) {
            if (ignore) tz->PutBack();
            return true;
        }
        reject = false;
        tz->Error("Unsupported resource parameter ", ".");
        do {
            code = tz->GetToken();
        } while (!IsParameter(code) && !IsCommand(code) && code != TOKEN_RBRACE && code != TOKEN_END);
        tz->PutBack();
    }
}

void ResourceManager::ParseBlendList(ScriptTokenizer* tz, int* blend) {
    for (;;) {
        int code = tz->GetToken();
        if (code != TOKEN_EQUAL && code != TOKEN_COMMA) break;
        switch (tz->GetToken()) {
        case BLEND_COLORMUL: *blend &= ~BLENDMODE_COLORADD; break;
        case BLEND_COLORADD: *blend |= BLENDMODE_COLORADD; break;
        case BLEND_ALPHABLEND: *blend |= BLENDMODE_ALPHABLEND; break;
        case BLEND_ALPHAADD: *blend &= ~BLENDMODE_ALPHABLEND; break;
        case BLEND_ZWRITE: *blend |= BLENDMODE_ZWRITE; break;
        case BLEND_NOZWRITE: *blend &= ~BLENDMODE_ZWRITE; break;
        default: tz->Error("Unsupported value ", "."); break;
        }
    }
    tz->PutBack();
}

void ResourceManager::ParseModeList(ScriptTokenizer* tz, int* mode) {
    for (;;) {
        int code = tz->GetToken();
        if (code != TOKEN_EQUAL && code != TOKEN_COMMA) break;
        switch (tz->GetToken()) {
        case MODE_FORWARD: *mode &= ~ANIM_REVERSE; break;
        case MODE_REVERSE: *mode |= ANIM_REVERSE; break;
        case MODE_PINGPONG: *mode |= ANIM_PINGPONG; break;
        case MODE_NOPINGPONG: *mode &= ~ANIM_PINGPONG; break;
        case MODE_LOOP: *mode |= ANIM_LOOP; break;
        case MODE_NOLOOP: *mode &= ~ANIM_LOOP; break;
        default: tz->Error("Unsupported value ", "."); break;
        }
    }
    tz->PutBack();
}

// The block of the kinds with only "filename" and "resgroup": "Resource", "Sound", "Stream",
// "StringTable".
void ResourceManager::ParseFileBlock(ScriptTokenizer* tz, const char* name, const char* basename,
                                     ResourceRecord* record, int type) {
    char* filename = 0;
    ResourceRecord* base = FindResource(type, basename);
    switch (type) {
    case RES_LIST_RESOURCE: {
        FileRecord* r = static_cast<FileRecord*>(record);
        if (base) *r = *static_cast<FileRecord*>(base);
        filename = r->filename;
        break;
    }
    case RES_LIST_SOUND: {
        SoundRecord* r = static_cast<SoundRecord*>(record);
        if (base) *r = *static_cast<SoundRecord*>(base);
        filename = r->filename;
        break;
    }
    case RES_LIST_STREAM: {
        StreamRecord* r = static_cast<StreamRecord*>(record);
        if (base) *r = *static_cast<StreamRecord*>(base);
        filename = r->filename;
        break;
    }
    case RES_LIST_STRINGTABLE: {
        StringTableRecord* r = static_cast<StringTableRecord*>(record);
        if (base) *r = *static_cast<StringTableRecord*>(base);
        filename = r->filename;
        break;
    }
    default:
        delete record;
        return;
    }
    record->handle = 0;
    CopyResourceName(record->name, name);

    while (NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_FILENAME: ParamName(tz, filename); break;
        case PAR_RESGROUP: record->resgroup = ParamInt(tz); break;
        default:
            NextParameter(tz, true);
            break;
        }
    }
    AddResource(type, record);
}

void* ResourceManager::GetResource(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_RESOURCE, name)) return (void*)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    void* data = engine->Resource_Load(name);
    if (!data) return 0;
    FileRecord* rec = new FileRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->handle = (ResourceValue)data;
    AddResource(RES_LIST_RESOURCE, rec);
    return data;
}

TextureHandle ResourceManager::GetTexture(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_TEXTURE, name)) return (TextureHandle)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    TextureHandle tex = engine->Texture_Load(name, 0, false);
    if (!tex) return 0;
    TextureRecord* rec = new TextureRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->handle = (ResourceValue)tex;
    AddResource(RES_LIST_TEXTURE, rec);
    return tex;
}

EffectHandle ResourceManager::GetSound(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_SOUND, name)) return (EffectHandle)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    EffectHandle eff = engine->Effect_Load(name, 0);
    if (!eff) return 0;
    SoundRecord* rec = new SoundRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->handle = eff;
    AddResource(RES_LIST_SOUND, rec);
    return eff;
}

MusicHandle ResourceManager::GetMusic(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_MUSIC, name)) return (MusicHandle)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    MusicHandle mus = engine->Music_Load(name, 0);
    if (!mus) return 0;
    MusicRecord* rec = new MusicRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->amplify = 50;
    rec->handle = mus;
    AddResource(RES_LIST_MUSIC, rec);
    return mus;
}

StreamHandle ResourceManager::GetStream(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_STREAM, name)) return (StreamHandle)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    StreamHandle str = engine->Stream_Load(name, 0);
    if (!str) return 0;
    StreamRecord* rec = new StreamRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->handle = str;
    AddResource(RES_LIST_STREAM, rec);
    return str;
}

TargetHandle ResourceManager::GetTarget(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_TARGET, name);
    return rec ? (TargetHandle)rec->Get(this) : 0;
}

Sprite* ResourceManager::GetSprite(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_SPRITE, name);
    return rec ? (Sprite*)rec->Get(this) : 0;
}

Animation* ResourceManager::GetAnimation(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_ANIMATION, name);
    return rec ? (Animation*)rec->Get(this) : 0;
}

Font* ResourceManager::GetFont(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_FONT, name);
    return rec ? (Font*)rec->Get(this) : 0;
}

ParticleSystem* ResourceManager::GetParticleSystem(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_PARTICLE, name);
    return rec ? (ParticleSystem*)rec->Get(this) : 0;
}

DistortionMesh* ResourceManager::GetDistortionMesh(const char* name) {
    ResourceRecord* rec = FindResource(RES_LIST_DISTORTION, name);
    return rec ? (DistortionMesh*)rec->Get(this) : 0;
}

StringTable* ResourceManager::GetStringTable(const char* name, int resgroup) {
    if (ResourceRecord* rec = FindResource(RES_LIST_STRINGTABLE, name)) return (StringTable*)rec->Get(this);
    if (!NameFits(engine, name)) return 0;
    StringTable* table = new StringTable(name);
    StringTableRecord* rec = new StringTableRecord();
    strcpy(rec->name, name);
    strcpy(rec->filename, name);
    rec->resgroup = resgroup;
    rec->handle = (ResourceValue)table;
    AddResource(RES_LIST_STRINGTABLE, rec);
    return table;
}
