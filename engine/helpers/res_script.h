// Record of a script parsed in the current load (the include guard list).
#pragma once

#include "engine/helpers/resource_record.h"

class ScriptRecord : public ResourceRecord {
public:
    ResourceValue Get(ResourceManager*) override { return 0; }
    void Free() override {}
};
