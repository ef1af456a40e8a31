// "Distortion" record: a DistortionMesh on a texture resource.
#pragma once

#include "engine/helpers/resource_record.h"

class DistortionRecord : public ResourceRecord {
public:
    DistortionRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    char texname[RESOURCE_NAME_MAX + 1];
    float tx, ty, w, h;
    int cols, rows;
    int blend;
    DWORD color;
    float z;
};
