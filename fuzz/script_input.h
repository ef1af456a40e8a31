// Resource scripts: parsed from a file, every declared resource loaded, then freed.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include "engine/helpers/resource_manager.h"
#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int ScriptInput(Engine* engine, const uint8_t* data, size_t size) {
    (void)engine;
    static const std::string name = InputName("script") + ".res";
    if (!WriteInput(name, data, size)) return 0;
    {
        ResourceManager rm(name.c_str());
        rm.LoadGroup(0);
        rm.FreeGroup(0);
        rm.GetSprite("sprite");
        rm.GetFont("font");
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
