// "Resource" record: a raw file read whole with Resource_Load.
#pragma once

#include "engine/helpers/resource_record.h"

class FileRecord : public ResourceRecord {
public:
    FileRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char filename[RESOURCE_NAME_MAX + 1];
};
