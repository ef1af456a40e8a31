#include "engine/helpers/resource_record.h"

#include <cstring>

#include "engine/helpers/resource_manager.h"

Engine* ResourceRecord::engine = 0;

ResourceRecord::ResourceRecord() {
    engine = CreateEngine(ENGINE_VERSION);
    name[0] = 0;
    resgroup = 0;
    handle = 0;
    next = 0;
}

ResourceRecord::~ResourceRecord() { engine->System_Release(); }

TextureHandle ResourceRecord::NamedTexture(ResourceManager* rm, const char* kind, const char* name,
                                           const char* texname, int resgroup) {
    // An empty name would be looked for as a file without a name.
    if (!texname[0] && !rm->FindResource(RES_LIST_TEXTURE, texname)) {
        engine->System_Log("%s '%s' names no texture.", kind, name);
        return 0;
    }
    return rm->GetTexture(texname, resgroup);
}

bool CopyResourceName(char* dst, const char* src) {
    if (!src) src = "";
    size_t n = strnlen(src, RESOURCE_NAME_MAX + 1);
    bool fits = n <= RESOURCE_NAME_MAX;
    if (!fits) n = RESOURCE_NAME_MAX;
    memcpy(dst, src, n);
    dst[n] = 0;
    return fits;
}
