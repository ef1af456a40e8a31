// Resource scripts: parsed from a file, every declared resource loaded, then freed.
#include "engine/helpers/resource_manager.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fwfuzz::GetEngine();
    static const std::string name = fwfuzz::InputName("script") + ".res";
    if (!fwfuzz::WriteInput(name, data, size)) return 0;
    {
        ResourceManager rm(name.c_str());
        rm.LoadGroup(0);
        rm.FreeGroup(0);
        rm.GetSprite("sprite");
        rm.GetFont("font");
    }
    fwfuzz::ForgetLog();
    return 0;
}
