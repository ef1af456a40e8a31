// "Particle" record: a ParticleSystem read from its description file, drawn with a sprite resource.
#pragma once

#include "engine/helpers/resource_record.h"

class ParticleRecord : public ResourceRecord {
public:
    ParticleRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
    char spritename[RESOURCE_NAME_MAX + 1];
};
