#include "engine/helpers/string_table.h"

#include <cstring>

namespace {

const char kHeader[] = "[ZEVSTRINGTABLE]";
const size_t kHeaderLen = sizeof(kHeader) - 1;
const size_t kNameMax = 63;
const size_t kValueScratch = 8192;

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

Engine* StringTable::engine = nullptr;

StringTable::StringTable(const char* filename) {
    engine = CreateEngine(ENGINE_VERSION);
    entries = nullptr;
    if (!filename) return;

    DWORD size = 0;
    void* data = engine->Resource_Load(filename, &size);
    if (!data) return;
    char* text = new char[static_cast<size_t>(size) + 1];
    std::memcpy(text, data, size);
    text[size] = 0;
    engine->Resource_Free(data);

    Parse(filename, text, size);
    delete[] text;
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
    if (!name) return nullptr;
    for (StringTableEntry* e = entries; e; e = e->next)
        if (!std::strcmp(e->name, name)) return e->value;
    return nullptr;
}

void StringTable::Add(const char* name, const char* value, size_t len) {
    StringTableEntry* e = new StringTableEntry;
    std::strncpy(e->name, name, sizeof(e->name) - 1);
    e->name[sizeof(e->name) - 1] = 0;
    e->value = new char[len + 1];
    std::memcpy(e->value, value, len);
    e->value[len] = 0;
    e->next = entries;
    entries = e;
}

void StringTable::Parse(const char* filename, const char* text, size_t size) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    if (size < kHeaderLen || std::memcmp(s, kHeader, kHeaderLen) != 0) {
        engine->System_Log("String table %s has incorrect format.", filename);
        return;
    }

    char* value = new char[kValueScratch];
    char name[kNameMax + 1];
    size_t p = kHeaderLen + 1;  // the byte after the header is passed over unread

    while (p < size) {
        while (p < size && IsSpace(s[p])) p++;
        if (p >= size) break;

        if (s[p] == ';') {
            while (p < size && s[p] != '\n') p++;
            p++;
            continue;
        }

        size_t n = 0;
        while (p < size && s[p] != '=' && !IsSpace(s[p])) {
            if (n < kNameMax) name[n++] = static_cast<char>(s[p]);
            p++;
        }
        name[n] = 0;
        if (p >= size) break;  // a name at the end of the text is dropped

        while (p < size && IsSpace(s[p])) p++;
        if (p >= size) break;
        if (s[p] != '=') {
            engine->System_Log("String table %s has incorrect format.", filename);
            break;
        }
        p++;
        while (p < size && IsSpace(s[p])) p++;
        if (p >= size || s[p] != '"') {
            engine->System_Log("String table %s has incorrect format.", filename);
            break;
        }
        p++;

        // Values longer than the scratch are cut; the rest of the value is still consumed.
        size_t len = 0;
        auto put = [&](char c) {
            if (len < kValueScratch - 1) value[len++] = c;
        };
        while (p < size && s[p] != '"') {
            unsigned char c = s[p];
            if (c == '\\') {
                if (p + 1 >= size) {
                    p++;
                    break;
                }
                unsigned char e = s[p + 1];
                put(e == 'n' ? '\n' : static_cast<char>(e));
                p += 2;
            } else if (c == '\r' || c == '\n') {
                while (p < size && IsSpace(s[p])) p++;
                while (len > 0 && IsSpace(static_cast<unsigned char>(value[len - 1]))) len--;
                put(' ');
            } else {
                put(static_cast<char>(c));
                p++;
            }
        }
        if (p < size) p++;  // closing quote
        Add(name, value, len);
    }
    delete[] value;
}
