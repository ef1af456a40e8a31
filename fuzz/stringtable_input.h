// String tables: read from a file, then looked up.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include "engine/helpers/string_table.h"
#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int StringTableInput(Engine* engine, const uint8_t* data, size_t size) {
    (void)engine;
    static const std::string name = InputName("strings") + ".str";
    if (!WriteInput(name, data, size)) return 0;
    {
        StringTable table(name.c_str());
        const char* s = table.GetString("name");
        if (s) (void)s[0];
        table.GetString("");
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
