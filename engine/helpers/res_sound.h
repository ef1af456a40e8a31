// "Sound" record: a sound effect.
#pragma once

#include "engine/helpers/resource_record.h"

class SoundRecord : public ResourceRecord {
public:
    SoundRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
};
