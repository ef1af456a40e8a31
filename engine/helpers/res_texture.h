// "Texture" record.
#pragma once

#include "engine/helpers/resource_record.h"

class TextureRecord : public ResourceRecord {
public:
    TextureRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
    bool mipmap;
    bool genalpha;
};
