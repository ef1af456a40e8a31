// "Sprite" record: a Sprite on a texture resource.
#pragma once

#include "engine/helpers/resource_record.h"

class SpriteRecord : public ResourceRecord {
public:
    SpriteRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    // Reads the parameters of a "Sprite" block; anim admits "frames", "fps" and "mode".
    static void ParseSpriteBlock(ResourceManager* rm, ScriptTokenizer* tz, SpriteRecord* rec, bool anim);

    char texname[RESOURCE_NAME_MAX + 1];
    float tx, ty, w, h;
    float hotx, hoty;
    int blend;
    DWORD color;
    float z;
    bool bXFlip, bYFlip;
};
