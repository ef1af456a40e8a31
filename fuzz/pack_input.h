// Zip resource packs: attached, every entry (up to 16) read through the engine, removed.
// The first byte chooses whether the pack is attached with a password.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include <unzip.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int PackInput(Engine* engine, const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    bool withPassword = data[0] & 1;
    static const std::string name = InputName("pack") + ".zip";
    if (!WriteInput(name, data + 1, size - 1)) return 0;

    std::vector<std::string> entries;
    if (unzFile zip = unzOpen((AppFolder() + name).c_str())) {
        for (int r = unzGoToFirstFile(zip); r == UNZ_OK && entries.size() < 16; r = unzGoToNextFile(zip)) {
            char entry[256];
            unz_file_info info;
            if (unzGetCurrentFileInfo(zip, &info, entry, sizeof(entry), nullptr, 0, nullptr, 0) != UNZ_OK) break;
            entries.push_back(entry);
        }
        unzClose(zip);
    }
    if (engine->Resource_AttachPack(name.c_str(), withPassword ? "secret" : nullptr)) {
        for (const std::string& e : entries) {
            DWORD got = 0;
            if (void* block = engine->Resource_Load(e.c_str(), &got)) engine->Resource_Free(block);
        }
        DWORD got = 0;
        if (void* block = engine->Resource_Load("not in the pack.txt", &got)) engine->Resource_Free(block);
        engine->Resource_RemovePack(name.c_str());
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
