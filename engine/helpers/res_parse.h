// Helpers of the records' block parsers: the record a block starts from, and value readers
// that each skip one separator token, then read one value.
#pragma once

#include <cstring>

#include "engine/helpers/resource_manager.h"
#include "engine/helpers/resource_record.h"
#include "engine/helpers/script_tokenizer.h"

// A new record for a block: a copy of its base record of the same list when there is one,
// without a handle, under the block's name.
template <class Record>
Record* NewBlockRecord(ResourceManager* rm, int list, const char* name, const char* basename) {
    Record* rec = new Record();
    if (Record* base = static_cast<Record*>(rm->FindResource(list, basename))) *rec = *base;
    rec->handle = 0;
    CopyResourceName(rec->name, name);
    return rec;
}

inline int ParamInt(ScriptTokenizer* tz) {
    tz->GetToken();
    tz->GetToken();
    return tz->TokenInt();
}

inline float ParamFloat(ScriptTokenizer* tz) {
    tz->GetToken();
    tz->GetToken();
    return tz->TokenFloat();
}

inline bool ParamBool(ScriptTokenizer* tz) {
    tz->GetToken();
    tz->GetToken();
    return tz->TokenBool();
}

inline DWORD ParamHex(ScriptTokenizer* tz) {
    tz->GetToken();
    tz->GetToken();
    return tz->TokenHex();
}

// field holds RESOURCE_NAME_MAX + 1 bytes; a name that was cut is reported.
inline void ParamName(ScriptTokenizer* tz, char* field) {
    tz->GetToken();
    tz->GetToken();
    if (tz->TokenCut()) tz->Error("Name ", " is cut to 127 characters.");
    strcpy(field, tz->TokenText());
}
