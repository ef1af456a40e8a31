// "StringTable" record: a StringTable read from its file.
#pragma once

#include "engine/helpers/resource_record.h"

class StringTableRecord : public ResourceRecord {
public:
    StringTableRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
};
