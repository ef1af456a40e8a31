// Value readers of the records' block parsers: each skips one separator token, then reads one value.
#pragma once

#include <cstring>

#include "engine/helpers/resource_record.h"
#include "engine/helpers/script_tokenizer.h"

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
