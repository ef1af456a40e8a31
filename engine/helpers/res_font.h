// "Font" record: a bitmap Font read from its description file.
#pragma once

#include "engine/helpers/resource_record.h"

class FontRecord : public ResourceRecord {
public:
    FontRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
    bool mipmap;
    int blend;
    DWORD color;
    float z;
    float scale;
    float proportion;
    float tracking;
    float spacing;
    float rotation;
};
