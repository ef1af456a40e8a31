// "Animation" record: an Animation, a sprite with frames.
#pragma once

#include "engine/helpers/res_sprite.h"

class AnimationRecord : public SpriteRecord {
public:
    AnimationRecord();
    static void Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename);
    ResourceValue Get(ResourceManager* rm) override;
    void Free() override;

    int frames;
    float fps;
    int mode;
};
