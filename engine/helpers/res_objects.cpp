// Font, particle-system and distortion-mesh records.
#include <cstring>

#include "engine/helpers/distortion_mesh.h"
#include "engine/helpers/font.h"
#include "engine/helpers/particle_system.h"
#include "engine/helpers/res_distortion.h"
#include "engine/helpers/res_font.h"
#include "engine/helpers/res_parse.h"
#include "engine/helpers/res_particle.h"
#include "engine/helpers/resource_manager.h"

// ---- Font

FontRecord::FontRecord() {
    filename[0] = 0;
    mipmap = false;
    blend = BLENDMODE_DEFAULT;
    color = 0xFFFFFFFF;
    z = 0.5f;
    scale = 1.0f;
    proportion = 1.0f;
    tracking = 0.0f;
    spacing = 1.0f;
    rotation = 0.0f;
}

void FontRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    FontRecord* rec = NewBlockRecord<FontRecord>(rm, RES_LIST_FONT, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_FILENAME: ParamName(tz, rec->filename); break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_MIPMAP: rec->mipmap = ParamBool(tz); break;
        case PAR_BLENDMODE: ResourceManager::ParseBlendList(tz, &rec->blend); break;
        case PAR_COLOR: rec->color = ParamHex(tz); break;
        case PAR_ZORDER: rec->z = ParamFloat(tz); break;
        case PAR_SCALE: rec->scale = ParamFloat(tz); break;
        case PAR_PROPORTION: rec->proportion = ParamFloat(tz); break;
        case PAR_ROTATION: rec->rotation = ParamFloat(tz); break;
        case PAR_TRACKING: rec->tracking = ParamFloat(tz); break;
        case PAR_SPACING: rec->spacing = ParamFloat(tz); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_FONT, rec);
}

ResourceValue FontRecord::Get(ResourceManager*) {
    if (handle) return handle;
    Font* font = new Font(filename, mipmap);
    font->SetColor(color);
    font->SetZ(z);
    font->SetBlendMode(blend);
    font->SetScale(scale);
    font->SetProportion(proportion);
    font->SetTracking(tracking);
    font->SetSpacing(spacing);
    font->SetRotation(rotation);
    handle = (ResourceValue)font;
    return handle;
}

void FontRecord::Free() {
    delete (Font*)handle;
    handle = 0;
}

// ---- Particle

ParticleRecord::ParticleRecord() {
    filename[0] = 0;
    spritename[0] = 0;
}

void ParticleRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    ParticleRecord* rec = NewBlockRecord<ParticleRecord>(rm, RES_LIST_PARTICLE, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_FILENAME: ParamName(tz, rec->filename); break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        case PAR_SPRITE: ParamName(tz, rec->spritename); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_PARTICLE, rec);
}

ResourceValue ParticleRecord::Get(ResourceManager* rm) {
    if (!handle) handle = (ResourceValue) new ParticleSystem(filename, rm->GetSprite(spritename));
    return handle;
}

void ParticleRecord::Free() {
    delete (ParticleSystem*)handle;
    handle = 0;
}

// ---- Distortion

DistortionRecord::DistortionRecord() {
    texname[0] = 0;
    tx = ty = w = h = 0.0f;
    cols = rows = 2;
    blend = BLENDMODE_DEFAULT;
    color = 0xFFFFFFFF;
    z = 0.5f;
}

void DistortionRecord::Parse(ResourceManager* rm, ScriptTokenizer* tz, const char* name, const char* basename) {
    DistortionRecord* rec = NewBlockRecord<DistortionRecord>(rm, RES_LIST_DISTORTION, name, basename);

    while (ResourceManager::NextParameter(tz, false)) {
        switch (tz->TokenCode()) {
        case PAR_TEXTURE: ParamName(tz, rec->texname); break;
        case PAR_RECT:
            rec->tx = ParamFloat(tz);
            rec->ty = ParamFloat(tz);
            rec->w = ParamFloat(tz);
            rec->h = ParamFloat(tz);
            break;
        case PAR_BLENDMODE: ResourceManager::ParseBlendList(tz, &rec->blend); break;
        case PAR_COLOR: rec->color = ParamHex(tz); break;
        case PAR_ZORDER: rec->z = ParamFloat(tz); break;
        case PAR_MESH:
            rec->cols = ParamInt(tz);
            rec->rows = ParamInt(tz);
            break;
        case PAR_RESGROUP: rec->resgroup = ParamInt(tz); break;
        default: ResourceManager::NextParameter(tz, true); break;
        }
    }
    rm->AddResource(RES_LIST_DISTORTION, rec);
}

ResourceValue DistortionRecord::Get(ResourceManager* rm) {
    if (handle) return handle;
    DistortionMesh* mesh = new DistortionMesh(cols, rows);
    mesh->SetTexture(NamedTexture(rm, "Distortion", name, texname, resgroup));
    mesh->SetTextureRect(tx, ty, w, h);
    mesh->SetBlendMode(blend);
    mesh->Clear(color, z);
    handle = (ResourceValue)mesh;
    return handle;
}

void DistortionRecord::Free() {
    delete (DistortionMesh*)handle;
    handle = 0;
}
