// String tables: read from a file, then looked up.
#include "engine/helpers/string_table.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fwfuzz::GetEngine();
    static const std::string name = fwfuzz::InputName("strings") + ".str";
    if (!fwfuzz::WriteInput(name, data, size)) return 0;
    {
        StringTable table(name.c_str());
        const char* s = table.GetString("name");
        if (s) (void)s[0];
        table.GetString("");
    }
    fwfuzz::ForgetLog();
    return 0;
}
