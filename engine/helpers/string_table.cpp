#include "engine/helpers/string_table.h"

#include <cstring>

Engine* StringTable::engine = nullptr;

StringTable::StringTable(const char* filename) {
    engine = CreateEngine(ENGINE_VERSION);
    entries = nullptr;
    (void)filename;
}

StringTable::~StringTable() {
    while (entries) {
        StringTableEntry* next = entries->next;
        delete[] entries->value;
        delete entries;
        entries = next;
    }
    engine->System_Release();
}

const char* StringTable::GetString(const char* name) const {
    for (StringTableEntry* e = entries; e; e = e->next)
        if (!strcmp(e->name, name)) return e->value;
    return nullptr;
}
