// The resource manager: the resources a resource script declares, found by kind and name,
// built on first use, loaded and freed by resource group.
#pragma once

#include "engine/engine.h"
#include "engine/helpers/resource_record.h"

class ScriptTokenizer;
class Sprite;
class Animation;
class Font;
class ParticleSystem;
class DistortionMesh;
class StringTable;

// List indices: the kind's token code minus 11.
enum ResourceKind {
    RES_LIST_SCRIPT = 0,
    RES_LIST_RESOURCE = 1,
    RES_LIST_TEXTURE = 2,
    RES_LIST_SOUND = 3,
    RES_LIST_MUSIC = 4,
    RES_LIST_STREAM = 5,
    RES_LIST_TARGET = 6,
    RES_LIST_SPRITE = 7,
    RES_LIST_ANIMATION = 8,
    RES_LIST_FONT = 9,
    RES_LIST_PARTICLE = 10,
    RES_LIST_DISTORTION = 11,
    RES_LIST_STRINGTABLE = 12,
    RES_LIST_COUNT = 13
};

class ResourceManager {
public:
    explicit ResourceManager(const char* scriptname = 0);
    ~ResourceManager();

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    void ReplaceScript(const char* scriptname);
    // False at the first resource of the group that cannot be built, and while the script
    // could not be read (the engine's error text then is that of its load).
    bool LoadGroup(int group);
    void FreeGroup(int group);

    // File kinds: a name the script does not declare is loaded as a file and registered
    // with the given group.
    void* GetResource(const char* name, int resgroup = 0);
    TextureHandle GetTexture(const char* name, int resgroup = 0);
    EffectHandle GetSound(const char* name, int resgroup = 0);
    MusicHandle GetMusic(const char* name, int resgroup = 0);
    StreamHandle GetStream(const char* name, int resgroup = 0);

    // Kinds only a script declares: 0 or null for an undeclared name.
    TargetHandle GetTarget(const char* name);
    Sprite* GetSprite(const char* name);
    Animation* GetAnimation(const char* name);
    Font* GetFont(const char* name);
    ParticleSystem* GetParticleSystem(const char* name);
    DistortionMesh* GetDistortionMesh(const char* name);

    // An undeclared name is built as a string table on that file and registered.
    StringTable* GetStringTable(const char* name, int resgroup = 0);

    // Used by the script parser and the records' block parsers.
    void AddResource(int type, ResourceRecord* record);
    ResourceRecord* FindResource(int type, const char* name);
    void ParseScript(ScriptTokenizer* parent, const char* scriptname);
    static bool NextParameter(ScriptTokenizer* tz, bool ignore);
    static void ParseBlendList(ScriptTokenizer* tz, int* blend);
    static void ParseModeList(ScriptTokenizer* tz, int* mode);
    void ParseFileBlock(ScriptTokenizer* tz, const char* name, const char* basename, ResourceRecord* record,
                        int type);

private:
    // A script being parsed: its tokenizer over its text.
    struct OpenedScript {
        ScriptTokenizer* tz = 0;
        char* text = 0;
    };

    void LoadScript(const char* scriptname);
    void RemoveAll();
    // Reads a script and registers it in the script list; false, with its error line, when it
    // was parsed already in this load or cannot be read.
    bool OpenScript(ScriptTokenizer* parent, const char* scriptname, OpenedScript* opened);

    ResourceRecord* res[RES_LIST_COUNT];
    // The script given to the constructor or ReplaceScript could not be read.
    bool scriptUnread;

    static Engine* engine;
};
