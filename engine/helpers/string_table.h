// Named texts read from a "[ZEVSTRINGTABLE]" file of name = "value" lines.
#pragma once

#include "engine/engine.h"

struct StringTableEntry {
    char name[64];
    char* value;
    StringTableEntry* next;
};

class StringTable {
public:
    explicit StringTable(const char* filename);
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;
    ~StringTable();

    // The value of the entry read last under this name, or null.
    const char* GetString(const char* name) const;

    StringTableEntry* entries;

private:
    static Engine* engine;  // shared by all string tables

    void Parse(const char* filename, const char* text, size_t size);
    void Add(const char* name, const char* value, size_t len);
};
