#include "engine/helpers/resource_record.h"

#include <cstring>

Engine* ResourceRecord::engine = 0;

ResourceRecord::ResourceRecord() {
    engine = CreateEngine(ENGINE_VERSION);
    name[0] = 0;
    resgroup = 0;
    handle = 0;
    next = 0;
}

ResourceRecord::~ResourceRecord() { engine->System_Release(); }

bool CopyResourceName(char* dst, const char* src) {
    if (!src) src = "";
    size_t n = strnlen(src, RESOURCE_NAME_MAX + 1);
    bool fits = n <= RESOURCE_NAME_MAX;
    if (!fits) n = RESOURCE_NAME_MAX;
    memcpy(dst, src, n);
    dst[n] = 0;
    return fits;
}
