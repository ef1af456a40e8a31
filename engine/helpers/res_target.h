// "Target" record: a render target.
#pragma once

#include "engine/helpers/resource_record.h"

class TargetRecord : public ResourceRecord {
public:
    TargetRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    int width;
    int height;
    bool zbuffer;
};
