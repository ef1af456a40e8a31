// Sprite and animation records.
#include <cstring>

#include "engine/helpers/animation.h"
#include "engine/helpers/res_animation.h"
#include "engine/helpers/res_parse.h"
#include "engine/helpers/res_sprite.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"

SpriteRecord::SpriteRecord() {
    texname[0] = 0;
    tx = ty = w = h = 0.0f;
    hotx = hoty = 0.0f;
    blend = BLENDMODE_DEFAULT;
    color = 0xFFFFFFFF;
    z = 0.5f;
    bXFlip = bYFlip = false;
}

void SpriteRecord::ParseSpriteBlock(ResourceManager*, ScriptTokenizer* tz, SpriteRecord* rec, bool anim) {
    AnimationRecord* arec = anim ? static_cast<AnimationRecord*>(rec) : 0;
    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_TEXTURE: ParamName(tz, rec->texname); break;
        case PAR_RECT:
            rec->tx = ParamFloat(tz);
            rec->ty = ParamFloat(tz);
            rec->w = ParamFloat(tz);
            rec->h = ParamFloat(tz);
            break;
        case PAR_HOTSPOT:
            rec->hotx = ParamFloat(tz);
            rec->hoty = ParamFloat(tz);
            break;
        case PAR_BLENDMODE: ResourceManager::ParseBlendList(tz, &rec->blend); break;
        case PAR_COLOR: rec->color = ParamHex(tz); break;
        case PAR_ZORDER: rec->z = ParamFloat(tz); break;
        case PAR_FLIP:
            rec->bXFlip = ParamBool(tz);
            rec->bYFlip = ParamBool(tz);
            break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_FRAMES:
            if (!arec) goto unsupported;
            arec->frames = ParamInt(tz);
            break;
        case PAR_FPS:
            if (!arec) goto unsupported;
            arec->fps = ParamFloat(tz);
            break;
        case PAR_MODE:
            if (!arec) goto unsupported;
            ResourceManager::ParseModeList(tz, &arec->mode);
            break;
        default:
        unsupported:
            ResourceManager::NextParameter(tz, true);
            break;
        }
    }
}

void SpriteRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    SpriteRecord* rec = NewBlockRecord<SpriteRecord>(rm, RES_LIST_SPRITE, name, basename);
    ParseSpriteBlock(rm, tz, rec, false);
    rm->AddResource(RES_LIST_SPRITE, rec);
}

ResourceValue SpriteRecord::Get(ResourceManager* rm) {
    if (handle) return handle;
    TextureHandle tex = NamedTexture(rm, "Sprite", name, texname, resgroup);
    Sprite* spr = new Sprite(tex, tx, ty, w, h);
    spr->SetColor(color, -1);
    spr->SetZ(z, -1);
    spr->SetBlendMode(blend);
    spr->SetHotSpot(hotx, hoty);
    spr->SetFlip(bXFlip, bYFlip, false);
    handle = (ResourceValue)spr;
    return handle;
}

void SpriteRecord::Free() {
    delete (Sprite*)handle;
    handle = 0;
}

AnimationRecord::AnimationRecord() {
    frames = 1;
    fps = 12.0f;
    mode = ANIM_LOOP;
}

void AnimationRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    AnimationRecord* rec = NewBlockRecord<AnimationRecord>(rm, RES_LIST_ANIMATION, name, basename);
    ParseSpriteBlock(rm, tz, rec, true);
    rm->AddResource(RES_LIST_ANIMATION, rec);
}

ResourceValue AnimationRecord::Get(ResourceManager* rm) {
    if (handle) return handle;
    TextureHandle tex = NamedTexture(rm, "Animation", name, texname, resgroup);
    Animation* anim = new Animation(tex, frames, fps, tx, ty, w, h);
    anim->SetColor(color, -1);
    anim->SetZ(z, -1);
    anim->SetBlendMode(blend);
    anim->SetHotSpot(hotx, hoty);
    anim->SetFlip(bXFlip, bYFlip, false);
    anim->SetMode(mode);
    handle = (ResourceValue)anim;
    return handle;
}

void AnimationRecord::Free() {
    delete (Animation*)handle;
    handle = 0;
}
