// "Music" record: a music module with its amplification.
#pragma once

#include "engine/helpers/resource_record.h"

class MusicRecord : public ResourceRecord {
public:
    MusicRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
    int amplify;
};
