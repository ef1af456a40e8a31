// The base of the resource manager's records: one per declared (or loaded-on-demand) resource.
#pragma once

#include <cstdint>

#include "engine/engine.h"

class ResourceManager;
class ScriptTokenizer;

// Longest resource, file, texture or sprite name a record holds.
#define RESOURCE_NAME_MAX 127

// The cached value of a record: an engine handle, a file data pointer or an object pointer.
typedef uintptr_t ResourceValue;

class ResourceRecord {
public:
    ResourceRecord();
    virtual ~ResourceRecord();

    // The cached value, built first when there is none (0 after a failed build).
    virtual ResourceValue Get(ResourceManager* rm) = 0;
    // Releases the cached value, if any, and clears it.
    virtual void Free() = 0;

    char name[RESOURCE_NAME_MAX + 1];
    int resgroup;
    ResourceValue handle;
    ResourceRecord* next;

protected:
    ResourceRecord(const ResourceRecord&) = default;
    ResourceRecord& operator=(const ResourceRecord&) = default;

    static Engine* engine;

    // The texture named by a record of the kind ("Sprite", ...) and name: none, with a log line
    // naming the record, when it names no texture (a block whose base was not found).
    static TextureHandle NamedTexture(ResourceManager* rm, const char* kind, const char* name, const char* texname,
                                      int resgroup);
};

// Copies src into a name field of RESOURCE_NAME_MAX + 1 bytes, cut to fit; false when cut.
bool CopyResourceName(char* dst, const char* src);
